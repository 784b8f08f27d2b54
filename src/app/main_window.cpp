// The main window and the run of a load.
#include "app/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleFactory>

#include "app/message_box.h"
#include "outputs/channel_id_map.h"
#include "support/text.h"

namespace brelvik {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Keeps the selector's edit field from drawing a caret: it may hold the focus,
// but it never blinks.
class NoCaretStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_TextCursorWidth) return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

QFrame* MakeBevel(QWidget* parent, const QRect& place, bool line) {
  auto* frame = new QFrame(parent);
  frame->setFrameShape(line ? QFrame::HLine : QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(place);
  frame->lower();
  return frame;
}

bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
      return true;
    default:
      return false;
  }
}

}  // namespace

MainWindow::MainWindow(AppSettings settings, QWidget* parent)
    : QWidget(parent), settings_(std::move(settings)), http_(settings_.http_limits), runner_(this) {
  setObjectName("Form1");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle("Brelvik");
  setWindowIcon(QIcon(":/brelvik.png"));
  setFixedSize(561, 279);
  move(249, 179);
  QFont font;
  font.setFamilies({"MS Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
  font.setPixelSize(11);
  setFont(font);
  QPalette pal = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::WindowText, QColor(kTextColor));
    pal.setColor(group, QPalette::ButtonText, QColor(kTextColor));
  }
  setPalette(pal);

  BuildControls();
  connect(&runner_, &LoadRunner::Finished, this, &MainWindow::FinishLoad);

  // FormCreate.
  site_label_.clear();
  QApplication::clipboard()->clear();
  RefreshBufferLabel();
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  model_->SetEditable(false);
  ApplyTexts(Texts());
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

const UiTexts& MainWindow::Texts() const {
  return TextsFor(LanguageFromCode(language_code_.toStdString()));
}

HoverButton* MainWindow::MakeButton(const char* name, const QRect& place, QRgb leave_color,
                                    QRgb enter_color) {
  auto* button = new HoverButton(this);
  button->setObjectName(name);
  button->setGeometry(place);
  button->SetTextColor(QColor(leave_color));
  connect(button, &HoverButton::MouseEntered, button,
          [button, enter_color] { button->SetTextColor(QColor(enter_color)); });
  connect(button, &HoverButton::MouseLeft, button,
          [button, leave_color] { button->SetTextColor(QColor(leave_color)); });
  return button;
}

void MainWindow::BuildControls() {
  model_ = new ChannelModel(this);
  grid_ = new QTableView(this);
  grid_->setObjectName("Grid1");
  grid_->setGeometry(0, 0, 361, 241);
  grid_->setModel(model_);
  grid_->setFrameShape(QFrame::Box);
  grid_->verticalHeader()->setVisible(false);
  grid_->verticalHeader()->setDefaultSectionSize(17);
  grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  grid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
  grid_->setColumnWidth(1, 130);
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->setTabKeyNavigation(true);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setContextMenuPolicy(Qt::NoContextMenu);
  QPalette grid_palette = grid_->palette();
  grid_palette.setColor(QPalette::Base, Qt::white);
  grid_palette.setColor(QPalette::Text, QColor(kTextColor));
  grid_->setPalette(grid_palette);

  MakeBevel(this, QRect(372, 4, 185, 23), false);
  label_prov_ = new QLabel(this);
  label_prov_->setObjectName("Label_prov");
  label_prov_->move(376, 9);

  combo_ = new QComboBox(this);
  combo_->setObjectName("Combo1");
  combo_->setGeometry(443, 9, 110, 16);
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setFrame(false);
  combo_->setMaxVisibleItems(6);
  combo_->setCompleter(nullptr);
  auto* no_caret = new NoCaretStyle(QStyleFactory::create("Fusion"));
  no_caret->setParent(combo_);
  combo_->lineEdit()->setStyle(no_caret);
  for (const Provider& p : Providers()) combo_->addItem(Q(p.site_name));
  combo_->setCurrentIndex(-1);
  combo_->setEditText(QString());
  connect(combo_, &QComboBox::editTextChanged, this, [this] { Combo1Change(); });

  btn_start_ = MakeButton("BTN_Start", {376, 30, 177, 19}, kTextColor, kHoverColor);
  btn_start_->setEnabled(false);
  connect(btn_start_, &HoverButton::clicked, this, &MainWindow::BTN_StartClick);
  progress_ = new ProgressStrip(this);
  progress_->setObjectName("Panel_Progress");
  progress_->setGeometry(384, 36, 161, 8);
  progress_->hide();

  btn_search_ = MakeButton("BTN_Search", {376, 53, 177, 19}, kTextColor, kHoverColor);
  MakeBevel(this, QRect(376, 76, 177, 2), true);
  btn_save_ = MakeButton("BTN_SaveToFile", {376, 82, 177, 19}, kTextColor, kHoverColor);
  btn_copy_name_ = MakeButton("BTN_CopyName", {376, 104, 177, 19}, kTextColor, kHoverColor);
  btn_copy_code_ = MakeButton("BTN_CopyCod", {376, 126, 177, 19}, kTextColor, kHoverColor);
  btn_copy_hash_ = MakeButton("BTN_CopyHash", {376, 148, 177, 19}, kTextColor, kHoverColor);
  btn_create_ = MakeButton("BTN_Create", {376, 170, 177, 19}, kTextColor, kHoverColor);
  MakeBevel(this, QRect(376, 195, 177, 2), true);
  btn_channel_id_ = MakeButton("BTN_ChannelID", {376, 201, 177, 19}, kTextColor, kHoverColor);
  // The copy buttons show the current channel's name as their hint.
  for (HoverButton* b : {btn_copy_name_, btn_copy_code_, btn_copy_hash_, btn_create_, btn_channel_id_}) {
    connect(b, &HoverButton::MouseEntered, this, [this, b] {
      const QModelIndex current = grid_->currentIndex();
      b->setToolTip(current.isValid() ? model_->index(current.row(), 0).data().toString()
                                      : QString());
    });
  }
  MakeBevel(this, QRect(376, 225, 177, 2), true);
  btn9_ = MakeButton("Btn9", {377, 231, 90, 19}, kMaroonColor, kRedColor);
  connect(btn9_, &HoverButton::clicked, this, &MainWindow::Btn9Click);
  btn6_ = MakeButton("Btn6", {470, 231, 84, 19}, kTextColor, kHoverColor);
  vhs_btn1_ = MakeButton("VHSBtn1", {377, 255, 90, 20}, kTextColor, kHoverColor);
  vhs_btn1_->setEnabled(false);
  connect(vhs_btn1_, &HoverButton::clicked, this, &MainWindow::VHSBtn1Click);
  btn7_ = MakeButton("Btn7", {470, 255, 84, 20}, kMaroonColor, kRedColor);
  connect(btn7_, &HoverButton::clicked, this, &MainWindow::Btn7Click);

  MakeBevel(this, QRect(3, 254, 366, 22), false);
  label1_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label1_->move(7, 258);
  label1_->setEnabled(false);
  label2_ = new QLabel(this);
  label2_->setObjectName("Label2");
  label2_->setGeometry(49, 258, 317, 14);
  QPalette blue = label2_->palette();
  blue.setColor(QPalette::WindowText, QColor(kHoverColor));
  label2_->setPalette(blue);

  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  auto add = [this](const char* name) {
    QAction* action = popup_->addAction(QString());
    action->setObjectName(name);
    return action;
  };
  n1_ = add("N1");
  n2_ = add("N2");
  n3_ = add("N3");
  md51_ = add("MD51");
  m3u1_ = add("M3U1");
  popup_->addSeparator();
  channelid1_ = add("channelid1");
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popup_->popup(grid_->viewport()->mapToGlobal(pos)); });

  BTNS_Disable();
}

