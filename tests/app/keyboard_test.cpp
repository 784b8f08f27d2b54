// The program from the keyboard alone, in both languages: loading, searching,
// copying, the option panels, the tab order, the keys the menu and the hints
// show, names for assistive technology, and the matching window.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <iterator>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/playlist_match_window.h"
#include "outputs/channel_id_map.h"
#include "support/codepage.h"
#include "support/loopback_server.h"

// Failures print the texts, not their bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace brelvik {
namespace {

// Table order after the load: Discovery Channel, Eurosport 1, Eurosport 2,
// Sport-Mix, НТВ.
const char kPage[] =
    "<select><option value=channel_12>Eurosport 2</option>"
    "<option value=channel_4>НТВ</option><option value=channel_10>Discovery Channel</option>"
    "<option value=channel_13>Sport-Mix</option><option value=channel_11>Eurosport 1</option>"
    "</select>";

const char kPlaylist[] =
    "#EXTM3U\n#EXTINF:-1,Discovery Channel HD\nhttp://x/1\n#EXTINF:-1,RU: НТВ\nhttp://x/2\n";

// The main window's controls in tab order, once a list is loaded.
const QStringList kTabOrder = {"Combo1",         "BTN_Start",     "Grid1",       "BTN_Search",
                               "BTN_SaveToFile", "BTN_CopyName",  "BTN_CopyCod", "BTN_CopyHash",
                               "BTN_Create",     "BTN_ChannelID", "Btn9",        "Btn6",
                               "VHSBtn1",        "Btn7"};

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The widget a key reaches: the open popup's focus, else the focus widget.
QWidget* KeyTarget() {
  if (QWidget* popup = QApplication::activePopupWidget()) {
    return popup->focusWidget() ? popup->focusWidget() : popup;
  }
  return QApplication::focusWidget();
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = KeyTarget();
  ASSERT_NE(target, nullptr) << "no widget has the focus";
  QTest::keyClick(target, key, modifiers);
}

// The control that holds the focus: a selector rather than its edit field.
QWidget* FocusedControl() {
  QWidget* w = QApplication::focusWidget();
  if (w && qobject_cast<QComboBox*>(w->parentWidget())) return w->parentWidget();
  return w;
}

QString FocusedName() {
  QWidget* w = FocusedControl();
  return w ? w->objectName() : QString();
}

QString AccessibleText(QWidget* w, QAccessible::Text which) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  return face ? face->text(which) : QString();
}

class KeyboardTest : public testing::TestWithParam<Language> {
 protected:
  void SetUp() override {
    MessageBoxes::SetInterceptor([this](const MessageRecord& m) { messages_.push_back(m); });
    FileDialogs::SetInterceptor([this](const QString& name, const QStringList&, int) {
      save_names_ << name;
      return std::optional<SaveAnswer>(SaveAnswer{dir_.filePath(name), 0});
    });
    FileDialogs::SetOpenInterceptor(
        [this](const QString&, const QStringList&) { return std::optional<QString>(playlist_); });
    AppSettings settings;
    EXPECT_EQ(settings.sites.Override("vsetv=" + server_.Url("")), "");
    window_ = std::make_unique<MainWindow>(std::move(settings));
    window_->show();
    window_->activateWindow();
    WaitActive(window_.get());
    ASSERT_EQ(FocusedName(), "Combo1");
    if (GetParam() == Language::kEn) Press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window_->LanguageCode().toStdString() == LanguageCode(GetParam()); }));
  }
  void TearDown() override {
    window_.reset();
    MessageBoxes::SetInterceptor({});
    FileDialogs::SetInterceptor({});
    FileDialogs::SetOpenInterceptor({});
  }

  const UiTexts& Texts() const { return TextsFor(GetParam()); }
  QString T(std::string_view text) const { return QString::fromUtf8(text.data(), text.size()); }
  template <typename W = QWidget>
  W* Find(const char* name) const {
    W* w = window_->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  // Picks the first provider in the selector's list and loads it with F5.
  void LoadByKeys() {
    ASSERT_EQ(FocusedName(), "Combo1");
    Press(Qt::Key_Down, Qt::AltModifier);
    auto* list = Find<QComboBox>("Combo1")->view();
    ASSERT_TRUE(list->isVisible());
    Press(Qt::Key_Down);
    EXPECT_EQ(Find<QComboBox>("Combo1")->currentIndex(), -1) << "the list only moves";
    Press(Qt::Key_Home);
    Press(Qt::Key_Return);
    EXPECT_EQ(Find<QComboBox>("Combo1")->currentIndex(), 0);
    EXPECT_EQ(FocusedName(), "Grid1");
    // The offscreen platform does not hand the activation back from a closed
    // popup, as a window manager does.
    Reactivate(window_.get());
    QSignalSpy ended(window_.get(), &MainWindow::LoadEnded);
    Press(Qt::Key_F5);
    ASSERT_TRUE(ended.wait(10000));
    ASSERT_EQ(window_->Model().rowCount(), 5);
    EXPECT_EQ(FocusedName(), "Grid1");
  }

  static void Reactivate(QWidget* window) {
    QApplication::processEvents();
    window->activateWindow();
    WaitActive(window);
  }

  // Waits until `window` is the active one and has its focus back.
  static void WaitActive(QWidget* window) {
    ASSERT_TRUE(QTest::qWaitFor([window] {
      return window && QApplication::activeWindow() == window && QApplication::focusWidget();
    }));
  }
  static void WaitActive(DialogPanel* panel) {
    ASSERT_TRUE(QTest::qWaitFor([panel] { return panel->Visible(); }));
    WaitActive(panel->Window());
  }

  // Names of the controls Tab (or Shift+Tab) visits from the focus until it
  // comes back, at most `limit` steps.
  static QStringList Walk(bool forward, int limit = 40) {
    const QString start = FocusedName();
    QStringList visited;
    for (int i = 0; i < limit; ++i) {
      Press(forward ? Qt::Key_Tab : Qt::Key_Backtab);
      if (FocusedName() == start) return visited;
      visited << FocusedName();
    }
    visited << "(never came back)";
    return visited;
  }

  test::LoopbackServer server_{[](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(Utf8ToCp1251(kPage), "text/html");
    });
  }};
  QTemporaryDir dir_;
  QString playlist_;
  std::unique_ptr<MainWindow> window_;
  std::vector<MessageRecord> messages_;
  QStringList save_names_;
};

