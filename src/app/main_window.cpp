// The main window and the run of a load.
#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QStyleFactory>
#include <QToolTip>

#include "app/clipboard.h"
#include "app/interface_font.h"
#include "app/message_box.h"
#include "app/playlist_match_window.h"
#include "app/qt_translations.h"
#include "loaders/empty_list.h"
#include "outputs/channel_id_map.h"
#include "outputs/channel_search.h"
#include "outputs/list_export.h"
#include "matching/match_outputs.h"
#include "outputs/m3u_line.h"
#include "support/text.h"

// The program's pictures live in a static library, whose resources Qt does
// not register by itself.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace brelvik {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string U(const QString& text) { return text.toUtf8().toStdString(); }

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

// Tab in a name being edited saves it and leaves the grid, as Tab does
// outside the editor: the grid has no Tab navigation between its cells.
class TabLeavesGridDelegate : public QStyledItemDelegate {
 public:
  explicit TabLeavesGridDelegate(QAbstractItemView* view)
      : QStyledItemDelegate(view), view_(view) {}

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
      if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
        // The grid has the focus again; the same key moves it on.
        QKeyEvent again(QEvent::KeyPress, key->key(), key->modifiers());
        QCoreApplication::sendEvent(view_, &again);
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  QAbstractItemView* view_;
};

QString KeyText(const QKeySequence& key) { return key.toString(QKeySequence::NativeText); }

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
  InitResources();
  setObjectName("Form1");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowTitle("Brelvik");
  // The installed theme icon brings every size; the built-in one is the fallback.
  setWindowIcon(QIcon::fromTheme("brelvik", QIcon(":/brelvik.png")));
  setFixedSize(561, 279);
  move(249, 179);
  setFont(InterfaceFont());
  QPalette pal = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::WindowText, QColor(kTextColor));
    pal.setColor(group, QPalette::ButtonText, QColor(kTextColor));
  }
  setPalette(pal);

  BuildControls();
  BuildPanels();
  SetUpKeyboard();
  about_ = new AboutWindow(this);
  connect(btn6_, &HoverButton::clicked, this, &MainWindow::Btn6Click);
  connect(&runner_, &LoadRunner::Finished, this, &MainWindow::FinishLoad);

  // FormCreate.
  site_label_.clear();
  EmptyClipboard();
  RefreshBufferLabel();
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  model_->SetEditable(false);
  SetRu();
  // The first step is choosing a provider.
  combo_->setFocus();
  // Blocks input during loads and keeps hints on screen for five seconds.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

const UiTexts& MainWindow::Texts() const {
  return TextsFor(LanguageFromCode(language_code_.toStdString()));
}

QString MainWindow::FailureMessage(const Failure& failure) const {
  return Q(FailureText(failure, LanguageFromCode(language_code_.toStdString())));
}

