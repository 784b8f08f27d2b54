// Message boxes of the program.
#include "app/message_box.h"

namespace brelvik {

namespace {
std::function<void(const MessageRecord&)>& Interceptor() {
  static std::function<void(const MessageRecord&)> interceptor;
  return interceptor;
}
}  // namespace

void MessageBoxes::Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                        const QString& text) {
  if (Interceptor()) {
    Interceptor()({icon, caption, text});
    return;
  }
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void MessageBoxes::SetInterceptor(std::function<void(const MessageRecord&)> interceptor) {
  Interceptor() = std::move(interceptor);
}

}  // namespace brelvik