TEST_P(KeyboardTest, LoadSearchCopyAndSave) {
  LoadByKeys();
  QClipboard* clipboard = QApplication::clipboard();

  // Ctrl+F opens the search in its text field; Enter finds, F3 goes on.
  Press(Qt::Key_F, Qt::ControlModifier);
  WaitActive(window_->SpeedForm3());
  EXPECT_EQ(FocusedName(), "Edit1");
  QTest::keyClicks(KeyTarget(), "sport");
  Press(Qt::Key_Return);
  EXPECT_EQ(window_->CurrentRow(), 1);
  Press(Qt::Key_F3);
  EXPECT_EQ(window_->CurrentRow(), 2);
  EXPECT_TRUE(messages_.empty());
  // The window's keys work in the panel: copy what was found.
  Press(Qt::Key_1, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->text() == "Eurosport 2"; }));
  EXPECT_EQ(Find<QLabel>("Label2")->text(), "Eurosport 2");
  Press(Qt::Key_Escape);
  EXPECT_FALSE(window_->SpeedForm3()->Visible());
  WaitActive(window_.get());

  // The channel_id file without hyphens, every step a key.
  Press(Qt::Key_I, Qt::ControlModifier);
  WaitActive(window_->SpeedForm1());
  EXPECT_EQ(FocusedName(), "CBox1");
  Press(Qt::Key_Space);
  Press(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "CBox2");
  Press(Qt::Key_Space);
  Press(Qt::Key_Return);
  EXPECT_FALSE(window_->SpeedForm1()->Visible());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, T(Texts().save_done));
  const std::string file = ReadFile(dir_.filePath("channels_id"));
  EXPECT_NE(file.find(ChannelHash("Sport-Mix", {.remove_hyphen = true})), std::string::npos);
  EXPECT_EQ(file.find(ChannelHash("Sport-Mix", {})), std::string::npos);
  WaitActive(window_.get());

  // The hash panel: Escape leaves the clipboard alone, Enter copies.
  const QString name = window_->Model().index(window_->CurrentRow(), 0).data().toString();
  Press(Qt::Key_3, Qt::ControlModifier);
  WaitActive(window_->SpeedForm2());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(window_->SpeedForm2()->Visible());
  EXPECT_EQ(clipboard->text(), "Eurosport 2");
  WaitActive(window_.get());
  Press(Qt::Key_3, Qt::ControlModifier);
  WaitActive(window_->SpeedForm2());
  Press(Qt::Key_Return);
  EXPECT_EQ(clipboard->text().toStdString(), ChannelHash(name.toStdString(), {}));
}