HoverButton* MainWindow::MakeButton(QWidget* parent, const char* name, const QRect& place,
                                    QRgb leave_color, QRgb enter_color) {
  auto* button = new HoverButton(parent);
  button->setObjectName(name);
  button->setGeometry(place);
  button->SetHoverColors(QColor(leave_color), QColor(enter_color));
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
  grid_->setTabKeyNavigation(false);
  grid_->setItemDelegate(new TabLeavesGridDelegate(grid_));
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setContextMenuPolicy(Qt::NoContextMenu);
  QPalette grid_palette = grid_->palette();
  grid_palette.setColor(QPalette::Base, Qt::white);
  grid_palette.setColor(QPalette::Text, QColor(kTextColor));
  // Selected cells: a pale blue-grey background with pure blue text.
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    grid_palette.setColor(group, QPalette::Highlight, QColor(kSelectedCellColor));
    grid_palette.setColor(group, QPalette::HighlightedText, QColor(kHoverColor));
  }
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
  // The selector's field has the button face, not the white of an edit field.
  QPalette face = combo_->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    face.setColor(group, QPalette::Base, face.color(group, QPalette::Button));
  }
  combo_->setPalette(face);
  auto* no_caret = new NoCaretStyle(QStyleFactory::create("Fusion"));
  no_caret->setParent(combo_);
  combo_->lineEdit()->setStyle(no_caret);
  for (const Provider& p : Providers()) combo_->addItem(Q(p.site_name));
  combo_->setCurrentIndex(-1);
  combo_->setEditText(QString());
  connect(combo_, &QComboBox::editTextChanged, this, [this] { Combo1Change(); });
  label_prov_->setBuddy(combo_);
  // The selector draws no frame and no caret: a dotted frame shows its focus.
  new FocusFrame(combo_, QColor(kHoverColor), 1);

  btn_start_ = MakeButton(this, "BTN_Start", {376, 30, 177, 19}, kTextColor, kHoverColor);
  btn_start_->setEnabled(false);
  connect(btn_start_, &HoverButton::clicked, this, &MainWindow::BTN_StartClick);
  progress_ = new ProgressStrip(this);
  progress_->setObjectName("Panel_Progress");
  progress_->setGeometry(384, 36, 161, 8);
  progress_->hide();

  btn_search_ = MakeButton(this, "BTN_Search", {376, 53, 177, 19}, kTextColor, kHoverColor);
  MakeBevel(this, QRect(376, 76, 177, 2), true);
  btn_save_ = MakeButton(this, "BTN_SaveToFile", {376, 82, 177, 19}, kTextColor, kHoverColor);
  btn_copy_name_ = MakeButton(this, "BTN_CopyName", {376, 104, 177, 19}, kTextColor, kHoverColor);
  btn_copy_code_ = MakeButton(this, "BTN_CopyCod", {376, 126, 177, 19}, kTextColor, kHoverColor);
  btn_copy_hash_ = MakeButton(this, "BTN_CopyHash", {376, 148, 177, 19}, kTextColor, kHoverColor);
  btn_create_ = MakeButton(this, "BTN_Create", {376, 170, 177, 19}, kTextColor, kHoverColor);
  MakeBevel(this, QRect(376, 195, 177, 2), true);
  btn_channel_id_ = MakeButton(this, "BTN_ChannelID", {376, 201, 177, 19}, kTextColor, kHoverColor);
  // The copy buttons show the current channel's name as their hint.
  for (HoverButton* b : {btn_copy_name_, btn_copy_code_, btn_copy_hash_, btn_create_, btn_channel_id_}) {
    connect(b, &HoverButton::MouseEntered, this, [this, b] {
      const QModelIndex current = grid_->currentIndex();
      const QString name =
          current.isValid() ? model_->index(current.row(), 0).data().toString() : QString();
      const QString keys = key_hints_.value(b);
      b->setToolTip(name.isEmpty() ? keys : name + "\n" + keys);
    });
  }
  MakeBevel(this, QRect(376, 225, 177, 2), true);
  btn9_ = MakeButton(this, "Btn9", {377, 231, 90, 19}, kMaroonColor, kRedColor);
  connect(btn9_, &HoverButton::clicked, this, &MainWindow::Btn9Click);
  btn6_ = MakeButton(this, "Btn6", {470, 231, 84, 19}, kTextColor, kHoverColor);
  vhs_btn1_ = MakeButton(this, "VHSBtn1", {377, 255, 90, 20}, kTextColor, kHoverColor);
  vhs_btn1_->setEnabled(false);
  connect(vhs_btn1_, &HoverButton::clicked, this, &MainWindow::VHSBtn1Click);
  btn7_ = MakeButton(this, "Btn7", {470, 255, 84, 20}, kMaroonColor, kRedColor);
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
  search1_ = add("search1");
  popup_->addSeparator();
  n1_ = add("N1");
  n2_ = add("N2");
  n3_ = add("N3");
  md51_ = add("MD51");
  m3u1_ = add("M3U1");
  popup_->addSeparator();
  channelid1_ = add("channelid1");
  popup_->addSeparator();
  match1_ = add("match1");
  match1_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  match1_->setEnabled(false);
  // The window carries the action too, so its shortcut works without the menu.
  addAction(match1_);
  connect(match1_, &QAction::triggered, this, &MainWindow::Match1Click);
  connect(grid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popup_->popup(grid_->viewport()->mapToGlobal(pos)); });

  BTNS_Disable();
}

HoverButton* MainWindow::MakePanelButton(QWidget* parent, const char* name, const QRect& place) {
  // Under the mouse blue; otherwise the colour of an active window's caption.
  const QRgb caption = QApplication::palette().color(QPalette::Active, QPalette::Highlight).rgb();
  return MakeButton(parent, name, place, caption, kHoverColor);
}

QCheckBox* MainWindow::MakeCheckBox(QWidget* parent, const char* name, const QRect& place) {
  auto* box = new QCheckBox(parent);
  box->setObjectName(name);
  box->setGeometry(place);
  return box;
}

