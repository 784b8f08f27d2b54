// Qt's own dialogs speak the interface language: the save dialog (Qt's own,
// not the desktop's) and the standard buttons of message boxes, Russian from
// the start and English after the toggle.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <type_traits>

#include "app/main_window.h"
#include "app/message_box.h"

namespace brelvik {
namespace {

// What a dialog showed: its title, the texts of its visible buttons and
// labels, its accept and reject buttons, and whether it was Qt's own widget
// dialog.
struct SeenDialog {
  QString title;
  QStringList texts;
  QString accept;
  QString reject;
  bool widget_dialog = false;
  // A file dialog asked for Qt's own dialog, on every desktop.
  bool never_native = false;
};

QString Plain(QString text) { return text.remove('&'); }

// Runs `open`, which shows a modal dialog of type D, reads the dialog once it
// is on screen and closes it.
template <typename D>
SeenDialog ReadModal(const std::function<void()>& open) {
  SeenDialog seen;
  QTimer poll;
  int tries = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<D*>(modal);
    if (!dialog) {
      // Never wait forever for a dialog that does not come.
      if (++tries > 500 && modal) modal->close();
      return;
    }
    poll.stop();
    if constexpr (std::is_same_v<D, QFileDialog>) {
      seen.never_native = dialog->testOption(QFileDialog::DontUseNativeDialog);
    }
    seen.title = dialog->windowTitle();
    for (QAbstractButton* b : dialog->template findChildren<QAbstractButton*>()) {
      if (b->isVisible() && !b->text().isEmpty()) seen.texts << Plain(b->text());
    }
    for (QLabel* l : dialog->template findChildren<QLabel*>()) {
      if (l->isVisible() && !l->text().isEmpty()) seen.texts << Plain(l->text());
    }
    if (auto* box = dialog->template findChild<QDialogButtonBox*>()) {
      seen.widget_dialog = true;
      for (QAbstractButton* b : box->buttons()) {
        const auto role = box->buttonRole(b);
        if (role == QDialogButtonBox::AcceptRole) seen.accept = Plain(b->text());
        if (role == QDialogButtonBox::RejectRole) seen.reject = Plain(b->text());
      }
    }
    dialog->reject();
  });
  poll.start(10);
  open();
  return seen;
}

const QRegularExpression kLatin("[A-Za-z]");
const QRegularExpression kCyrillic("[\\x{0400}-\\x{04FF}]");

QStringList Matching(const QStringList& texts, const QRegularExpression& letters) {
  QStringList found;
  for (const QString& t : texts) {
    if (t.contains(letters)) found << t;
  }
  return found;
}

std::string Join(const QStringList& texts) { return texts.join(" | ").toStdString(); }

TEST(QtTexts, SaveDialogAndMessageBoxFollowTheToggle) {
  MainWindow w;
  w.show();
  const auto save_dialog = [&] { w.BTN_SaveToFileClick(); };
  const auto message_box = [&] {
    MessageBoxes::Show(&w, QMessageBox::Information, "Brelvik", "-");
  };

  const SeenDialog ru = ReadModal<QFileDialog>(save_dialog);
  ASSERT_TRUE(ru.widget_dialog) << "the save dialog must be Qt's own";
  EXPECT_TRUE(ru.never_native);
  EXPECT_EQ(ru.accept.toStdString(), "Сохранить");
  EXPECT_EQ(ru.reject.toStdString(), "Отмена");
  EXPECT_TRUE(ru.title.contains(kCyrillic)) << ru.title.toStdString();
  // The file types come from the program and name extensions; every other
  // text is Qt's and must be Russian.
  EXPECT_EQ(Join(Matching(ru.texts, kLatin)), "");
  const SeenDialog ru_box = ReadModal<QMessageBox>(message_box);
  EXPECT_EQ(ru_box.accept.toStdString(), "ОК");
  // The kind of an entry in the dialog's file list, and the locale Qt's
  // other texts (the types of files) follow.
  const QFileInfo folder(QDir::tempPath());
  EXPECT_EQ(QFileIconProvider().type(folder).toStdString(), "Папка");
  EXPECT_EQ(QLocale().language(), QLocale::Russian);

  w.Btn9Click();
  const SeenDialog en = ReadModal<QFileDialog>(save_dialog);
  ASSERT_TRUE(en.widget_dialog);
  EXPECT_EQ(en.accept.toStdString(), "Save");
  EXPECT_EQ(en.reject.toStdString(), "Cancel");
  EXPECT_EQ(en.title.toStdString(), "Save As");
  EXPECT_EQ(Join(Matching(en.texts, kCyrillic)), "");
  EXPECT_EQ(ReadModal<QMessageBox>(message_box).accept.toStdString(), "OK");
  EXPECT_EQ(QFileIconProvider().type(folder).toStdString(), "Folder");
  EXPECT_EQ(QLocale().language(), QLocale::English);

  // And back.
  w.Btn9Click();
  EXPECT_EQ(ReadModal<QFileDialog>(save_dialog).reject.toStdString(), "Отмена");
}

}  // namespace
}  // namespace brelvik
