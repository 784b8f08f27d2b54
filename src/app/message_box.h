// The one seam through which the program shows message boxes, so tests can
// read what would be shown instead of waiting for a click.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

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

// The answer of a file-save dialog: the path and the chosen filter's index (0-based).
struct SaveAnswer {
  QString path;
  int filter_index = 0;
};

class FileDialogs {
 public:
  // Asks for a file to save; nullopt when the user cancels. No overwrite
  // question and no default extension: the name is taken as given.
  static std::optional<SaveAnswer> AskSave(QWidget* parent, const QString& default_name,
                                           const QStringList& filters, int filter_index);

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
