// The main window, offscreen: start state, provider choice, loads and their
// failures, hover colours and the progress strip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <cstdlib>

#include "app/main_window.h"
#include "app/message_box.h"
#include "fixture.h"
#include "loaders/listless_sites.h"
#include "outputs/channel_id_map.h"
#include "support/loopback_server.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;

const char* kOutputButtons[] = {"BTN_SaveToFile", "BTN_CopyName", "BTN_CopyCod", "BTN_CopyHash",
                                "BTN_Create",     "BTN_ChannelID", "BTN_Search"};

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    MessageBoxes::SetInterceptor([this](const MessageRecord& m) { messages_.push_back(m); });
  }
  void TearDown() override { MessageBoxes::SetInterceptor({}); }

  std::unique_ptr<MainWindow> MakeWindow(const std::string& vsetv_url = {}) {
    AppSettings settings;
    if (!vsetv_url.empty()) {
      EXPECT_EQ(settings.sites.Override("vsetv=" + vsetv_url), "");
    }
    settings.probe_limits.total_timeout = 5s;
    auto window = std::make_unique<MainWindow>(std::move(settings));
    window->show();
    return window;
  }

  template <typename T = QWidget>
  static T* Find(MainWindow& w, const char* name) {
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  static void Choose(MainWindow& w, int index) {
    Find<QComboBox>(w, "Combo1")->setCurrentIndex(index);
  }

  static void LoadAndWait(MainWindow& w) {
    QSignalSpy ended(&w, &MainWindow::LoadEnded);
    Find<HoverButton>(w, "BTN_Start")->click();
    ASSERT_TRUE(ended.wait(10000));
  }

  std::vector<MessageRecord> messages_;
};

TEST_F(MainWindowTest, StartState) {
  QApplication::clipboard()->setText("left over");
  auto w = MakeWindow();
  EXPECT_EQ(w->windowTitle(), "Brelvik");
  EXPECT_EQ(w->size(), QSize(561, 279));
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
  EXPECT_FALSE(Find(*w, "BTN_Start")->isEnabled());
  for (const char* name : kOutputButtons) EXPECT_FALSE(Find(*w, name)->isEnabled()) << name;
  EXPECT_FALSE(Find(*w, "VHSBtn1")->isEnabled());
  EXPECT_TRUE(Find<QLabel>(*w, "Label2")->text().isEmpty());
  EXPECT_FALSE(Find(*w, "Panel_Progress")->isVisible());
  auto* grid = Find<QTableView>(*w, "Grid1");
  EXPECT_EQ(grid->geometry(), QRect(0, 0, 361, 241));
  EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(grid->contextMenuPolicy(), Qt::NoContextMenu);
  auto* combo = Find<QComboBox>(*w, "Combo1");
  ASSERT_EQ(combo->count(), 12);
  EXPECT_EQ(combo->itemText(0), "vsetv.com");
  EXPECT_TRUE(combo->currentText().isEmpty());
  EXPECT_EQ(Find<HoverButton>(*w, "BTN_Start")->text(), "Загрузить список каналов");
  EXPECT_EQ(Find<HoverButton>(*w, "Btn9")->text(), "English");
  EXPECT_EQ(Find<HoverButton>(*w, "Btn9")->TextColor(), QColor(128, 0, 0));
  EXPECT_EQ(Find<HoverButton>(*w, "BTN_Search")->TextColor(), QColor(10, 36, 106));
  EXPECT_EQ(w->LanguageCode(), "RU");
}