TEST_P(KeyboardTest, OtherCommandsTheirKeysAndHints) {
  LoadByKeys();
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  ASSERT_EQ(window_->CurrentRow(), 2);
  QClipboard* clipboard = QApplication::clipboard();
  const struct {
    const char* button;
    const char* menu_item;  // or nullptr
    QKeySequence key;
    std::function<bool()> done;
  } cases[] = {
      {"BTN_CopyCod", "N3", QKeySequence("Ctrl+2"), [&] { return clipboard->text() == "12"; }},
      {"BTN_Create", "M3U1", QKeySequence("Ctrl+4"),
       [&] { return clipboard->text().endsWith("_12,Eurosport 2"); }},
      {"VHSBtn1", nullptr, QKeySequence("Ctrl+Shift+Del"),
       [&] { return clipboard->text().isEmpty(); }},
      {"BTN_SaveToFile", "N1", QKeySequence("Ctrl+S"), [&] { return save_names_.size() == 1; }},
      {"Btn6", nullptr, QKeySequence("F1"), [&] { return window_->About()->isVisible(); }},
  };
  for (const auto& c : cases) {
    auto* button = Find<HoverButton>(c.button);
    const QString key = c.key.toString(QKeySequence::NativeText);
    EXPECT_EQ(AccessibleText(button, QAccessible::Description), T(Texts().key_one) + key)
        << c.button;
    if (c.menu_item) {
      auto* item = Find<QAction>(c.menu_item);
      EXPECT_EQ(item->shortcut(), c.key) << c.menu_item;
      EXPECT_TRUE(item->isShortcutVisibleInContextMenu()) << c.menu_item;
    }
    window_->activateWindow();
    WaitActive(window_.get());
    QTest::keySequence(KeyTarget(), c.key);
    EXPECT_TRUE(QTest::qWaitFor(c.done, 2000)) << c.button;
  }
  EXPECT_TRUE(messages_.empty());
  // Escape closes the About window.
  WaitActive(window_->About());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(window_->About()->isVisible());
  WaitActive(window_.get());

  // The load button's hint names both its keys; a copy button's hint adds
  // its key to the channel's name.
  EXPECT_EQ(Find<HoverButton>("BTN_Start")->toolTip(), T(Texts().keys_many) + "F5, Ctrl+L");
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(Find<HoverButton>("BTN_CopyName"), &enter);
  EXPECT_EQ(Find<HoverButton>("BTN_CopyName")->toolTip(),
            "Eurosport 2\n" + T(Texts().key_one) + "Ctrl+1");
  EXPECT_EQ(Find<QAction>("search1")->shortcut(), QKeySequence("Ctrl+F"));
  // Shift+F10 opens the grid's menu, as the menu key does.
  ASSERT_EQ(FocusedName(), "Grid1");
  Press(Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::activePopupWidget(), Find<QMenu>("PopupMenu1"));
  Press(Qt::Key_Escape);

  // Ctrl+L loads again from anywhere in the window.
  QSignalSpy ended(window_.get(), &MainWindow::LoadEnded);
  window_->activateWindow();
  WaitActive(window_.get());
  Press(Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(ended.wait(10000));
}

TEST_P(KeyboardTest, TabVisitsEveryControlOnceAndComesBack) {
  // An arrow on the closed selector opens its list rather than choosing.
  auto* combo = Find<QComboBox>("Combo1");
  Press(Qt::Key_Down);
  EXPECT_TRUE(combo->view()->isVisible());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(combo->view()->isVisible());
  EXPECT_EQ(combo->currentIndex(), -1);
  Reactivate(window_.get());
  ASSERT_EQ(FocusedName(), "Combo1");
  // Before a load only the selector, the grid and the always-enabled buttons.
  EXPECT_EQ(Walk(true), QStringList({"Grid1", "Btn9", "Btn6", "Btn7"}));
  LoadByKeys();
  // The clear button takes part once the clipboard holds a text.
  Press(Qt::Key_1, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Find("VHSBtn1")->isEnabled(); }));
  Press(Qt::Key_Backtab);
  Press(Qt::Key_Backtab);
  const QStringList forward = Walk(true);
  EXPECT_EQ(QStringList{"Combo1"} + forward, kTabOrder);
  QStringList backward = Walk(false);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(QStringList{"Combo1"} + backward, kTabOrder);
  // Every control that can take the focus is in the order, and each one tells
  // assistive technology its name.
  for (QWidget* w : window_->findChildren<QWidget*>()) {
    if (w->window() != window_.get() || !w->isVisible() || !(w->focusPolicy() & Qt::TabFocus) ||
        w->focusProxy()) {
      continue;
    }
    EXPECT_TRUE(kTabOrder.contains(w->objectName())) << w->objectName().toStdString();
    EXPECT_FALSE(AccessibleText(w, QAccessible::Name).isEmpty()) << w->objectName().toStdString();
  }
  EXPECT_EQ(AccessibleText(Find("Grid1"), QAccessible::Name), T(Texts().grid_name));
  EXPECT_EQ(AccessibleText(Find("Combo1"), QAccessible::Description),
            T(Texts().selector_description));

  // Tab in a name being edited saves it and leaves the grid.
  Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);
  ASSERT_EQ(FocusedName(), "Grid1");
  ASSERT_EQ(window_->CurrentRow(), 0);
  Press(Qt::Key_F2);
  Press(Qt::Key_End);
  QTest::keyClicks(KeyTarget(), " HD");
  Press(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "BTN_Search");
  EXPECT_EQ(window_->Model().index(0, 0).data().toString(), "Discovery Channel HD");
}

