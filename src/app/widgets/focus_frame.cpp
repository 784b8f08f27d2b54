// The focus frame: follows its control's place and focus.
#include "app/widgets/focus_frame.h"

#include <QEvent>
#include <QPainter>

namespace brelvik {

FocusFrame::FocusFrame(QWidget* target, QColor color, int margin)
    : QWidget(target->parentWidget()), target_(target), color_(color), margin_(margin) {
  setObjectName(target->objectName() + "_Focus");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  // Under the control, so only the frame's rim outside it shows.
  stackUnder(target);
  target->installEventFilter(this);
  Follow();
}

void FocusFrame::Follow() {
  if (!target_) return;
  setGeometry(target_->geometry().adjusted(-margin_, -margin_, margin_, margin_));
  stackUnder(target_);
  setVisible(target_->isVisible() && target_->hasFocus());
}

bool FocusFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_) {
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::FocusOut:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
        Follow();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FocusFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(color_, 1, Qt::DotLine));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace brelvik
