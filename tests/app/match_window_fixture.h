// The matching window's tests share this fixture: a provider page served on
// loopback, the main window loading it, the window opened and matched, and
// the message boxes, questions and file dialogs answered by the test.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <iterator>
#include <mutex>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/playlist_match_window.h"
#include "support/codepage.h"
#include "support/loopback_server.h"

namespace brelvik::test {

inline std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const QString& path, std::string_view bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

using Channels = std::vector<std::pair<std::string, std::string>>;  // name, code

// The provider's list: what the matcher makes of it is checked in Matching.
const Channels kChannels = {
    {"Первый канал", "1"},   {"Россия 1", "2"},       {"НТВ", "4"},
    {"Discovery Channel", "10"}, {"Eurosport 1", "11"}, {"Кухня ТВ", "12"},
    {"ТНТ", "13"},           {"Матч! Футбол 1", "14"}, {"СТС", "15"},
    {"Дом кино", "16"},      {"Пятница", "17"},        {"Звезда", "18"},
};

const char kPlaylist[] =
    "#EXTM3U\n"
    "#EXTINF:-1 tvg-name=\"Первый канал HD\" group-title=\"Эфир\",Первый канал HD\nhttp://x/1\n"
    "#EXTINF:-1,Россия 1\nhttp://x/2\n"
    "#EXTINF:-1,RU: НТВ\nhttp://x/3\n"
    "#EXTINF:-1,Discovery\nhttp://x/4\n"
    "#EXTINF:-1,Eurosport 2\nhttp://x/5\n"
    "#EXTINF:-1,TNT\nhttp://x/6\n"
    "#EXTINF:-1,CTC\nhttp://x/7\n"
    "#EXTINF:-1,Дом кино Премиум\nhttp://x/8\n"
    "#EXTINF:-1,Pyatnica\nhttp://x/9\n"
    "#EXTINF:-1,Звезда\nhttp://x/10\n"
    "#EXTINF:-1,Карусель\nhttp://x/11\n"
    "#EXTINF:-1,Кухня\nhttp://x/12\n"
    "#EXTINF:-1,Футбол 1\nhttp://x/13\n"
    "#EXTINF:-1,Eurosport\nhttp://x/14\n";

inline std::string PageOf(const Channels& channels) {
  std::string page = "<select>";
  for (const auto& [name, code] : channels) {
    page += "<option value=channel_" + code + ">" + name + "</option>";
  }
  return Utf8ToCp1251(page + "</select>");
}

class MatchWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    SetPage(kChannels);
    MessageBoxes::SetInterceptor([this](const MessageRecord& m) { messages_.push_back(m); });
    MessageBoxes::SetAskInterceptor([this](const MessageRecord& m) {
      questions_.push_back(m);
      if (answers_.empty()) {
        ADD_FAILURE() << "unexpected question: " << m.text.toStdString();
        return -1;
      }
      const int answer = answers_.front();
      answers_.erase(answers_.begin());
      return answer;
    });
    FileDialogs::SetInterceptor([this](const QString& name, const QStringList&, int) {
      save_names_.push_back(name);
      return save_answer_;
    });
    FileDialogs::SetOpenInterceptor([this](const QString&, const QStringList& filters) {
      open_filters_ = filters;
      return open_answer_;
    });
    AppSettings settings;
    EXPECT_EQ(settings.sites.Override("vsetv=" + server_.Url("")), "");
    main_ = std::make_unique<MainWindow>(std::move(settings));
    main_->show();
    playlist_path_ = dir_.filePath("my.m3u");
    WriteFile(playlist_path_, kPlaylist);
  }
  void TearDown() override {
    main_.reset();
    MessageBoxes::SetInterceptor({});
    MessageBoxes::SetAskInterceptor([](const MessageRecord&) { return -1; });
    FileDialogs::SetInterceptor({});
    FileDialogs::SetOpenInterceptor({});
  }

  void SetPage(const Channels& channels) {
    std::lock_guard lock(page_mutex_);
    page_ = PageOf(channels);
  }

  void Load() {
    main_->findChild<QComboBox*>("Combo1")->setCurrentIndex(0);
    QSignalSpy ended(main_.get(), &MainWindow::LoadEnded);
    main_->findChild<HoverButton*>("BTN_Start")->click();
    ASSERT_TRUE(ended.wait(10000));
  }

  // Loads the list, opens the window and matches the playlist.
  PlaylistMatchWindow* OpenAndMatch(const QString& playlist = {}) {
    Load();
    main_->Match1Click();
    PlaylistMatchWindow* w = main_->MatchWindow();
    EXPECT_NE(w, nullptr);
    if (!w) return nullptr;
    Match(*w, playlist.isEmpty() ? playlist_path_ : playlist);
    return w;
  }

  void Match(PlaylistMatchWindow& w, const QString& playlist) {
    open_answer_ = playlist;
    QSignalSpy ended(&w, &PlaylistMatchWindow::MatchEnded);
    Find<QPushButton>(w, "BTN_OpenPlaylist")->click();
    EXPECT_TRUE(ended.wait(10000));
  }

  template <typename T = QWidget>
  static T* Find(QWidget& w, const char* name) {
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  // Types text letter by letter, as a keyboard would, Cyrillic included.
  static void Type(QWidget* widget, const QString& text) {
    for (const QChar letter : text) {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(letter), Qt::NoModifier);
    }
  }

  static QTableView* Grid(PlaylistMatchWindow& w) { return Find<QTableView>(w, "Grid_Match"); }

  // The window's source row of a provider name.
  static int RowOf(PlaylistMatchWindow& w, const std::string& name) {
    const ChannelRows& rows = w.Model().Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].name == name) return static_cast<int>(i);
    }
    ADD_FAILURE() << name;
    return -1;
  }

  static const RowMatch& MatchOf(PlaylistMatchWindow& w, const std::string& name) {
    return w.Model().Run().rows.at(static_cast<std::size_t>(RowOf(w, name)));
  }

  static std::string PlaylistNameOf(PlaylistMatchWindow& w, const std::string& name) {
    const RowMatch& match = MatchOf(w, name);
    return match.name ? w.Model().Run().names[*match.name].name : std::string();
  }

  // Makes the row of `name` the grid's current, selected row.
  static void Select(PlaylistMatchWindow& w, const std::string& name) {
    QTableView* grid = Grid(w);
    auto* proxy = static_cast<QSortFilterProxyModel*>(grid->model());
    const QModelIndex index =
        proxy->mapFromSource(w.Model().index(RowOf(w, name), MatchModel::kPlaylistName));
    ASSERT_TRUE(index.isValid()) << name;
    grid->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  // The row's drop-down, opened with `key` (F2, or a letter that it keeps).
  static QComboBox* OpenEditor(PlaylistMatchWindow& w, const std::string& name, Qt::Key key) {
    // Editors closed before are deleted only later.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Select(w, name);
    QTest::keyClick(Grid(w), key);
    auto* editor = Grid(w)->findChild<QComboBox*>("Combo_PlaylistName");
    EXPECT_NE(editor, nullptr) << name;
    return editor;
  }

  static bool EditorOpen(PlaylistMatchWindow& w) {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Grid(w)->findChild<QComboBox*>("Combo_PlaylistName") != nullptr;
  }

  // Column `column` of the grid, top to bottom.
  static QStringList ColumnTexts(PlaylistMatchWindow& w, int column) {
    QStringList texts;
    QAbstractItemModel* model = Grid(w)->model();
    for (int r = 0; r < model->rowCount(); ++r) texts << model->index(r, column).data().toString();
    return texts;
  }

  std::string MainName(const std::string& code) {
    const ChannelTable& table = main_->Model().Table();
    for (std::size_t i = 0; i < table.Count(); ++i) {
      if (table.Row(i).code == code) return table.Row(i).name;
    }
    return "?";
  }

  // Writes the channel_id file with "save the changes" ticked; its text.
  std::string WriteChannelIdFile() {
    const QString path = dir_.filePath("channels_id");
    save_answer_ = SaveAnswer{path, 0};
    main_->BTN_ChannelIDClick();
    main_->findChild<QCheckBox*>("CBox1")->setChecked(true);
    main_->findChild<HoverButton*>("VHSBtn2")->click();
    save_answer_.reset();
    return ReadFile(path);
  }

  std::mutex page_mutex_;
  std::string page_;
  test::LoopbackServer server_{[this](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/html"); });
    s.Get("/channels.html", [this](const httplib::Request&, httplib::Response& res) {
      std::lock_guard lock(page_mutex_);
      res.set_content(page_, "text/html");
    });
  }};
  QTemporaryDir dir_;
  QString playlist_path_;
  std::unique_ptr<MainWindow> main_;
  std::vector<MessageRecord> messages_;
  std::vector<MessageRecord> questions_;  // questions asked, in order
  std::vector<int> answers_;              // the answers to give them
  std::vector<QString> save_names_;
  std::optional<SaveAnswer> save_answer_;
  std::optional<QString> open_answer_;
  QStringList open_filters_;
};

}  // namespace brelvik::test