TEST_P(KeyboardTest, MatchAndApplyInTheMatchingWindow) {
  playlist_ = dir_.filePath("my.m3u");
  std::ofstream(playlist_.toStdString(), std::ios::binary) << kPlaylist;
  LoadByKeys();
  Press(Qt::Key_M, Qt::ControlModifier);
  PlaylistMatchWindow* w = window_->MatchWindow();
  ASSERT_NE(w, nullptr);
  WaitActive(w);
  EXPECT_EQ(FocusedName(), "BTN_OpenPlaylist");
  QSignalSpy ended(w, &PlaylistMatchWindow::MatchEnded);
  Press(Qt::Key_Space);
  ASSERT_TRUE(ended.wait(10000));
  ASSERT_EQ(w->Model().rowCount(), 5);

  // Tab reaches the table and leaves it again for the buttons below.
  for (int i = 0; i < 20 && FocusedName() != "Grid_Match"; ++i) Press(Qt::Key_Tab);
  ASSERT_EQ(FocusedName(), "Grid_Match");
  EXPECT_EQ(AccessibleText(FocusedControl(), QAccessible::Name), T(Texts().match_grid_name));
  // The search field's clear button, a picture, has a name too.
  const auto clear = w->findChild<QLineEdit*>("Edit_Search")->findChildren<QToolButton*>();
  ASSERT_FALSE(clear.isEmpty());
  EXPECT_EQ(AccessibleText(clear[0], QAccessible::Name), T(Texts().clear_search));
  Press(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "BTN_Apply");
  Press(Qt::Key_Space);
  QStringList names;
  for (int r = 0; r < window_->Model().rowCount(); ++r) {
    names << window_->Model().index(r, 0).data().toString();
  }
  EXPECT_TRUE(names.contains("Discovery Channel HD")) << names.join(", ").toStdString();
  EXPECT_TRUE(names.contains("RU: НТВ")) << names.join(", ").toStdString();
  QStringList rest;
  for (int i = 0; i < 5; ++i) {
    Press(Qt::Key_Tab);
    rest << FocusedName();
  }
  EXPECT_EQ(rest, QStringList({"BTN_Restore", "BTN_WritePlaylist", "BTN_SaveMapping",
                               "BTN_OpenMapping", "BTN_Close"}));
  Press(Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Languages, KeyboardTest, testing::Values(Language::kRu, Language::kEn),
                         [](const testing::TestParamInfo<Language>& info) {
                           return std::string(LanguageCode(info.param));
                         });

// A focused command button is pressed by Space, Return and Enter; a panel
// takes Enter as OK and Escape as Cancel unless a focused button takes it.
TEST(KeyboardControls, ButtonsAndPanels) {
  QWidget owner;
  owner.show();
  DialogPanel panel("Panel", {200, 100}, DialogPanel::Border::kSingle, &owner);
  auto* box = new QCheckBox(panel.Content());
  auto* ok = new HoverButton(panel.Content());
  auto* cancel = new HoverButton(panel.Content());
  panel.SetButtons(ok, cancel);
  QSignalSpy oks(ok, &HoverButton::clicked);
  QSignalSpy cancels(cancel, &HoverButton::clicked);
  panel.Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel.Window()));
  EXPECT_EQ(QApplication::focusWidget(), box);
  const struct {
    QWidget* focus;
    Qt::Key key;
    int oks;
    int cancels;
  } cases[] = {
      {box, Qt::Key_Return, 1, 0},   {box, Qt::Key_Enter, 1, 0},    {box, Qt::Key_Escape, 0, 1},
      {ok, Qt::Key_Space, 1, 0},     {cancel, Qt::Key_Space, 0, 1}, {cancel, Qt::Key_Return, 0, 1},
      {cancel, Qt::Key_Enter, 0, 1}, {ok, Qt::Key_Escape, 0, 1},
  };
  for (const auto& c : cases) {
    oks.clear();
    cancels.clear();
    c.focus->setFocus();
    ASSERT_TRUE(c.focus->hasFocus());
    Press(c.key);
    EXPECT_EQ(oks.count(), c.oks) << c.key;
    EXPECT_EQ(cancels.count(), c.cancels) << c.key;
  }
  // The focus shows in the hover colour; a click does not move it.
  ok->SetHoverColors(Qt::black, Qt::blue);
  ok->setFocus();
  EXPECT_EQ(ok->TextColor(), QColor(Qt::blue));
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_TRUE(ok->hasFocus());
  box->setFocus();
  EXPECT_EQ(ok->TextColor(), QColor(Qt::black));
}

}  // namespace
}  // namespace brelvik