void MainWindow::ApplyTexts(const UiTexts& texts) {
  setWindowTitle(Q(texts.app_title) + title_site_);
  model_->SetColumnTitles(Q(texts.name_column), Q(texts.code_column));
  label1_->setText(Q(texts.buffer_label));
  label1_->adjustSize();
  label_prov_->setText(Q(texts.provider_label));
  label_prov_->adjustSize();
  if (!runner_.Running()) btn_start_->setText(Q(texts.load_button));
  else saved_start_caption_ = Q(texts.load_button);
  btn_search_->setText(Q(texts.search_button));
  btn6_->setText(Q(texts.about_button));
  btn9_->setText(Q(texts.language_button));
  btn7_->setText(Q(texts.exit_button));
  vhs_btn1_->setText(Q(texts.clear_buffer));
  btn_save_->setText(Q(texts.save_list));
  n1_->setText(Q(texts.save_list));
  btn_copy_name_->setText(Q(texts.copy_name));
  n2_->setText(Q(texts.copy_name));
  btn_copy_code_->setText(Q(texts.copy_code));
  n3_->setText(Q(texts.copy_code));
  btn_copy_hash_->setText(Q(texts.copy_hash));
  md51_->setText(Q(texts.copy_hash));
  btn_create_->setText(Q(texts.create_m3u));
  m3u1_->setText(Q(texts.create_m3u));
  btn_channel_id_->setText(Q(texts.create_channel_id));
  channelid1_->setText(Q(texts.create_channel_id));
}

