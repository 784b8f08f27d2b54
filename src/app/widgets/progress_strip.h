// The progress strip shown over the load button while a load runs: a bar that
// fills the strip from the left, empties it to the right, fills it back from
// the right and empties it to the left, one frame every interval.
#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QTimer>

namespace brelvik {

// The bar's movement, frame by frame, over a width W with step W / 50.
class ProgressAnimation {
 public:
  explicit ProgressAnimation(int width) : width_(width), step_(width / 50) {}
  void NextFrame();
  int Left() const { return x1_; }
  int Right() const { return x2_; }
  int Phase() const { return phase_; }
  int Step() const { return step_; }

 private:
  int width_;
  int step_;
  int x1_ = 0;
  int x2_ = 0;
  int phase_ = 0;
};

class ProgressStrip : public QFrame {
  Q_OBJECT
 public:
  static constexpr QRgb kBarColor = qRgb(86, 109, 163);
  static constexpr int kIntervalMs = 25;

  explicit ProgressStrip(QWidget* parent = nullptr);

  void Start();
  void Stop();
  bool Running() const { return timer_.isActive(); }
  // The current frame, for tests and painting.
  const QImage& Frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Tick();

  QTimer timer_;
  QImage frame_;
  QRect paint_rect_;
  ProgressAnimation animation_{0};
};

}  // namespace brelvik
