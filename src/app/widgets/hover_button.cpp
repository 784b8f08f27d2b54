// Hover button painting and mouse reports.
#include "app/widgets/hover_button.h"

#include <QEnterEvent>
#include <QPainter>

namespace brelvik {

HoverButton::HoverButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  text_color_ = palette().color(QPalette::ButtonText);
}

void HoverButton::SetTextColor(const QColor& color) {
  text_color_ = color;
  update();
}

void HoverButton::SetHoverColors(const QColor& rest, const QColor& over) {
  rest_color_ = rest;
  over_color_ = over;
  SetTextColor(underMouse() ? over : rest);
}

void HoverButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  painter.fillRect(r, palette().color(QPalette::Button));
  const bool pressed = isDown();
  painter.setPen(isEnabled() ? text_color_ : palette().color(QPalette::Disabled, QPalette::ButtonText));
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
}

void HoverButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  if (over_color_.isValid()) SetTextColor(over_color_);
  emit MouseEntered();
}

void HoverButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  if (rest_color_.isValid()) SetTextColor(rest_color_);
  emit MouseLeft();
}

}  // namespace brelvik
