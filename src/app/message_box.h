// The one seam through which the program shows message boxes, so tests can
// read what would be shown instead of waiting for a click.
#pragma once

#include <QIdentityProxyModel>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace brelvik {

struct MessageRecord {
  QMessageBox::Icon icon;
  QString caption;
  QString text;
  QString details;      // the full list behind a short text, when there is one
  QStringList buttons;  // a question's answers, in their order
};

class MessageBoxes {
 public:
  // Shows a modal box with an OK button and waits for it to close. A long
  // list goes in `details`: the box then shows `text` and keeps the list in
  // a scrollable, copyable area, so that it never grows past the screen.
  static void Show(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                   const QString& text, const QString& details = {});

  // Asks a question; returns the index of the answer in `buttons`, or -1
  // when the box was closed without one. `buttons[0]` is the default.
  static int Ask(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                 const QString& text, const QStringList& buttons);

  // The box Show would show, not yet shown (for its size).
  static std::unique_ptr<QMessageBox> Make(QWidget* parent, QMessageBox::Icon icon,
                                           const QString& caption, const QString& text,
                                           const QString& details = {});

  // While set, boxes are handed to the interceptor instead of being shown.
  static void SetInterceptor(std::function<void(const MessageRecord&)> interceptor);
  // While set, questions are answered by the interceptor (an index into the
  // record's buttons, or -1) instead of being shown.
  static void SetAskInterceptor(std::function<int(const MessageRecord&)> interceptor);
};

// The file dialogs' list of files with sizes and dates in the program's
// locale, which follows the language toggle: Qt's own model writes them in
// the system's, whatever the interface speaks.
class LocalizedFileModel : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override;
};

// The answer of a file-save dialog: the path and the chosen filter's index (0-based).
struct SaveAnswer {
  QString path;
  int filter_index = 0;
};

class FileDialogs {
 public:
  // Asks for a file to save; nullopt when the user cancels. No default
  // extension: the name is taken as given. With an `overwrite_question`
  // (its caption, its text with %1 for the file's name, the yes and the no
  // answer), a file that exists is replaced only when the user says so: the
  // question goes through MessageBoxes::Ask, and a no shows the dialog
  // again. Without one, no question is asked.
  static std::optional<SaveAnswer> AskSave(QWidget* parent, const QString& default_name,
                                           const QStringList& filters, int filter_index,
                                           const QStringList& overwrite_question = {});

  // While set, the dialog is not shown and the interceptor answers instead.
  static void SetInterceptor(
      std::function<std::optional<SaveAnswer>(const QString& default_name,
                                              const QStringList& filters, int filter_index)>
          interceptor);

  // Asks for an existing file to open, starting at `start` (a folder or a
  // file in it); nullopt when the user cancels.
  static std::optional<QString> AskOpen(QWidget* parent, const QString& start,
                                        const QStringList& filters);

  // While set, the open dialog is not shown and the interceptor answers instead.
  static void SetOpenInterceptor(
      std::function<std::optional<QString>(const QString& start, const QStringList& filters)>
          interceptor);
};

}  // namespace brelvik
