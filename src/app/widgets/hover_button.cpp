// Hover button painting, mouse reports and keyboard use.
#include "app/widgets/hover_button.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>

namespace brelvik {

HoverButton::HoverButton(QWidget* parent) : QAbstractButton(parent) {
  // A click leaves the focus where it was, as the design's buttons do; Tab
  // still reaches the button.
  setFocusPolicy(Qt::TabFocus);
  text_color_ = palette().color(QPalette::ButtonText);
}

void HoverButton::SetTextColor(const QColor& color) {
  text_color_ = color;
  update();
}

void HoverButton::SetHoverColors(const QColor& rest, const QColor& over) {
  rest_color_ = rest;
  over_color_ = over;
  SetTextColor(underMouse() || hasFocus() ? over : rest);
}

void HoverButton::ShowHighlight(bool on) {
  const QColor& color = on ? over_color_ : rest_color_;
  if (color.isValid()) SetTextColor(color);
}

void HoverButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  painter.fillRect(r, palette().color(QPalette::Button));
  const bool pressed = isDown();
  const QColor caption =
      isEnabled() ? text_color_ : palette().color(QPalette::Disabled, QPalette::ButtonText);
  painter.setPen(caption);
  painter.setFont(font());
  painter.drawText(pressed ? r.translated(1, 1) : r, Qt::AlignCenter, text());

  const QColor light = palette().color(QPalette::Light);
  const QColor shadow = palette().color(QPalette::Dark);
  const int right = r.right();
  const int bottom = r.bottom();
  if (pressed) {
    painter.setPen(shadow);
    painter.drawLine(0, 0, right, 0);
    painter.drawLine(0, 0, 0, bottom);
  } else {
    painter.setPen(light);
    painter.drawLine(0, 0, right, 0);
    painter.drawLine(0, 0, 0, bottom);
    painter.setPen(shadow);
    painter.drawLine(right, 0, right, bottom);
    painter.drawLine(0, bottom, right, bottom);
  }
  if (hasFocus()) {
    // The classic dotted focus frame, inside the bevel, in the caption's colour.
    QPen dots(caption, 1, Qt::DotLine);
    painter.setPen(dots);
    painter.drawRect(r.adjusted(2, 2, -3, -3));
  }
}

void HoverButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  ShowHighlight(true);
  emit MouseEntered();
}

void HoverButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  ShowHighlight(hasFocus());
  emit MouseLeft();
}

void HoverButton::focusInEvent(QFocusEvent* event) {
  QAbstractButton::focusInEvent(event);
  ShowHighlight(true);
}

void HoverButton::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  ShowHighlight(underMouse());
}

void HoverButton::keyPressEvent(QKeyEvent* event) {
  // Space is the button's own key; Enter and Return press it too, as they
  // press a focused button in the design's dialogs.
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // A held key presses once, as a held Space does.
    if (!event->isAutoRepeat()) click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

}  // namespace brelvik
