// The flat push button of every command: reports mouse enter and leave and
// draws a one-pixel frame, raised while up and sunken while pressed. It takes
// the focus from the keyboard only (Tab), shows it with its hover colour and
// a dotted frame, and is pressed with Space, Enter or Return.
#pragma once

#include <QAbstractButton>
#include <QColor>

namespace brelvik {

class HoverButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit HoverButton(QWidget* parent = nullptr);

  void SetTextColor(const QColor& color);
  // The caption takes `over` while the mouse is over the button or the
  // button has the focus, and `rest` otherwise (from now on).
  void SetHoverColors(const QColor& rest, const QColor& over);
  QColor TextColor() const { return text_color_; }
  QSize sizeHint() const override { return {22, 22}; }

 signals:
  void MouseEntered();
  void MouseLeft();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowHighlight(bool on);

  QColor text_color_;
  QColor rest_color_;
  QColor over_color_;
};

}  // namespace brelvik
