// The program from the keyboard alone, in both languages: load, search, copy,
// the channel_id panel, the commands' keys and hints, the tab order, names for
// assistive technology, and matching with Apply in the matching window.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>
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

// The main window's controls in tab order, once a list is loaded and the
// clipboard holds a text.
const QStringList kTabOrder = {"Combo1",         "BTN_Start",     "Grid1",       "BTN_Search",
                               "BTN_SaveToFile", "BTN_CopyName",  "BTN_CopyCod", "BTN_CopyHash",
                               "BTN_Create",     "BTN_ChannelID", "Btn9",        "Btn6",
                               "VHSBtn1",        "Btn7"};

// Where a key goes: the open popup's focus, else the focus widget.
void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::activePopupWidget();
  if (target && target->focusWidget()) target = target->focusWidget();
  if (!target) target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr) << "no widget has the focus";
  QTest::keyClick(target, key, modifiers);
}

// The control with the focus: a selector rather than its edit field.
QString FocusedName() {
  QWidget* w = QApplication::focusWidget();
  if (w && qobject_cast<QComboBox*>(w->parentWidget())) w = w->parentWidget();
  return w ? w->objectName() : QString();
}

QString Accessible(QWidget* w, QAccessible::Text which) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  return face ? face->text(which) : QString();
}

bool Active(QWidget* window) {
  return QTest::qWaitFor([window] {
    return window && QApplication::activeWindow() == window && QApplication::focusWidget();
  });
}