void MainWindow::BuildPanels() {
  // Save options of the channel_id file.
  speed_form1_ = new DialogPanel("SpeedForm1", {321, 170}, DialogPanel::Border::kToolWindow, this);
  speed_form1_->SetCentredOnOwner(true);
  QWidget* c1 = speed_form1_->Content();
  cbox1_ = MakeCheckBox(c1, "CBox1", {12, 10, 290, 18});
  cbox2_ = MakeCheckBox(c1, "CBox2", {28, 32, 274, 18});
  checkbox1_ = MakeCheckBox(c1, "CheckBox1", {28, 54, 274, 18});
  cbox3_ = MakeCheckBox(c1, "CBox3", {28, 76, 274, 18});
  for (QCheckBox* box : {cbox2_, checkbox1_, cbox3_}) box->setEnabled(false);
  vhs_btn2_ = MakePanelButton(c1, "VHSBtn2", {64, 110, 84, 22});
  vhs_btn3_ = MakePanelButton(c1, "VHSBtn3", {165, 110, 84, 22});

  // Options of the hash copy.
  speed_form2_ = new DialogPanel("SpeedForm2", {322, 141}, DialogPanel::Border::kSingle, this);
  QWidget* c2 = speed_form2_->Content();
  cbox4_ = MakeCheckBox(c2, "CBox4", {12, 12, 296, 18});
  cbox5_ = MakeCheckBox(c2, "CBox5", {12, 36, 296, 18});
  vhs_btn4_ = MakePanelButton(c2, "VHSBtn4", {64, 80, 84, 22});
  vhs_btn5_ = MakePanelButton(c2, "VHSBtn5", {165, 80, 84, 22});

  // Search.
  speed_form3_ = new DialogPanel("SpeedForm3", {256, 135}, DialogPanel::Border::kSingle, this);
  QWidget* c3 = speed_form3_->Content();
  label3_ = new QLabel(c3);
  label3_->setObjectName("Label3");
  label3_->setGeometry(10, 6, 228, 14);
  label4_ = new QLabel(c3);
  label4_->setObjectName("Label4");
  label4_->setGeometry(10, 20, 228, 14);
  edit1_ = new QLineEdit(c3);
  edit1_->setObjectName("Edit1");
  edit1_->setGeometry(10, 38, 228, 20);
  QPalette blue = edit1_->palette();
  blue.setColor(QPalette::Text, QColor(kHoverColor));
  edit1_->setPalette(blue);
  checkbox2_ = MakeCheckBox(c3, "CheckBox2", {10, 62, 228, 18});
  vhs_btn6_ = MakePanelButton(c3, "VHSBtn6", {30, 84, 84, 20});
  vhs_btn7_ = MakePanelButton(c3, "VHSBtn7", {134, 84, 84, 20});
  speed_form3_->SetActiveControl(edit1_);

  connect(vhs_btn3_, &HoverButton::clicked, speed_form1_, &DialogPanel::Hide);
  connect(vhs_btn5_, &HoverButton::clicked, speed_form2_, &DialogPanel::Hide);
  connect(speed_form1_, &DialogPanel::Shown, this, &MainWindow::SpeedForm1Show);
  connect(cbox1_, &QCheckBox::toggled, this, &MainWindow::CBox1Click);
  connect(vhs_btn2_, &HoverButton::clicked, this, &MainWindow::VHSBtn2Click);
  connect(vhs_btn4_, &HoverButton::clicked, this, &MainWindow::VHSBtn4Click);
  connect(speed_form3_, &DialogPanel::Shown, this, &MainWindow::SpeedForm3Show);
  connect(speed_form3_, &DialogPanel::Hidden, this, &MainWindow::SpeedForm3Hide);
  connect(vhs_btn6_, &HoverButton::clicked, this, &MainWindow::VHSBtn6Click);
  connect(vhs_btn7_, &HoverButton::clicked, this, &MainWindow::VHSBtn7Click);
  connect(checkbox2_, &QCheckBox::toggled, this, &MainWindow::CheckBox2Click);

  for (auto [button, action, handler] :
       {std::tuple{btn_save_, n1_, &MainWindow::BTN_SaveToFileClick},
        std::tuple{btn_copy_name_, n2_, &MainWindow::BTN_CopyNameClick},
        std::tuple{btn_copy_code_, n3_, &MainWindow::BTN_CopyCodeClick},
        std::tuple{btn_copy_hash_, md51_, &MainWindow::BTN_CopyHashClick},
        std::tuple{btn_create_, m3u1_, &MainWindow::BTN_CreateClick},
        std::tuple{btn_channel_id_, channelid1_, &MainWindow::BTN_ChannelIDClick}}) {
    connect(button, &HoverButton::clicked, this, handler);
    connect(action, &QAction::triggered, this, handler);
  }
  connect(btn_search_, &HoverButton::clicked, this, &MainWindow::BTN_SearchClick);
  connect(search1_, &QAction::triggered, this, &MainWindow::BTN_SearchClick);
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &MainWindow::Grid1TitleBtnClick);
  connect(model_, &ChannelModel::NamePosted, this, &MainWindow::MT1AfterPost);
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
  match1_->setText(Q(texts.match_playlist));
  search1_->setText(Q(texts.search_button));

  speed_form1_->SetCaption(Q(texts.save_options_title));
  speed_form2_->SetCaption(Q(texts.hash_options_title));
  speed_form3_->SetCaption(Q(texts.search_title));
  checkbox2_->setText(Q(texts.match_case));
  label3_->setText(Q(texts.search_text_1));
  label4_->setText(Q(texts.search_text_2));
  cbox1_->setText(Q(texts.keep_edited_names));
  cbox2_->setText(Q(texts.remove_hyphen));
  cbox5_->setText(Q(texts.remove_hyphen));
  cbox3_->setText(Q(texts.lower_russian));
  cbox4_->setText(Q(texts.lower_russian));
  checkbox1_->setText(Q(texts.remove_dot));
  for (HoverButton* b : {vhs_btn2_, vhs_btn4_, vhs_btn6_}) b->setText(Q(texts.ok));
  for (HoverButton* b : {vhs_btn3_, vhs_btn5_, vhs_btn7_}) b->setText(Q(texts.cancel));
  list_filter_ = Q(texts.list_filter);

  // The buffer label's hint: the current channel and the hash options.
  const QModelIndex current = grid_->currentIndex();
  const QString channel =
      current.isValid() ? model_->index(current.row(), 0).data().toString() : QString();
  const auto yes_no = [](const QCheckBox* box) { return box->isChecked() ? "Yes" : "No"; };
  label2_hint_ = Q(texts.hint_header) + channel + "\r\n" + Q(texts.hint_lower) + yes_no(cbox4_) +
                 "\r\n" + Q(texts.hint_hyphen) + yes_no(cbox5_);
  label2_->setToolTip(label2_shows_hint_ ? label2_hint_ : QString());
  ApplyKeyTexts(texts);
}