void MainWindow::SetRu() { ApplyTexts(TextsFor(Language::kRu)); }
void MainWindow::SetEn() { ApplyTexts(TextsFor(Language::kEn)); }

void MainWindow::Btn9Click() {
  if (language_code_ != "EN") {
    SetEn();
    language_code_ = "EN";
  } else {
    SetRu();
    language_code_ = "RU";
  }
}

void MainWindow::RefreshBufferLabel() {
  const QString text = QApplication::clipboard()->text();
  label2_->setText(text);
  if (!text.isEmpty()) {
    vhs_btn1_->setEnabled(true);
    label1_->setEnabled(true);
  }
}

void MainWindow::FormActivate() {
  const bool has_text = !QApplication::clipboard()->text().isEmpty();
  vhs_btn1_->setEnabled(has_text);
  label1_->setEnabled(has_text);
  if (language_code_ == "RU") SetRu();
  else SetEn();
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) {
    RefreshBufferLabel();
    if (isActiveWindow()) FormActivate();
  }
  QWidget::changeEvent(event);
}

void MainWindow::BTNS_Enable() {
  for (QWidget* b : std::initializer_list<QWidget*>{btn_save_, btn_copy_name_, btn_copy_code_,
                                                    btn_copy_hash_, btn_create_, btn_channel_id_,
                                                    btn_search_}) {
    b->setEnabled(true);
  }
}

void MainWindow::BTNS_Disable() {
  for (QWidget* b : std::initializer_list<QWidget*>{btn_save_, btn_copy_name_, btn_copy_code_,
                                                    btn_copy_hash_, btn_create_, btn_channel_id_,
                                                    btn_search_}) {
    b->setEnabled(false);
  }
}

