// Message boxes and file dialogs of the program.
#include "app/message_box.h"

#include <QFileDialog>

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

namespace {
using SaveInterceptor = std::function<std::optional<SaveAnswer>(
    const QString&, const QStringList&, int)>;
SaveInterceptor& SaveDialogInterceptor() {
  static SaveInterceptor interceptor;
  return interceptor;
}
}  // namespace

std::optional<SaveAnswer> FileDialogs::AskSave(QWidget* parent, const QString& default_name,
                                               const QStringList& filters, int filter_index) {
  if (SaveDialogInterceptor()) return SaveDialogInterceptor()(default_name, filters, filter_index);
  QFileDialog dialog(parent);
  // Qt's own dialog rather than the desktop's: only it speaks the language
  // the user picked in the window rather than the system's.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.selectFile(default_name);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filter_index));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return SaveAnswer{dialog.selectedFiles().first(),
                    std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

void FileDialogs::SetInterceptor(SaveInterceptor interceptor) {
  SaveDialogInterceptor() = std::move(interceptor);
}

namespace {
using OpenInterceptor = std::function<std::optional<QString>(const QString&, const QStringList&)>;
OpenInterceptor& OpenDialogInterceptor() {
  static OpenInterceptor interceptor;
  return interceptor;
}
}  // namespace

std::optional<QString> FileDialogs::AskOpen(QWidget* parent, const QString& start,
                                            const QStringList& filters) {
  if (OpenDialogInterceptor()) return OpenDialogInterceptor()(start, filters);
  QFileDialog dialog(parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!start.isEmpty()) dialog.selectFile(start);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

void FileDialogs::SetOpenInterceptor(OpenInterceptor interceptor) {
  OpenDialogInterceptor() = std::move(interceptor);
}

}  // namespace brelvik