void MainWindow::SetUpKeyboard() {
  // Keys of the commands. None is one the grid or its editor uses: F2,
  // Enter, Escape, the arrows, letters, Ctrl+C, Ctrl+V, Ctrl+A, Ctrl+Z.
  const std::pair<HoverButton*, QKeySequence> keys[] = {
      {btn_start_, QKeySequence(Qt::Key_F5)},
      {btn_search_, QKeySequence(Qt::CTRL | Qt::Key_F)},
      {btn_save_, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {btn_copy_name_, QKeySequence(Qt::CTRL | Qt::Key_1)},
      {btn_copy_code_, QKeySequence(Qt::CTRL | Qt::Key_2)},
      {btn_copy_hash_, QKeySequence(Qt::CTRL | Qt::Key_3)},
      {btn_create_, QKeySequence(Qt::CTRL | Qt::Key_4)},
      {btn_channel_id_, QKeySequence(Qt::CTRL | Qt::Key_I)},
      {btn9_, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)},
      {btn6_, QKeySequence(Qt::Key_F1)},
      {vhs_btn1_, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete)},
  };
  // The search panel stays open beside the grid, so the window's keys work
  // in it too: search, then copy what was found.
  QWidget* search_panel = speed_form3_->Content();
  const auto add_key = [this, search_panel](const QKeySequence& key) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    addAction(action);
    search_panel->addAction(action);
    return action;
  };
  for (const auto& [button, key] : keys) {
    // Pressing the button, which does nothing while it is disabled.
    QAction* action = add_key(key);
    action->setObjectName(button->objectName() + "_Key");
    connect(action, &QAction::triggered, button, &QAbstractButton::animateClick);
    command_keys_.emplace_back(button, action);
  }
  load_key_ = add_key(QKeySequence(Qt::CTRL | Qt::Key_L));
  load_key_->setObjectName("BTN_Start_Key2");
  connect(load_key_, &QAction::triggered, btn_start_, &QAbstractButton::animateClick);
  search_next_key_ = add_key(QKeySequence(Qt::Key_F3));
  search_next_key_->setObjectName("SearchNext_Key");
  connect(search_next_key_, &QAction::triggered, this, &MainWindow::SearchNext);
  search_panel->addAction(match1_);

  // The menu shows the buttons' keys beside its items; the window's actions
  // take the keys, so the items' own shortcuts never fire.
  for (const auto& [item, button] : {std::pair{search1_, btn_search_}, {n1_, btn_save_},
                                     {n2_, btn_copy_name_}, {n3_, btn_copy_code_},
                                     {md51_, btn_copy_hash_}, {m3u1_, btn_create_},
                                     {channelid1_, btn_channel_id_}}) {
    item->setShortcut(KeyOf(button));
  }
  for (QAction* item : popup_->actions()) item->setShortcutVisibleInContextMenu(true);

  // Selector, load, grid, then the buttons' column top to bottom.
  QWidget* const order[] = {combo_,         btn_start_,      grid_,          btn_search_,
                            btn_save_,      btn_copy_name_,  btn_copy_code_, btn_copy_hash_,
                            btn_create_,    btn_channel_id_, btn9_,          btn6_,
                            vhs_btn1_,      btn7_};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

  speed_form1_->SetButtons(vhs_btn2_, vhs_btn3_);
  speed_form2_->SetButtons(vhs_btn4_, vhs_btn5_);
  speed_form3_->SetButtons(vhs_btn6_, vhs_btn7_);
}

QKeySequence MainWindow::KeyOf(HoverButton* button) const {
  for (const auto& [b, action] : command_keys_) {
    if (b == button) return action->shortcut();
  }
  return {};
}

QString MainWindow::KeyHint(HoverButton* button, const UiTexts& texts) const {
  QStringList keys{KeyText(KeyOf(button))};
  if (button == btn_start_) keys << KeyText(load_key_->shortcut());
  if (button == btn_search_) keys << KeyText(search_next_key_->shortcut());
  return Q(keys.size() > 1 ? texts.keys_many : texts.key_one) + keys.join(", ");
}

