// Progress strip animation.
#include "app/widgets/progress_strip.h"

#include <QPainter>

namespace brelvik {

void ProgressAnimation::NextFrame() {
  switch (phase_) {
    case 0:  // grow to the right
      x2_ += step_;
      if (x2_ > width_) {
        x2_ = width_;
        phase_ = 1;
      }
      break;
    case 1:  // shrink into the right end
      x1_ += step_;
      if (x1_ >= x2_) {
        x1_ = x2_;
        phase_ = 2;
      }
      break;
    case 2:  // grow back to the left
      x1_ -= step_;
      if (x1_ <= 0) {
        x1_ = 0;
        phase_ = 3;
      }
      break;
    default:  // shrink into the left end
      x2_ -= step_;
      if (x2_ <= 0) {
        x2_ = 0;
        phase_ = 0;
      }
      break;
  }
}

ProgressStrip::ProgressStrip(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  timer_.setInterval(kIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &ProgressStrip::Tick);
}

void ProgressStrip::Start() {
  // The paint rectangle is the client area less the bevel on every side.
  const int bevel = frameWidth();
  paint_rect_ = rect().adjusted(bevel, bevel, -bevel, -bevel);
  const int w = paint_rect_.width() - 1;   // right - left, as the frame counts it
  const int h = paint_rect_.height() - 1;  // bottom - top
  paint_rect_.setSize(QSize(w, h));
  frame_ = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
  frame_.fill(palette().color(QPalette::Window));
  animation_ = ProgressAnimation(w);
  timer_.start();
}

void ProgressStrip::Stop() {
  timer_.stop();
  update();
}

void ProgressStrip::Tick() {
  animation_.NextFrame();
  frame_.fill(palette().color(QPalette::Window));
  QPainter painter(&frame_);
  painter.fillRect(QRect(QPoint(animation_.Left(), 0),
                         QPoint(animation_.Right() - 1, frame_.height() - 1)),
                   QColor(kBarColor));
  update(paint_rect_);
}

void ProgressStrip::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (timer_.isActive()) {
    QPainter painter(this);
    painter.drawImage(paint_rect_.topLeft(), frame_);
  }
}

}  // namespace brelvik
