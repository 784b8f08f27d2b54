// The one seam through which the program shows message boxes, so tests can
// read what would be shown instead of waiting for a click.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace brelvik {

struct MessageRecord {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
};

class MessageBoxes {
 public:
  // Shows a modal box with an OK button and waits for it to close.
  static void Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                   const QString& text);

  // While set, boxes are handed to the interceptor instead of being shown.
  static void SetInterceptor(std::function<void(const MessageRecord&)> interceptor);
};

}  // namespace brelvik