void MainWindow::ApplyKeyTexts(const UiTexts& texts) {
  // The buttons draw their captions themselves, and the load button's is
  // blank during a load: their names for assistive technology are set here.
  const std::initializer_list<HoverButton*> copy_buttons = {
      btn_copy_name_, btn_copy_code_, btn_copy_hash_, btn_create_, btn_channel_id_};
  for (HoverButton* button : {btn_start_, btn_search_, btn_save_, btn_copy_name_, btn_copy_code_,
                              btn_copy_hash_, btn_create_, btn_channel_id_, btn9_, btn6_,
                              vhs_btn1_}) {
    const QString hint = KeyHint(button, texts);
    button->setAccessibleName(button == btn_start_ ? Q(texts.load_button) : button->text());
    button->setAccessibleDescription(hint);
    if (std::find(copy_buttons.begin(), copy_buttons.end(), button) != copy_buttons.end()) {
      key_hints_[button] = hint;
    } else {
      button->setToolTip(hint);
    }
  }
  btn7_->setAccessibleName(btn7_->text());
  const QString enter = Q(texts.key_one) + KeyText(QKeySequence(Qt::Key_Enter));
  const QString escape = Q(texts.key_one) + KeyText(QKeySequence(Qt::Key_Escape));
  for (HoverButton* b : {vhs_btn2_, vhs_btn4_, vhs_btn6_, vhs_btn3_, vhs_btn5_, vhs_btn7_}) {
    const bool ok = b == vhs_btn2_ || b == vhs_btn4_ || b == vhs_btn6_;
    b->setAccessibleName(b->text());
    b->setAccessibleDescription(ok ? enter : escape);
    b->setToolTip(ok ? enter : escape);
  }
  vhs_btn6_->setToolTip(enter + ", " + KeyText(search_next_key_->shortcut()));
  vhs_btn6_->setAccessibleDescription(vhs_btn6_->toolTip());

  combo_->setAccessibleName(Q(texts.provider_label));
  combo_->setAccessibleDescription(Q(texts.selector_description));
  grid_->setAccessibleName(Q(texts.grid_name));
  grid_->setAccessibleDescription(Q(texts.grid_description));
  label2_->setAccessibleDescription(Q(texts.buffer_name));
  progress_->setAccessibleName(Q(texts.progress_name));
  edit1_->setAccessibleName(Q(texts.search_text_1) + " " + Q(texts.search_text_2));
}

void MainWindow::ShowGridFocus() {
  // Blue, like a button under the mouse, while the grid or its editor has
  // the focus.
  const QWidget* focus = QApplication::focusWidget();
  const bool focused = focus && (focus == grid_ || grid_->isAncestorOf(focus));
  QPalette pal = grid_->palette();
  pal.setColor(QPalette::WindowText, QColor(focused ? kHoverColor : kTextColor));
  grid_->setPalette(pal);
  // Two pixels either way, so the rows do not move.
  grid_->setFrameShadow(focused ? QFrame::Plain : QFrame::Sunken);
  grid_->setLineWidth(focused ? 2 : 1);
}

// Qt's own texts (file dialogs, standard buttons) switch with the program's.
void MainWindow::SetRu() {
  UseQtTexts(Language::kRu);
  ApplyTexts(TextsFor(Language::kRu));
}

void MainWindow::SetEn() {
  UseQtTexts(Language::kEn);
  ApplyTexts(TextsFor(Language::kEn));
}

void MainWindow::Btn9Click() {
  if (language_code_ != "EN") {
    SetEn();
    about_->SetEn();
    if (match_window_) match_window_->SetEn();
    language_code_ = "EN";
  } else {
    SetRu();
    about_->SetRu();
    if (match_window_) match_window_->SetRu();
    language_code_ = "RU";
  }
}

void MainWindow::Btn6Click() {
  about_->show();
  about_->raise();
  about_->activateWindow();
}

void MainWindow::RefreshBufferLabel() {
  const QString text = ReadClipboardText();
  label2_->setText(text);
  if (!text.isEmpty()) {
    vhs_btn1_->setEnabled(true);
    label1_->setEnabled(true);
  }
}

void MainWindow::FormActivate() {
  const bool has_text = !ReadClipboardText().isEmpty();
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
  provider_key_.clear();
  match1_->setEnabled(false);
  emit RowsReplaced();
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
  EmptyClipboard();
  label2_->clear();
  label2_hint_.clear();
  label2_shows_hint_ = false;
  label2_->setToolTip(QString());
  vhs_btn1_->setEnabled(false);
  label1_->setEnabled(false);
}

void MainWindow::Load_vsetv() { RunLoader(*FindProvider("vsetv")); }
void MainWindow::Load_teleguide() { RunLoader(*FindProvider("teleguide")); }
void MainWindow::Load_akado() { RunLoader(*FindProvider("akado")); }
void MainWindow::Load_ntvplus() { RunLoader(*FindProvider("ntvplus")); }
void MainWindow::Load_idcmd() { RunLoader(*FindProvider("idcmd")); }
void MainWindow::Load_mailru() { RunLoader(*FindProvider("mailru")); }
void MainWindow::Load_smartlab() { RunLoader(*FindProvider("smartlab")); }
void MainWindow::Load_ontimetv() { RunLoader(*FindProvider("ontimetv")); }
void MainWindow::Load_tricolor() { RunLoader(*FindProvider("tricolor")); }
void MainWindow::Load_zakon() { RunLoader(*FindProvider("zakon")); }
void MainWindow::Load_stv() { RunLoader(*FindProvider("stv")); }
void MainWindow::Load_moyo() { RunLoader(*FindProvider("moyo")); }