void MainWindow::AttachPopupMenu(bool attach) {
  popup_attached_ = attach;
  grid_->setContextMenuPolicy(attach ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

int MainWindow::SelectedProviderIndex() const {
  // An item counts as chosen only while the selector shows its text; a text of
  // the user's own selects nothing.
  const int index = combo_->currentIndex();
  if (index >= 0 && combo_->itemText(index) == combo_->currentText()) return index;
  return combo_->findText(combo_->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void MainWindow::Combo1Change() {
  model_->Clear();
  BTNS_Disable();
  grid_->setFocus();
  const QByteArray text = combo_->currentText().toUtf8();
  btn_start_->setEnabled(!Trim(std::string_view(text.constData(), text.size())).empty());
  title_site_.clear();
  setWindowTitle(Q(Texts().app_title));
  VHSBtn1Click();  // whether or not the button is enabled
  AttachPopupMenu(false);
}

void MainWindow::VHSBtn1Click() {
  QApplication::clipboard()->clear();
  label2_->clear();
  label2_->setToolTip(QString());
  vhs_btn1_->setEnabled(false);
  label1_->setEnabled(false);
}

void MainWindow::BTN_StartClick() {
  const int index = SelectedProviderIndex();
  if (index >= 0 && index < static_cast<int>(kProviderCount)) {
    RunLoader(Providers()[static_cast<std::size_t>(index)]);
  } else {
    MessageBoxes::Show(this, QMessageBox::NoIcon, QApplication::applicationName(),
                       Q(Texts().no_provider));
  }
  AttachPopupMenu(true);
}

void MainWindow::RunLoader(const Provider& provider) {
  // O1 to O3.
  title_site_.clear();
  setWindowTitle(Q(Texts().app_title));
  if (model_->rowCount() > 0) model_->Clear();
  list_file_name_ = Q(provider.list_file);
  site_label_ = Q(SiteLabelOf(provider, settings_.sites));
  // O4: the strip over the start button, animated on this thread while the
  // load itself runs on a worker.
  progress_->show();
  progress_->raise();
  progress_->Start();
  // O6.
  saved_start_caption_ = btn_start_->text();
  btn_start_->setText(QString());
  btn_start_->repaint();
  // O7.
  grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  model_->SetEditable(true);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);

  LoadOptions options;
  options.probe_limits = settings_.probe_limits;
  runner_.Start(provider, http_, settings_.sites, options);
}

void MainWindow::RestoreAfterLoad(const QString& saved_caption) {
  progress_->Stop();
  progress_->hide();
  btn_start_->setText(saved_caption);
  QApplication::restoreOverrideCursor();
}

void MainWindow::NoConnect(const QString& saved_caption) {
  const UiTexts& texts = Texts();
  MessageBoxes::Show(this, QMessageBox::Information, Q(texts.message_caption),
                     Q(texts.no_connect));
  RestoreAfterLoad(saved_caption);
}

void MainWindow::FinishLoad(const LoadResult& result) {
  qApp->removeEventFilter(this);
  switch (result.status) {
    case LoadStatus::kNoConnect:
      progress_->Stop();
      NoConnect(saved_start_caption_);
      break;
    case LoadStatus::kFailed:
    case LoadStatus::kCancelled:
      RestoreAfterLoad(saved_start_caption_);
      MessageBoxes::Show(this, QMessageBox::Critical, QApplication::applicationName(),
                         Q(result.error));
      break;
    case LoadStatus::kLoaded: {
      model_->Assign(result.rows);
      // C2, C3.
      if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, 0));
      grid_->horizontalHeader()->setSortIndicatorShown(true);
      grid_->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
      // C4, C5.
      RestoreAfterLoad(saved_start_caption_);
      // C6 to C9.
      channel_list_text_ = CreateList(model_->Table().Rows());
      title_site_ = site_label_;
      setWindowTitle(Q(Texts().app_title) + title_site_);
      grid_->setFocus();
      BTNS_Enable();
      for (const std::string& warning : result.warnings) {
        MessageBoxes::Show(this, QMessageBox::Critical, Q(Texts().message_caption), Q(warning));
      }
      break;
    }
  }
  emit LoadEnded();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a load runs the window takes no input; closing it is still allowed.
  if (runner_.Running() && IsInputEvent(event->type())) return true;
  return QWidget::eventFilter(watched, event);
}

void MainWindow::Btn7Click() { close(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  if (runner_.Running()) {
    if (!runner_.CancelAndWait(std::chrono::milliseconds(900))) {
      // The worker is stuck in a system call that ignores cancellation; the
      // program ends anyway rather than keep the user waiting.
      std::_Exit(0);
    }
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }
  event->accept();
}

}  // namespace brelvik
