// The look of every window the program makes: every button caption fits its
// button in both languages, and the provider selector has the button face.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/main_window.h"

namespace brelvik {
namespace {

// Clear space a caption keeps on each side, inside the button's frame.
constexpr int kMargin = 2;

// Every button of every top-level window, whatever window it is.
QList<QAbstractButton*> AllButtons() {
  QSet<QAbstractButton*> seen;
  QList<QAbstractButton*> buttons;
  const auto add = [&](QAbstractButton* b) {
    if (b && !seen.contains(b)) {
      seen.insert(b);
      buttons << b;
    }
  };
  for (QWidget* window : QApplication::topLevelWidgets()) {
    add(qobject_cast<QAbstractButton*>(window));
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) add(b);
  }
  return buttons;
}

QString WithoutMnemonics(QString text) {
  text.replace("&&", QChar(1));
  text.remove('&');
  text.replace(QChar(1), '&');
  return text;
}

// Where a button may draw its caption: inside its frame, beside a check
// box's indicator.
QRect CaptionRoom(QAbstractButton* b) {
  QStyleOptionButton option;
  option.initFrom(b);
  option.text = b->text();
  option.icon = b->icon();
  option.iconSize = b->iconSize();
  if (qobject_cast<QCheckBox*>(b)) {
    return b->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, b);
  }
  if (qobject_cast<QRadioButton*>(b)) {
    return b->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, b);
  }
  if (qobject_cast<QPushButton*>(b)) {
    return b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b);
  }
  // The program's own buttons draw a one-pixel frame.
  return b->rect().adjusted(1, 1, -1, -1);
}

// The text a button draws: the program's own buttons draw "&" as it stands.
QString DrawnCaption(QAbstractButton* b) {
  return qobject_cast<HoverButton*>(b) ? b->text() : WithoutMnemonics(b->text());
}

// One line per caption that does not fit.
std::string CaptionsThatOverrun() {
  QStringList faults;
  for (QAbstractButton* b : AllButtons()) {
    if (b->text().isEmpty()) continue;
    const QFontMetrics metrics(b->font());
    const QString caption = DrawnCaption(b);
    const int width = metrics.horizontalAdvance(caption);
    const QRect room = CaptionRoom(b);
    if (width + 2 * kMargin > room.width() || metrics.height() > room.height()) {
      faults << QString("%1 \"%2\": %3x%4 in %5x%6 (%7)")
                    .arg(b->objectName(), caption)
                    .arg(width)
                    .arg(metrics.height())
                    .arg(room.width())
                    .arg(room.height())
                    .arg(QFontInfo(b->font()).family());
    }
  }
  return faults.join('\n').toStdString();
}

TEST(Captions, EveryCaptionFitsItsButtonInBothLanguages) {
  MainWindow w;
  w.show();
  // The option dialogs are windows of their own once shown.
  for (DialogPanel* panel : {w.SpeedForm1(), w.SpeedForm2(), w.SpeedForm3()}) panel->Show();
  w.Btn6Click();
  w.Match1Click();
  QApplication::processEvents();
  ASSERT_GE(AllButtons().size(), 30);

  EXPECT_EQ(CaptionsThatOverrun(), "") << "Russian";
  w.Btn9Click();
  QApplication::processEvents();
  EXPECT_EQ(CaptionsThatOverrun(), "") << "English";
}

TEST(Captions, ProviderSelectorHasTheButtonFace) {
  MainWindow w;
  w.show();
  auto* combo = w.findChild<QComboBox*>("Combo1");
  ASSERT_NE(combo, nullptr);
  const QImage image = combo->grab().toImage();
  // The middle of the empty text field, left of the arrow.
  const QColor field = image.pixelColor(image.width() / 4, image.height() / 2);
  EXPECT_EQ(field.name().toStdString(), w.palette().color(QPalette::Button).name().toStdString());
}

}  // namespace
}  // namespace brelvik