void MainWindow::BTN_StartClick() {
  // The dispatch table: one loader per selector item, in selector order.
  static constexpr void (MainWindow::*kLoaders[kProviderCount])() = {
      &MainWindow::Load_vsetv,   &MainWindow::Load_teleguide, &MainWindow::Load_akado,
      &MainWindow::Load_ntvplus, &MainWindow::Load_idcmd,     &MainWindow::Load_mailru,
      &MainWindow::Load_smartlab, &MainWindow::Load_ontimetv, &MainWindow::Load_tricolor,
      &MainWindow::Load_zakon,   &MainWindow::Load_stv,       &MainWindow::Load_moyo};
  const int index = SelectedProviderIndex();
  if (index >= 0 && index < static_cast<int>(kProviderCount)) {
    (this->*kLoaders[index])();
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
  provider_key_.clear();
  loading_key_ = provider.key;
  match1_->setEnabled(false);
  emit RowsReplaced();
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

  LoadOptions options;
  options.probe_limits = settings_.probe_limits;
  runner_.Start(provider, http_, settings_.sites, options, SaveOptions());
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
  switch (result.status) {
    case LoadStatus::kNoConnect:
      progress_->Stop();
      NoConnect(saved_start_caption_);
      break;
    case LoadStatus::kFailed:
    case LoadStatus::kCancelled:
      RestoreAfterLoad(saved_start_caption_);
      MessageBoxes::Show(this, QMessageBox::Critical, QApplication::applicationName(),
                         FailureMessage(result.failure));
      break;
    case LoadStatus::kLoaded: {
      // A load shows its rows by name, ascending, whatever order was chosen
      // before; the worker has sorted them so and made the channel-id map.
      std::unique_ptr<FinishedList> list = runner_.TakeFinishedList();
      model_->TakeTable(std::move(list->table));
      provider_key_ = loading_key_;
      match1_->setEnabled(model_->rowCount() > 0);
      // C2, C3.
      if (model_->rowCount() > 0) grid_->setCurrentIndex(model_->index(0, 0));
      markers_[0] = SortMarker::kAscending;
      markers_[1] = SortMarker::kNone;
      grid_->horizontalHeader()->setSortIndicatorShown(true);
      grid_->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
      // C4, C5.
      RestoreAfterLoad(saved_start_caption_);
      // C6 to C9.
      channel_list_text_ = std::move(list->channel_list_text);
      channel_list_findings_ = std::move(list->findings);
      title_site_ = site_label_;
      setWindowTitle(Q(Texts().app_title) + title_site_);
      grid_->setFocus();
      BTNS_Enable();
      emit RowsReplaced();
      for (const Failure& warning : result.warnings) {
        MessageBoxes::Show(this, QMessageBox::Critical, Q(Texts().message_caption),
                           FailureMessage(warning));
      }
      if (result.empty_list != EmptyListCause::kNone) {
        MessageBoxes::Show(this, QMessageBox::Information, Q(Texts().message_caption),
                           Q(EmptyListMessage(result.empty_list, Texts())));
      }
      break;
    }
  }
  emit LoadEnded();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a load runs the window takes no input; closing it is still allowed.
  if (runner_.Running() && IsInputEvent(event->type())) return true;
  // A window of the program that closes while it has the keyboard (a panel,
  // a dialog, the About or the matching window) hands the keyboard to the
  // window it belongs to, as a window manager does; without one the keyboard
  // would be left with no window at all.
  const bool closing = event->type() == QEvent::Close || event->type() == QEvent::Hide;
  if (closing && watched->isWidgetType()) {
    auto* window = static_cast<QWidget*>(watched);
    QWidget* parent = window->parentWidget();
    if (window->isWindow() && parent && window->windowType() != Qt::Popup &&
        window->windowType() != Qt::ToolTip && QApplication::activeWindow() == window) {
      parent->window()->activateWindow();
    }
  }
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && (widget == grid_ || grid_->isAncestorOf(widget))) ShowGridFocus();
  }
  // Shift+F10 opens the grid's menu, as the menu key does.
  if (event->type() == QEvent::KeyPress && watched == grid_) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier &&
        grid_->contextMenuPolicy() == Qt::CustomContextMenu) {
      const QRect cell = grid_->visualRect(grid_->currentIndex());
      emit grid_->customContextMenuRequested(cell.isValid() ? cell.center() : QPoint(0, 0));
      return true;
    }
  }
  // Arrows on the closed selector open its list, so that they move in the
  // list and only Enter picks a provider (a choice sends the focus to the grid).
  if (event->type() == QEvent::KeyPress && (watched == combo_ || watched == combo_->lineEdit())) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                       key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
    if (plain && arrow) {
      combo_->showPopup();
      return true;
    }
  }
  if (event->type() == QEvent::ToolTip) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this && !widget->toolTip().isEmpty()) {
      const auto* help = static_cast<QHelpEvent*>(event);
      QToolTip::showText(help->globalPos(), widget->toolTip(), widget, {}, kHintShowMs);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::Btn7Click() { close(); }

void MainWindow::MT1AfterPost(int row) {
  // Qt keeps the cursor in the edited cell when Enter saves it (no move to the
  // next row to undo), so the cursor simply stays on the edited channel at
  // its new place in the order.
  SetCurrentRow(row);
}

int MainWindow::CurrentRow() const {
  const QModelIndex current = grid_->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void MainWindow::SetCurrentRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  const int column = std::max(grid_->currentIndex().column(), 0);
  grid_->setCurrentIndex(model_->index(row, column));
  grid_->scrollTo(model_->index(row, column));
}

QString MainWindow::CurrentText(int column) const {
  const int row = CurrentRow();
  return row < 0 ? QString() : model_->index(row, column).data().toString();
}

ChannelIdOptions MainWindow::SaveOptions() const {
  // Read as they stand, enabled or not.
  return {.remove_hyphen = cbox2_->isChecked(),
          .remove_dot = checkbox1_->isChecked(),
          .lower_russian = cbox3_->isChecked()};
}

void MainWindow::ShowError(const QString& text) {
  MessageBoxes::Show(this, QMessageBox::Critical, QApplication::applicationName(), text);
}

void MainWindow::BTN_ChannelIDClick() { speed_form1_->Show(); }

void MainWindow::SpeedForm1Show() {
  cbox1_->setChecked(false);
  cbox2_->setChecked(false);
  cbox3_->setChecked(false);
}

void MainWindow::CBox1Click() {
  const bool on = cbox1_->isChecked();
  for (QCheckBox* box : {cbox2_, cbox3_, checkbox1_}) box->setEnabled(on);
}

void MainWindow::VHSBtn2Click() {
  std::string text = channel_list_text_;
  ChannelIdFindings findings = channel_list_findings_;
  if (cbox1_->isChecked()) {
    text = CreateList(model_->Table().HashedRows(), SaveOptions());
    findings = CheckChannelIdList(model_->Table().HashedRows(), SaveOptions());
    SetCurrentRow(0);
  }
  try {
    SaveIDFile(text, findings);
  } catch (const std::exception&) {
    // The panel stays open so the user can pick another place.
    return;
  }
  speed_form1_->Hide();
}

void MainWindow::SaveIDFile(const std::string& text, const ChannelIdFindings& findings) {
  const std::optional<SaveAnswer> answer = FileDialogs::AskSave(this, "channels_id", {}, 0);
  if (!answer) return;
  const UiTexts& texts = Texts();
  try {
    SaveChannelIdFile(answer->path.toStdString(), text);
  } catch (const std::exception& e) {
    MessageBoxes::Show(this, QMessageBox::Critical, Q(texts.message_caption),
                       Q(texts.save_failed) + "\n" + FailureMessage(FailureOf(e)));
    throw;
  }
  MessageBoxes::Show(this, QMessageBox::Information, Q(texts.message_caption), Q(texts.save_done));
  if (findings.Empty()) return;
  // A few lines of each report in the box, every line in its details: a
  // list of hundreds never makes the box taller than the screen.
  QStringList reports, details;
  for (const FindingReport& report : DescribeChannelIdFindings(findings, texts)) {
    reports << Q(FindingReportText(report, texts, kFindingsShown));
    if (report.items.size() > kFindingsShown) {
      details << Q(FindingReportText(report, texts, report.items.size()));
    }
  }
  MessageBoxes::Show(this, QMessageBox::Information, Q(texts.message_caption),
                     reports.join("\n\n"), details.join("\n\n"));
}

void MainWindow::CopyToClipboard(const QString& text) {
  EmptyClipboard();
  CopyTextToClipboard(text);
  RefreshAfterCopy();
}

void MainWindow::RefreshAfterCopy() {
  const QString text = ReadClipboardText();
  label2_->setText(text);
  const QByteArray bytes = text.toUtf8();
  const bool has_text = !Trim(std::string_view(bytes.constData(), bytes.size())).empty();
  vhs_btn1_->setEnabled(has_text);
  label1_->setEnabled(has_text);
}

void MainWindow::BTN_CopyNameClick() { CopyToClipboard(CurrentText(0)); }

void MainWindow::BTN_CopyCodeClick() { CopyToClipboard(CurrentText(1)); }

void MainWindow::BTN_CreateClick() {
  CopyToClipboard(Q(M3uLine(U(site_label_), U(CurrentText(1)), U(CurrentText(0)))));
}

void MainWindow::BTN_CopyHashClick() { speed_form2_->Show(); }

void MainWindow::ChannelMD5() {
  const ChannelIdOptions options{.remove_hyphen = cbox5_->isChecked(),
                                 .lower_russian = cbox4_->isChecked()};
  CopyToClipboard(Q(ChannelHash(U(CurrentText(0)), options)));
}

void MainWindow::VHSBtn4Click() {
  ChannelMD5();
  label2_shows_hint_ = true;
  ApplyTexts(Texts());
  speed_form2_->Hide();
}

void MainWindow::BTN_SearchClick() {
  speed_form3_->Show();
  edit1_->setFocus();
}

void MainWindow::SearchNext() {
  if (!btn_search_->isEnabled()) return;
  const QByteArray text = edit1_->text().toUtf8();
  if (Trim(std::string_view(text.constData(), text.size())).empty()) {
    BTN_SearchClick();
    return;
  }
  VHSBtn6Click();
}

void MainWindow::SpeedForm3Show() { search_position_ = 0; }

void MainWindow::SpeedForm3Hide() {
  search_position_ = 0;
  SetCurrentRow(0);
}

void MainWindow::CheckBox2Click() {
  search_position_ = 0;
  SetCurrentRow(0);
}

void MainWindow::VHSBtn6Click() {
  const SearchStep step = SearchChannels(model_->Table(), U(edit1_->text()),
                                         checkbox2_->isChecked(), search_position_);
  search_position_ = step.next_position;
  if (step.current) SetCurrentRow(static_cast<int>(*step.current));
  if (step.show_message) {
    MessageBoxes::Show(this, QMessageBox::Information, Q(Texts().message_caption),
                       Q(Texts().nothing_more_found));
  }
}

void MainWindow::VHSBtn7Click() {
  edit1_->clear();
  checkbox2_->setChecked(false);
  speed_form3_->Hide();
}

void MainWindow::Grid1TitleBtnClick(int column) {
  if (column < 0 || column > 1) return;
  const std::string code = U(CurrentText(1));
  const bool had_row = CurrentRow() >= 0;
  const ChannelField field = column == 0 ? ChannelField::kName : ChannelField::kCode;
  model_->SetOrder(OrderForTitleClick(field, markers_[column]));
  if (had_row) {
    if (const auto row = model_->Table().LocateCodePrefix(code)) {
      SetCurrentRow(static_cast<int>(*row));
    }
  }
  markers_[column] = MarkerAfterTitleClick(markers_[column]);
  markers_[1 - column] = SortMarker::kNone;
  grid_->horizontalHeader()->setSortIndicatorShown(true);
  grid_->horizontalHeader()->setSortIndicator(
      column, markers_[column] == SortMarker::kAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void MainWindow::BTN_SaveToFileClick() {
  // "Name (*.ext)|*.ext|..." becomes one dialog filter per entry.
  QStringList filters;
  const QStringList parts = list_filter_.split('|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
  const std::optional<SaveAnswer> answer =
      FileDialogs::AskSave(this, list_file_name_, filters, list_filter_index_);
  if (!answer) return;
  list_filter_index_ = answer->filter_index;
  const ListFormat format = FormatForFilterIndex(answer->filter_index).value_or(ListFormat::kText);
  const Language language = LanguageFromCode(U(language_code_));
  const std::string path = WithExtension(answer->path.toStdString(), format);
  GuideExportReport report;
  try {
    report = ExportList(path, ListExportFor(model_->Table(), format, language, U(site_label_)));
  } catch (const std::exception& e) {
    ShowError(FailureMessage(FailureOf(e)));
    return;
  }
  if (const std::vector<std::string> notices = ExportNotices(report, language); !notices.empty()) {
    QStringList lines;
    for (const std::string& notice : notices) lines << Q(notice);
    QStringList shown = lines.mid(0, static_cast<qsizetype>(kFindingsShown));
    if (lines.size() > shown.size()) shown << QString("…");
    MessageBoxes::Show(this, QMessageBox::Information, Q(Texts().message_caption),
                       shown.join('\n'), lines.size() > shown.size() ? lines.join('\n') : QString());
  }
}

void MainWindow::Match1Click() {
  if (!match_window_) {
    match_window_ = new PlaylistMatchWindow(*this);
    connect(this, &MainWindow::RowsReplaced, match_window_, &PlaylistMatchWindow::TableReplaced);
  }
  match_window_->show();
  match_window_->raise();
  match_window_->activateWindow();
}

int MainWindow::ApplyMatchNames(const ChannelRows& matched, const MatchRun& run) {
  const MatchRun ordered = RunInOrder(run, matched, model_->Table().Listed());
  const std::string code = U(CurrentText(1));
  model_->ApplyMatches(ordered);
  // The cursor stays on its channel, wherever the new names put it.
  if (const auto row = model_->Table().LocateCodePrefix(code)) SetCurrentRow(static_cast<int>(*row));
  search_position_ = 0;
  return static_cast<int>(std::count_if(ordered.rows.begin(), ordered.rows.end(), [](const RowMatch& m) {
    return Accepted(m.status) && m.name;
  }));
}

bool MainWindow::RestoreProviderNames() {
  const std::string code = U(CurrentText(1));
  const bool restored = model_->RestoreProviderNames();
  if (const auto row = model_->Table().LocateCodePrefix(code)) SetCurrentRow(static_cast<int>(*row));
  search_position_ = 0;
  return restored;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (runner_.Running()) {
    if (!runner_.CancelAndWait(std::chrono::milliseconds(900))) {
      // The worker is stuck in a system call that ignores cancellation; the
      // program ends anyway rather than keep the user waiting.
      std::_Exit(0);
    }
    QApplication::restoreOverrideCursor();
  }
  event->accept();
}

}  // namespace brelvik
