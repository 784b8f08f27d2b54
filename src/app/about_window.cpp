// The About window.
#include "app/about_window.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QUrl>

namespace brelvik {

namespace {
QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("Form2");
  // A window does not take its owner's font by itself.
  if (parent) setFont(parent->font());
  setWindowTitle("  О программе");
  setFixedSize(360, 299);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, QColor(10, 36, 106));
  setPalette(pal);

  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  frame->setGeometry(232, 8, 119, 55);
  image_ = new QLabel(frame);
  image_->setObjectName("Image1");
  image_->setGeometry(3, 3, 113, 49);
  image_->setPixmap(QPixmap(":/logo.png"));
  image_->setScaledContents(true);

  label1_ = new QLabel("Brelvik", this);
  label1_->setObjectName("Label1");
  QFont big = font();
  big.setPixelSize(26);
  big.setBold(true);
  label1_->setFont(big);
  label1_->setAlignment(Qt::AlignCenter);
  label1_->setGeometry(8, 12, 216, 34);

  label2_ = new QLabel(this);
  label2_->setObjectName("Label2");
  label2_->setAlignment(Qt::AlignCenter);
  label2_->setGeometry(8, 46, 216, 16);

  label3_ = new QLabel(this);
  label3_->setObjectName("Label3");
  label3_->setFrameStyle(QFrame::Box | QFrame::Sunken);
  label3_->setAlignment(Qt::AlignCenter);
  label3_->setWordWrap(true);
  label3_->setMargin(4);
  label3_->setGeometry(8, 70, 344, 168);

  label4_ = new QLabel(this);
  label4_->setObjectName("Label4");
  label4_->setGeometry(8, 246, 46, 16);
  // The author's name, the link and the closing parenthesis, side by side.
  auto* author = new QWidget(this);
  author->setGeometry(56, 244, 296, 20);
  auto* row = new QHBoxLayout(author);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto* label5 = new QLabel("Brelvik Project (", author);
  label5->setObjectName("Label5");
  label6_ = new QLabel(author);
  label6_->setObjectName("Label6");
  label6_->setText("<a href=\"" + Q(kHomePage) + "\" style=\"color:#0000ff\">" + Q(kHomePage) +
                   "</a>");
  label6_->setTextFormat(Qt::RichText);
  label6_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  label6_->setOpenExternalLinks(false);
  label6_->setCursor(Qt::PointingHandCursor);
  connect(label6_, &QLabel::linkActivated, this, [this] { Label6Click(); });
  auto* label7 = new QLabel(")", author);
  label7->setObjectName("Label7");
  row->addWidget(label5);
  row->addWidget(label6_);
  row->addWidget(label7);
  row->addStretch();

  auto* ok = new HoverButton(this);
  ok->setObjectName("VHSBtn1");
  ok->setText("OK");
  ok->setGeometry(140, 270, 80, 22);
  ok->SetHoverColors(QColor(10, 36, 106), QColor(0, 0, 255));
  connect(ok, &HoverButton::clicked, this, &AboutWindow::VHSBtn1Click);
  // The window opens with OK in focus; Tab reaches the link, Enter opens it.
  setTabOrder(ok, label6_);

  // The window's own texts are Russian until the language is first toggled.
  ApplyTexts(TextsFor(Language::kRu));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void AboutWindow::ApplyTexts(const UiTexts& texts) {
  label2_->setText(Q(texts.about_version));
  label3_->setText(Q(texts.about_text));
  label4_->setText(Q(texts.about_author));
  image_->setAccessibleName(Q(texts.logo_name));
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    VHSBtn1Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void AboutWindow::SetRu() { ApplyTexts(TextsFor(Language::kRu)); }
void AboutWindow::SetEn() { ApplyTexts(TextsFor(Language::kEn)); }

void AboutWindow::Label6Click() { QDesktopServices::openUrl(QUrl(Q(kHomePage))); }

}  // namespace brelvik
