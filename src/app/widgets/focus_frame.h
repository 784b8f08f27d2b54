// A dotted frame drawn around a control while it holds the keyboard focus,
// for controls whose own look shows no focus (a borderless selector).
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

namespace brelvik {

class FocusFrame : public QWidget {
  Q_OBJECT
 public:
  // Frames `target` (a sibling-to-be: the frame takes its parent) `margin`
  // pixels outside its edges, in `color`.
  FocusFrame(QWidget* target, QColor color, int margin = 2);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Follow();

  QPointer<QWidget> target_;
  QColor color_;
  int margin_;
};

}  // namespace brelvik
