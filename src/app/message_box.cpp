// Message boxes and file dialogs of the program.
#include "app/message_box.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace brelvik {

namespace {
std::function<void(const MessageRecord&)>& Interceptor() {
  static std::function<void(const MessageRecord&)> interceptor;
  return interceptor;
}
}  // namespace

std::unique_ptr<QMessageBox> MessageBoxes::Make(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& caption, const QString& text,
                                                const QString& details) {
  auto box = std::make_unique<QMessageBox>(icon, caption, text, QMessageBox::Ok, parent);
  if (!details.isEmpty()) box->setDetailedText(details);
  return box;
}

void MessageBoxes::Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                        const QString& text, const QString& details) {
  if (Interceptor()) {
    Interceptor()({icon, caption, text, details, {}});
    return;
  }
  Make(parent, icon, caption, text, details)->exec();
}

void MessageBoxes::SetInterceptor(std::function<void(const MessageRecord&)> interceptor) {
  Interceptor() = std::move(interceptor);
}

namespace {
std::function<int(const MessageRecord&)>& AskInterceptor() {
  static std::function<int(const MessageRecord&)> interceptor;
  return interceptor;
}
}  // namespace

int MessageBoxes::Ask(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                      const QString& text, const QStringList& buttons) {
  if (AskInterceptor()) return AskInterceptor()({icon, caption, text, {}, buttons});
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
  std::vector<QAbstractButton*> answers;
  for (int i = 0; i < buttons.size(); ++i) {
    answers.push_back(box.addButton(buttons[i], i == 0 ? QMessageBox::AcceptRole
                                                      : QMessageBox::RejectRole));
  }
  if (!answers.empty()) {
    box.setDefaultButton(static_cast<QPushButton*>(answers.front()));
    box.setEscapeButton(answers.back());
  }
  box.exec();
  const auto it = std::find(answers.begin(), answers.end(), box.clickedButton());
  return it == answers.end() ? -1 : static_cast<int>(it - answers.begin());
}

void MessageBoxes::SetAskInterceptor(std::function<int(const MessageRecord&)> interceptor) {
  AskInterceptor() = std::move(interceptor);
}

namespace {
using SaveInterceptor = std::function<std::optional<SaveAnswer>(
    const QString&, const QStringList&, int)>;
SaveInterceptor& SaveDialogInterceptor() {
  static SaveInterceptor interceptor;
  return interceptor;
}
}  // namespace

QVariant LocalizedFileModel::data(const QModelIndex& index, int role) const {
  const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
  if (!files || role != Qt::DisplayRole || (index.column() != 1 && index.column() != 3)) {
    return QIdentityProxyModel::data(index, role);
  }
  const QFileInfo info = files->fileInfo(mapToSource(index));
  const QLocale locale;
  if (index.column() == 3) return locale.toString(info.lastModified(), QLocale::ShortFormat);
  if (info.isDir()) return QIdentityProxyModel::data(index, role);
  return locale.formattedDataSize(info.size(), 2, QLocale::DataSizeTraditionalFormat);
}

namespace {

void Localize(QFileDialog& dialog) { dialog.setProxyModel(new LocalizedFileModel(&dialog)); }

std::optional<SaveAnswer> ShowSaveDialog(QWidget* parent, const QString& default_name,
                                         const QStringList& filters, int filter_index) {
  if (SaveDialogInterceptor()) return SaveDialogInterceptor()(default_name, filters, filter_index);
  QFileDialog dialog(parent);
  // Qt's own dialog rather than the desktop's: only it speaks the language
  // the user picked in the window rather than the system's.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // An overwrite question, where one is asked, is the program's own, in the
  // window's language.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  Localize(dialog);
  dialog.selectFile(default_name);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filter_index));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return SaveAnswer{dialog.selectedFiles().first(),
                    std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())))};
}

}  // namespace

std::optional<SaveAnswer> FileDialogs::AskSave(QWidget* parent, const QString& default_name,
                                               const QStringList& filters, int filter_index,
                                               const QStringList& overwrite_question) {
  QString name = default_name;
  while (true) {
    std::optional<SaveAnswer> answer = ShowSaveDialog(parent, name, filters, filter_index);
    if (!answer || answer->path.isEmpty() || overwrite_question.size() < 4 ||
        !QFileInfo::exists(answer->path)) {
      return answer;
    }
    const int choice = MessageBoxes::Ask(
        parent, QMessageBox::Warning, overwrite_question[0],
        overwrite_question[1].arg(QFileInfo(answer->path).fileName()),
        {overwrite_question[2], overwrite_question[3]});
    if (choice == 0) return answer;
    // A test's dialog would answer the same again.
    if (SaveDialogInterceptor()) return std::nullopt;
    name = answer->path;
    filter_index = answer->filter_index;
  }
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
  Localize(dialog);
  if (!start.isEmpty()) dialog.selectFile(start);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

void FileDialogs::SetOpenInterceptor(OpenInterceptor interceptor) {
  OpenDialogInterceptor() = std::move(interceptor);
}

}  // namespace brelvik