TEST_F(MainWindowTest, ChoosingAndTypingAProvider) {
  auto w = MakeWindow();
  QApplication::clipboard()->setText("copied");
  Choose(*w, 0);
  EXPECT_TRUE(Find(*w, "BTN_Start")->isEnabled());
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
  EXPECT_EQ(Find<QTableView>(*w, "Grid1")->contextMenuPolicy(), Qt::NoContextMenu);

  auto* combo = Find<QComboBox>(*w, "Combo1");
  combo->setEditText("   ");
  EXPECT_FALSE(Find(*w, "BTN_Start")->isEnabled());
  combo->setEditText("my own tv");
  ASSERT_TRUE(Find(*w, "BTN_Start")->isEnabled());
  Find<HoverButton>(*w, "BTN_Start")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Провайдер не выбран.");
  EXPECT_EQ(messages_[0].caption, "Brelvik");
  EXPECT_EQ(messages_[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(Find<QTableView>(*w, "Grid1")->contextMenuPolicy(), Qt::CustomContextMenu);

  // Typing an item's exact text chooses that item.
  combo->setEditText("vsetv.com");
  EXPECT_TRUE(Find(*w, "BTN_Start")->isEnabled());
}

TEST_F(MainWindowTest, LoadsVsetvFromALoopbackSite) {
  const std::string page = test::ReadFixture("vsetv/channels.html");
  test::LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/html"); });
    s.Get("/channels.html", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(page, "text/html");
    });
  });
  auto w = MakeWindow(server.Url(""));
  Choose(*w, 0);
  LoadAndWait(*w);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(w->windowTitle(), QString::fromStdString("Brelvik: " + server.Url("")));
  ASSERT_EQ(w->Model().rowCount(), 15);
  EXPECT_EQ(w->Model().index(0, 0).data().toString(), "Discovery Channel");
  EXPECT_EQ(w->Model().index(0, 1).data().toString(), "101");
  for (const char* name : kOutputButtons) EXPECT_TRUE(Find(*w, name)->isEnabled()) << name;
  EXPECT_EQ(w->ChannelListText(), CreateList(w->Model().Table().Rows()));
  EXPECT_EQ(w->ListFileName(), "vsetv_list");
  EXPECT_FALSE(Find(*w, "Panel_Progress")->isVisible());
  EXPECT_EQ(Find<HoverButton>(*w, "BTN_Start")->text(), "Загрузить список каналов");
  auto* grid = Find<QTableView>(*w, "Grid1");
  EXPECT_EQ(grid->currentIndex().row(), 0);
  EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectItems);
  EXPECT_NE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(grid->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(grid->horizontalHeader()->sortIndicatorSection(), 0);
  EXPECT_EQ(grid->palette().color(QPalette::Active, QPalette::Highlight), QColor(204, 211, 228));
  EXPECT_EQ(grid->palette().color(QPalette::Active, QPalette::HighlightedText), QColor(0, 0, 255));
  // Names are editable in place, codes never.
  EXPECT_TRUE(w->Model().flags(w->Model().index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(w->Model().flags(w->Model().index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // Hovering a copy button shows the current channel's name as its hint,
  // then the button's key.
  auto* copy = Find<HoverButton>(*w, "BTN_CopyName");
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(copy, &enter);
  EXPECT_EQ(copy->toolTip(), "Discovery Channel\nКлавиша: Ctrl+1");

  // A second load gives the same table; choosing another provider empties it.
  LoadAndWait(*w);
  EXPECT_EQ(w->Model().rowCount(), 15);
  Choose(*w, 1);
  EXPECT_EQ(w->Model().rowCount(), 0);
  EXPECT_EQ(w->windowTitle(), "Brelvik");
  for (const char* name : kOutputButtons) EXPECT_FALSE(Find(*w, name)->isEnabled()) << name;
}

TEST_F(MainWindowTest, FailedProbeInBothLanguages) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  });
  auto w = MakeWindow(server.Url(""));
  Choose(*w, 0);
  LoadAndWait(*w);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text,
            "В данный момент сайт недоступен.\nВозможно отсутствует соединение\nс Интернетом.");
  EXPECT_EQ(messages_[0].caption, "Сообщение программы");
  EXPECT_EQ(messages_[0].icon, QMessageBox::Information);
  EXPECT_EQ(w->windowTitle(), "Brelvik");
  EXPECT_FALSE(Find(*w, "Panel_Progress")->isVisible());
  EXPECT_EQ(Find<HoverButton>(*w, "BTN_Start")->text(), "Загрузить список каналов");
  EXPECT_TRUE(Find(*w, "BTN_Start")->isEnabled());
  EXPECT_FALSE(Find(*w, "BTN_ChannelID")->isEnabled());
  EXPECT_EQ(Find<QTableView>(*w, "Grid1")->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  Find<HoverButton>(*w, "Btn9")->click();
  EXPECT_EQ(w->LanguageCode(), "EN");
  EXPECT_EQ(Find<HoverButton>(*w, "Btn9")->text(), "Russian");
  LoadAndWait(*w);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].text,
            "At the moment the site is unavailable.\nPerhaps there is no Internet\nconnection.");
  EXPECT_EQ(messages_[1].caption, "Message program");
  EXPECT_EQ(Find<HoverButton>(*w, "BTN_Start")->text(), "Load channel's list");
}