// The offscreen platform hands no activation back from a closed popup, as a
// window manager does.
bool Reactivate(QWidget* window) {
  QApplication::processEvents();
  window->activateWindow();
  return Active(window);
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
    ASSERT_TRUE(Reactivate(window_.get()));
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

  QString T(std::string_view text) const {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  }
  const UiTexts& Texts() const { return TextsFor(GetParam()); }
  template <typename W = QWidget>
  W* Find(const char* name) const {
    W* w = window_->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  bool PanelActive(DialogPanel* panel) {
    return QTest::qWaitFor([panel] { return panel->Visible(); }) && Active(panel->Window());
  }

  // Picks the first provider in the selector's list and loads it with F5.
  void LoadByKeys() {
    auto* combo = Find<QComboBox>("Combo1");
    ASSERT_EQ(FocusedName(), "Combo1");
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(combo->view()->isVisible());
    Press(Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), -1) << "the list only moves";
    Press(Qt::Key_Home);
    Press(Qt::Key_Return);
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(FocusedName(), "Grid1");
    ASSERT_TRUE(Reactivate(window_.get()));
    QSignalSpy ended(window_.get(), &MainWindow::LoadEnded);
    Press(Qt::Key_F5);
    ASSERT_TRUE(ended.wait(10000));
    ASSERT_EQ(window_->Model().rowCount(), 5);
    EXPECT_EQ(FocusedName(), "Grid1");
  }

  // The controls Tab (or Shift+Tab) visits from the focus until it is back.
  static QStringList Walk(bool forward) {
    const QString start = FocusedName();
    QStringList visited;
    for (int i = 0; i < 40; ++i) {
      Press(forward ? Qt::Key_Tab : Qt::Key_Backtab);
      if (FocusedName() == start) return visited;
      visited << FocusedName();
    }
    return visited << "(never came back)";
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
  // Ctrl+F opens the search in its text field; Enter finds, F3 goes on.
  Press(Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(PanelActive(window_->SpeedForm3()));
  EXPECT_EQ(FocusedName(), "Edit1");
  QTest::keyClicks(QApplication::focusWidget(), "sport");
  Press(Qt::Key_Return);
  EXPECT_EQ(window_->CurrentRow(), 1);
  Press(Qt::Key_F3);
  EXPECT_EQ(window_->CurrentRow(), 2);
  EXPECT_TRUE(messages_.empty());
  // The window's keys work in the panel: copy what was found.
  Press(Qt::Key_1, Qt::ControlModifier);
  EXPECT_TRUE(QTest::qWaitFor([] { return QApplication::clipboard()->text() == "Eurosport 2"; }));
  EXPECT_EQ(Find<QLabel>("Label2")->text(), "Eurosport 2");
  Press(Qt::Key_Escape);
  EXPECT_FALSE(window_->SpeedForm3()->Visible());
  ASSERT_TRUE(Active(window_.get()));

  // The channel_id file without hyphens: Space ticks, Tab moves, Enter is OK.
  Press(Qt::Key_I, Qt::ControlModifier);
  ASSERT_TRUE(PanelActive(window_->SpeedForm1()));
  EXPECT_EQ(FocusedName(), "CBox1");
  Press(Qt::Key_Space);
  Press(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "CBox2");
  Press(Qt::Key_Space);
  Press(Qt::Key_Return);
  EXPECT_FALSE(window_->SpeedForm1()->Visible());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, T(Texts().save_done));
  std::ifstream in(dir_.filePath("channels_id").toStdString(), std::ios::binary);
  const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(file.find(ChannelHash("Sport-Mix", {.remove_hyphen = true})), std::string::npos);
  EXPECT_EQ(file.find(ChannelHash("Sport-Mix", {})), std::string::npos);
  EXPECT_TRUE(Active(window_.get()));
}

TEST_P(KeyboardTest, CommandKeysTheirHintsAndTheMenu) {
  LoadByKeys();
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  ASSERT_EQ(window_->CurrentRow(), 2);
  QClipboard* clipboard = QApplication::clipboard();
  const struct {
    const char* button;
    const char* menu_item;  // or nullptr
    const char* key;
    std::function<bool()> done;
  } cases[] = {
      {"BTN_CopyCod", "N3", "Ctrl+2", [&] { return clipboard->text() == "12"; }},
      {"BTN_Create", "M3U1", "Ctrl+4",
       [&] { return clipboard->text().endsWith("_12,Eurosport 2"); }},
      {"VHSBtn1", nullptr, "Ctrl+Shift+Del", [&] { return clipboard->text().isEmpty(); }},
      {"BTN_SaveToFile", "N1", "Ctrl+S", [&] { return save_names_.size() == 1; }},
      {"BTN_Search", "search1", "Ctrl+F", [&] { return window_->SpeedForm3()->Visible(); }},
      {"Btn6", nullptr, "F1", [&] { return window_->About()->isVisible(); }},
  };
  for (const auto& c : cases) {
    const QKeySequence key(c.key);
    // The button tells its key to assistive technology, in the language's words.
    const QString description = Accessible(Find(c.button), QAccessible::Description);
    EXPECT_TRUE(description.startsWith(T(Texts().key_one)) ||
                description.startsWith(T(Texts().keys_many)))
        << c.button;
    EXPECT_TRUE(description.contains(key.toString(QKeySequence::NativeText))) << c.button;
    if (c.menu_item) {
      EXPECT_EQ(Find<QAction>(c.menu_item)->shortcut(), key) << c.menu_item;
      EXPECT_TRUE(Find<QAction>(c.menu_item)->isShortcutVisibleInContextMenu()) << c.menu_item;
    }
    ASSERT_TRUE(Reactivate(window_.get()));
    QTest::keySequence(QApplication::focusWidget(), key);
    EXPECT_TRUE(QTest::qWaitFor(c.done, 2000)) << c.button;
  }
  EXPECT_TRUE(messages_.empty());
  ASSERT_TRUE(Active(window_->About()));
  Press(Qt::Key_Escape);
  EXPECT_FALSE(window_->About()->isVisible());
  EXPECT_EQ(Find<HoverButton>("BTN_Start")->toolTip(), T(Texts().keys_many) + "F5, Ctrl+L");
  EXPECT_EQ(Find<HoverButton>("BTN_Search")->toolTip(), T(Texts().keys_many) + "Ctrl+F, F3");

  // Shift+F10 opens the grid's menu, as the menu key does; Ctrl+L loads again.
  ASSERT_TRUE(Reactivate(window_.get()));
  ASSERT_EQ(FocusedName(), "Grid1");
  Press(Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::activePopupWidget(), Find<QMenu>("PopupMenu1"));
  Press(Qt::Key_Escape);
  QSignalSpy ended(window_.get(), &MainWindow::LoadEnded);
  ASSERT_TRUE(Reactivate(window_.get()));
  Press(Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(ended.wait(10000));
}

TEST_P(KeyboardTest, TabVisitsEveryControlOnceAndComesBack) {
  // An arrow on the closed selector opens its list rather than choosing.
  auto* combo = Find<QComboBox>("Combo1");
  Press(Qt::Key_Down);
  EXPECT_TRUE(combo->view()->isVisible());
  Press(Qt::Key_Escape);
  EXPECT_EQ(combo->currentIndex(), -1);
  ASSERT_TRUE(Reactivate(window_.get()));
  // Before a load: the selector, the grid and the buttons always enabled.
  EXPECT_EQ(Walk(true), QStringList({"Grid1", "Btn9", "Btn6", "Btn7"}));

  LoadByKeys();
  Press(Qt::Key_1, Qt::ControlModifier);  // the clear button takes part now
  ASSERT_TRUE(QTest::qWaitFor([&] { return Find("VHSBtn1")->isEnabled(); }));
  Press(Qt::Key_Backtab);
  Press(Qt::Key_Backtab);
  EXPECT_EQ(QStringList{"Combo1"} + Walk(true), kTabOrder);
  QStringList backward = Walk(false);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(QStringList{"Combo1"} + backward, kTabOrder);
  // No control that takes the focus is left out, and each has a name.
  for (QWidget* w : window_->findChildren<QWidget*>()) {
    if (w->window() == window_.get() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus) &&
        !w->focusProxy()) {
      EXPECT_TRUE(kTabOrder.contains(w->objectName())) << w->objectName().toStdString();
      EXPECT_FALSE(Accessible(w, QAccessible::Name).isEmpty()) << w->objectName().toStdString();
    }
  }
  EXPECT_EQ(Accessible(Find("Grid1"), QAccessible::Name), T(Texts().grid_name));
  EXPECT_EQ(Accessible(combo, QAccessible::Description), T(Texts().selector_description));

  // Tab in a name being edited saves it and leaves the grid.
  Press(Qt::Key_Tab);
  Press(Qt::Key_Tab);
  ASSERT_EQ(FocusedName(), "Grid1");
  Press(Qt::Key_F2);
  Press(Qt::Key_End);
  QTest::keyClicks(QApplication::focusWidget(), " HD");
  Press(Qt::Key_Tab);
  EXPECT_EQ(FocusedName(), "BTN_Search");
  EXPECT_EQ(window_->Model().index(0, 0).data().toString(), "Discovery Channel HD");
}

TEST_P(KeyboardTest, MatchAndApplyInTheMatchingWindow) {
  playlist_ = dir_.filePath("my.m3u");
  std::ofstream(playlist_.toStdString(), std::ios::binary)
      << "#EXTM3U\n#EXTINF:-1,Discovery Channel HD\nhttp://x/1\n#EXTINF:-1,RU: НТВ\nhttp://x/2\n";
  LoadByKeys();
  Press(Qt::Key_M, Qt::ControlModifier);
  PlaylistMatchWindow* w = window_->MatchWindow();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(Active(w));
  EXPECT_EQ(FocusedName(), "BTN_OpenPlaylist");
  QSignalSpy ended(w, &PlaylistMatchWindow::MatchEnded);
  Press(Qt::Key_Space);
  ASSERT_TRUE(ended.wait(10000));

  // Tab reaches the table and leaves it again for the buttons below.
  for (int i = 0; i < 20 && FocusedName() != "Grid_Match"; ++i) Press(Qt::Key_Tab);
  ASSERT_EQ(FocusedName(), "Grid_Match");
  EXPECT_EQ(Accessible(QApplication::focusWidget(), QAccessible::Name), T(Texts().match_grid_name));
  const auto clear = w->findChild<QLineEdit*>("Edit_Search")->findChildren<QToolButton*>();
  ASSERT_FALSE(clear.isEmpty());
  EXPECT_EQ(Accessible(clear[0], QAccessible::Name), T(Texts().clear_search));
  // Past the current row's further names, then the buttons.
  QStringList passed;
  for (int i = 0; i < 5 && FocusedName() != "BTN_Apply"; ++i) {
    Press(Qt::Key_Tab);
    passed << FocusedName();
  }
  ASSERT_EQ(FocusedName(), "BTN_Apply");
  passed.removeLast();
  for (const QString& name : passed) {
    EXPECT_TRUE(name == "List_Further" || name == "Combo_Attach") << name.toStdString();
  }
  Press(Qt::Key_Space);
  QStringList names;
  for (int r = 0; r < window_->Model().rowCount(); ++r) {
    names << window_->Model().index(r, 0).data().toString();
  }
  EXPECT_TRUE(names.contains("Discovery Channel HD") && names.contains("RU: НТВ"))
      << names.join(", ").toStdString();
  QStringList rest;
  for (int i = 0; i < 5; ++i) {
    Press(Qt::Key_Tab);
    rest << FocusedName();
  }
  EXPECT_EQ(rest, QStringList({"BTN_Restore", "BTN_WritePlaylist", "BTN_SaveMapping",
                               "BTN_OpenMapping", "BTN_Close"}));
  Press(Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(Active(window_.get()));
}

INSTANTIATE_TEST_SUITE_P(Languages, KeyboardTest, testing::Values(Language::kRu, Language::kEn),
                         [](const testing::TestParamInfo<Language>& info) {
                           return std::string(LanguageCode(info.param));
                         });

// A panel takes Enter as OK and Escape as Cancel, unless a focused button
// takes the key; a click leaves the focus where it was.
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
  ASSERT_TRUE(Active(panel.Window()));
  EXPECT_EQ(QApplication::focusWidget(), box);
  const struct {
    QWidget* focus;
    Qt::Key key;
    int oks;
    int cancels;
  } cases[] = {{box, Qt::Key_Return, 1, 0},    {box, Qt::Key_Enter, 1, 0},
               {box, Qt::Key_Escape, 0, 1},    {ok, Qt::Key_Space, 1, 0},
               {cancel, Qt::Key_Return, 0, 1}, {ok, Qt::Key_Escape, 0, 1}};
  for (const auto& c : cases) {
    oks.clear();
    cancels.clear();
    c.focus->setFocus();
    Press(c.key);
    EXPECT_EQ(oks.count(), c.oks) << c.key;
    EXPECT_EQ(cancels.count(), c.cancels) << c.key;
  }
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