TEST_F(MainWindowTest, ServerErrorDuringFetchRestoresTheWindow) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/html"); });
    s.Get("/channels.html", [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
  });
  auto w = MakeWindow(server.Url(""));
  Choose(*w, 0);
  LoadAndWait(*w);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text.toStdString(),
            "Сервер ответил HTTP/1.1 500 Internal Server Error: " + server.Url("/channels.html"));
  EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
  EXPECT_EQ(w->Model().rowCount(), 0);
  EXPECT_EQ(w->windowTitle(), "Brelvik");
  EXPECT_FALSE(Find(*w, "Panel_Progress")->isVisible());
  EXPECT_EQ(Find<HoverButton>(*w, "BTN_Start")->text(), "Загрузить список каналов");
  EXPECT_FALSE(Find(*w, "BTN_SaveToFile")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, DuringALoadInputIsIgnoredAndClosingCancels) {
  test::LoopbackServer server([](httplib::Server& s, test::LoopbackServer& self) {
    s.Get("/", [&self](const httplib::Request&, httplib::Response& res) {
      self.Pause(20s);
      res.set_content("late", "text/html");
    });
  });
  auto w = MakeWindow(server.Url(""));
  Choose(*w, 0);
  Find<HoverButton>(*w, "BTN_Start")->click();
  ASSERT_TRUE(w->Loading());
  auto* strip = Find<ProgressStrip>(*w, "Panel_Progress");
  EXPECT_TRUE(strip->isVisible());
  EXPECT_TRUE(Find<HoverButton>(*w, "BTN_Start")->text().isEmpty());
  QTest::qWait(100);
  EXPECT_TRUE(strip->Running());
  // The bar has moved: some pixel of the frame has the bar's colour.
  EXPECT_EQ(strip->Frame().pixel(0, 0), ProgressStrip::kBarColor);

  QTest::mouseClick(Find(*w, "Btn9"), Qt::LeftButton);
  EXPECT_EQ(w->LanguageCode(), "RU");

  const auto start = std::chrono::steady_clock::now();
  w->close();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_FALSE(w->Loading());
}

// A page that arrives without a channel list: the load ends as always, then
// a notice says so, in the window's language.
class ListlessLoadTest : public MainWindowTest,
                         public testing::WithParamInterface<test::ListlessSite> {};

TEST_P(ListlessLoadTest, NoticeAfterTheLoad) {
  const test::ListlessSite& c = GetParam();
  const auto site = c.Serve();
  // tricolor's trace file goes to the cache folder.
  const test::TempDir cache("gui-cache");
  const char* old_cache = std::getenv("XDG_CACHE_HOME");
  const std::string saved_cache = old_cache ? old_cache : "";
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);

  AppSettings settings;
  settings.sites = c.SitesOf(*site);
  settings.probe_limits.total_timeout = 5s;
  MainWindow w(std::move(settings));
  w.show();
  Choose(w, c.index);
  LoadAndWait(w);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, QMessageBox::Information);
  EXPECT_EQ(messages_[0].caption, "Сообщение программы");
  EXPECT_EQ(messages_[0].text.toStdString(), EmptyListMessage(c.cause, TextsFor(Language::kRu)));
  EXPECT_EQ(w.Model().rowCount(), static_cast<int>(c.rows.size()));
  EXPECT_EQ(w.ChannelListText(), CreateList(w.Model().Table().Rows()));
  EXPECT_EQ(w.windowTitle(), "Brelvik" + w.SiteLabel());
  for (const char* name : kOutputButtons) EXPECT_TRUE(Find(w, name)->isEnabled()) << name;

  Find<HoverButton>(w, "Btn9")->click();
  LoadAndWait(w);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].caption, "Message program");
  EXPECT_EQ(messages_[1].text.toStdString(), EmptyListMessage(c.cause, TextsFor(Language::kEn)));

  if (old_cache) {
    setenv("XDG_CACHE_HOME", saved_cache.c_str(), 1);
  } else {
    unsetenv("XDG_CACHE_HOME");
  }
}

INSTANTIATE_TEST_SUITE_P(Sites, ListlessLoadTest, testing::ValuesIn(test::ListlessSites()),
                         test::CaseName());

// After the channel_id file is saved, a notice names the codes the file cannot
// hold and the keys whose first channels the plug-in will not see.
TEST_F(MainWindowTest, NoticeOfWhatTheChannelIdFileCannotSay) {
  // 中 by reference (the page is Windows-1251), then "ТВ 3" and "ТВ-3".
  const std::string page =
      "<select><option value=channel_&#20013;1>CCTV</option>"
      "<option value=channel_1091>\xD2\xC2 3</option>"
      "<option value=channel_1383>\xD2\xC2-3</option></select>";
  test::LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [&](const httplib::Request&, httplib::Response& res) {
      res.set_content(page, "text/html");
    });
  });
  const test::TempDir dir("gui-findings");
  const QString path = QString::fromStdString((dir.path() / "channels_id").string());
  FileDialogs::SetInterceptor([&](const QString&, const QStringList&, int) {
    return SaveAnswer{path, 0};
  });
  auto w = MakeWindow(server.Url(""));
  Choose(*w, 0);
  LoadAndWait(*w);
  ASSERT_TRUE(messages_.empty());

  // As loaded: the lost character only.
  Find<HoverButton>(*w, "BTN_ChannelID")->click();
  Find<HoverButton>(*w, "VHSBtn2")->click();
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].text, "Файл сохранен по указанному пути.");
  EXPECT_EQ(messages_[1].icon, QMessageBox::Information);
  EXPECT_EQ(messages_[1].caption, "Сообщение программы");
  EXPECT_EQ(messages_[1].text,
            "Коды этих каналов содержат знаки, которых нет в кодировке Windows-1251 файла "
            "channel_id; в файле вместо них стоит «?»:\n«CCTV» (中1 → ?1)");

  // Without hyphens the two names give one key.
  Find<HoverButton>(*w, "BTN_ChannelID")->click();
  Find<QCheckBox>(*w, "CBox1")->setChecked(true);
  Find<QCheckBox>(*w, "CBox2")->setChecked(true);
  Find<HoverButton>(*w, "VHSBtn2")->click();
  ASSERT_EQ(messages_.size(), 4u);
  EXPECT_TRUE(messages_[3].text.endsWith(QString::fromStdString(
      "\n\nНазвания этих каналов дают один ключ, а коды у них разные; плагин прочтёт из "
      "файла только последний код:\nКлюч " +
      ChannelHash("ТВ3", {}) + ": «ТВ 3» (1091), «ТВ-3» (1383) — плагин увидит только 1383")))
      << messages_[3].text.toStdString();
  FileDialogs::SetInterceptor({});
}

TEST(ProgressAnimation, FillsEmptiesAndReturns) {
  ProgressAnimation a(159);
  EXPECT_EQ(a.Step(), 3);
  std::vector<std::tuple<int, int, int>> frames;
  for (int i = 0; i < 400; ++i) {
    a.NextFrame();
    frames.emplace_back(a.Left(), a.Right(), a.Phase());
  }
  EXPECT_EQ(frames[0], std::make_tuple(0, 3, 0));
  EXPECT_EQ(frames[52], std::make_tuple(0, 159, 0));  // 53 steps of 3 reach 159
  EXPECT_EQ(frames[53], std::make_tuple(0, 159, 1));  // the 54th passes it
  EXPECT_EQ(frames[54], std::make_tuple(3, 159, 1));
  // Phases follow each other 0, 1, 2, 3, 0, and the bar stays inside.
  int phase = 0, changes = 0;
  for (const auto& [x1, x2, p] : frames) {
    EXPECT_LE(0, x1);
    EXPECT_LE(x1, x2);
    EXPECT_LE(x2, 159);
    if (p != phase) {
      EXPECT_EQ(p, (phase + 1) % 4);
      phase = p;
      ++changes;
    }
  }
  EXPECT_GE(changes, 4);

  ProgressAnimation narrow(49);
  EXPECT_EQ(narrow.Step(), 0);
  for (int i = 0; i < 10; ++i) narrow.NextFrame();
  EXPECT_EQ(narrow.Right(), 0);
}

TEST_F(MainWindowTest, HoverColours) {
  auto w = MakeWindow();
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QEvent leave(QEvent::Leave);
  struct Colours {
    const char* button;
    QColor over;
    QColor after;
  };
  for (const Colours& c : {Colours{"BTN_Start", QColor(0, 0, 255), QColor(10, 36, 106)},
                           Colours{"Btn6", QColor(0, 0, 255), QColor(10, 36, 106)},
                           Colours{"BTN_ChannelID", QColor(0, 0, 255), QColor(10, 36, 106)},
                           Colours{"Btn7", QColor(255, 0, 0), QColor(128, 0, 0)},
                           Colours{"Btn9", QColor(255, 0, 0), QColor(128, 0, 0)}}) {
    auto* b = Find<HoverButton>(*w, c.button);
    QApplication::sendEvent(b, &enter);
    EXPECT_EQ(b->TextColor(), c.over) << c.button;
    QApplication::sendEvent(b, &leave);
    EXPECT_EQ(b->TextColor(), c.after) << c.button;
  }
  // The dialogs' buttons rest in the colour of an active window's caption.
  const QColor caption = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
  for (const char* name : {"VHSBtn2", "VHSBtn3", "VHSBtn4", "VHSBtn5", "VHSBtn6", "VHSBtn7"}) {
    auto* b = Find<HoverButton>(*w, name);
    EXPECT_EQ(b->TextColor(), caption) << name;
    QApplication::sendEvent(b, &enter);
    EXPECT_EQ(b->TextColor(), QColor(0, 0, 255)) << name;
    QApplication::sendEvent(b, &leave);
    EXPECT_EQ(b->TextColor(), caption) << name;
  }
}

}  // namespace
}  // namespace brelvik
