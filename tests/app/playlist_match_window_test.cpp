// The playlist matching window, offscreen, on a list loaded from a loopback
// site: opening it, matching, filtering, deciding rows, applying the names to
// the table and the channel_id file, writing the playlist, both languages.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QTreeWidget>
#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <iterator>
#include <mutex>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/playlist_match_window.h"
#include "matching/mapping.h"
#include "outputs/channel_id_map.h"
#include "support/codepage.h"
#include "support/loopback_server.h"
#include "match_window_fixture.h"

namespace brelvik {
namespace {

using test::Channels;
using test::kChannels;
using test::kPlaylist;
using test::MatchWindowTest;
using test::ReadFile;
using test::WriteFile;

TEST_F(MatchWindowTest, OpensFromTheContextMenuAndWithCtrlM) {
  auto* menu = Find<QMenu>(*main_, "PopupMenu1");
  QAction* match1 = Find<QAction>(*main_, "match1");
  ASSERT_TRUE(menu && match1);
  // After channelid1, with a separator between them.
  const QList<QAction*> actions = menu->actions();
  ASSERT_GE(actions.size(), 3);
  EXPECT_EQ(actions.back(), match1);
  EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
  EXPECT_EQ(actions[actions.size() - 3]->objectName(), "channelid1");
  EXPECT_EQ(match1->text(), "Сопоставить с плейлистом...");
  EXPECT_EQ(match1->shortcut(), QKeySequence("Ctrl+M"));
  EXPECT_FALSE(match1->isEnabled());

  // Before a load has ended, Ctrl+M opens nothing.
  main_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  QTest::keyClick(main_.get(), Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(main_->MatchWindow(), nullptr);

  Load();
  EXPECT_TRUE(match1->isEnabled());
  auto* grid = Find<QTableView>(*main_, "Grid1");
  emit grid->customContextMenuRequested(QPoint(20, 20));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(match1).center());
  PlaylistMatchWindow* w = main_->MatchWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->isWindow());
  EXPECT_FALSE(w->isModal());
  EXPECT_EQ(w->objectName(), "PlaylistMatchWindow");
  EXPECT_EQ(w->windowTitle(), "Сопоставление с плейлистом");
  EXPECT_LT(w->minimumSize().width(), w->maximumSize().width());
  // The main window keeps working beside it.
  EXPECT_TRUE(main_->findChild<HoverButton*>("BTN_Search")->isEnabled());

  w->close();
  EXPECT_FALSE(w->isVisible());
  main_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  QTest::keyClick(main_.get(), Qt::Key_M, Qt::ControlModifier);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(main_->MatchWindow(), w);

  // Every control carries an object name.
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child) ||
        qobject_cast<QComboBox*>(child) || qobject_cast<QTableView*>(child) ||
        qobject_cast<QLabel*>(child) || qobject_cast<QSpinBox*>(child)) {
      EXPECT_FALSE(child->objectName().isEmpty()) << child->metaObject()->className();
    }
  }
}

TEST_F(MatchWindowTest, Matching) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(open_filters_.value(0), "Плейлисты (*.m3u *.m3u8 *.txt)");
  EXPECT_EQ(w->Model().rowCount(), 12);
  const MatchCounts counts = w->Model().Run().Counts();
  EXPECT_EQ(counts.exact, 5u);
  EXPECT_EQ(counts.automatic, 4u);
  EXPECT_EQ(counts.review, 1u);
  EXPECT_EQ(counts.none, 2u);
  EXPECT_EQ(Find<QLabel>(*w, "Label_Counts")->text(),
            "Точно: 5   автоматически: 4   ваш выбор: 0   на проверку: 1   без пары: 2   "
            "(показано 12 из 12)");
  EXPECT_EQ(Find<QLabel>(*w, "Label_Playlist")->text(), "my.m3u: записей 14, названий 14");
  EXPECT_FALSE(Find(*w, "Panel_MatchProgress")->isVisible());

  // Status by text and colour both; the reason in the window's language.
  QAbstractItemModel* model = Grid(*w)->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    const QModelIndex status = model->index(r, MatchModel::kStatus);
    EXPECT_FALSE(status.data().toString().isEmpty());
    EXPECT_TRUE(status.data(Qt::BackgroundRole).value<QBrush>().color().isValid());
  }
  const int ntv = RowOf(*w, "НТВ");
  EXPECT_EQ(w->Model().index(ntv, MatchModel::kPlaylistName).data().toString(), "RU: НТВ");
  EXPECT_EQ(w->Model().index(ntv, MatchModel::kStatus).data().toString(), "точно");
  EXPECT_EQ(w->Model().index(ntv, MatchModel::kReason).data().toString().toStdString(),
            "то же после удаления «RU:»");
  const int football = RowOf(*w, "Матч! Футбол 1");
  EXPECT_EQ(w->Model().index(football, MatchModel::kStatus).data().toString(), "проверить");
  EXPECT_NE(w->Model().index(football, MatchModel::kStatus).data(Qt::BackgroundRole),
            w->Model().index(ntv, MatchModel::kStatus).data(Qt::BackgroundRole));
  // What needs the user comes first.
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kStatus).value(0), "проверить");
}

TEST_F(MatchWindowTest, FilterSearchAndSortByEveryColumn) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  auto* filter = Find<QComboBox>(*w, "Combo_Filter");
  ASSERT_EQ(filter->count(), 6);
  // all, to review, unmatched, exact, automatic (yours: in the mapping test)
  const std::pair<int, QStringList> kShown[] = {
      {0, {}},
      {1, {"Матч! Футбол 1"}},
      {2, {"Eurosport 1", "Дом кино"}},
      {3, {"Discovery Channel"}},  // none: Discovery is automatic
      {4, {"Discovery Channel", "Кухня ТВ", "Пятница", "ТНТ"}},
  };
  for (const auto& [index, names] : kShown) {
    filter->setCurrentIndex(index);
    QStringList shown = ColumnTexts(*w, MatchModel::kProviderName);
    shown.sort();
    if (index == 0) {
      EXPECT_EQ(shown.size(), 12);
    } else if (index == 3) {
      EXPECT_EQ(shown.size(), 5);
      EXPECT_FALSE(shown.contains("Discovery Channel"));
    } else {
      EXPECT_EQ(shown, names) << index;
    }
  }
  EXPECT_TRUE(Find<QLabel>(*w, "Label_Counts")->text().endsWith("(показано 4 из 12)"));

  // The search looks at both names and the code, in any case.
  filter->setCurrentIndex(0);
  auto* search = Find<QLineEdit>(*w, "Edit_Search");
  search->setText("РОССИЯ");
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kProviderName), QStringList{"Россия 1"});
  search->setText("pyat");
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kProviderName), QStringList{"Пятница"});
  search->setText("13");
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kProviderName), QStringList{"ТНТ"});
  filter->setCurrentIndex(1);
  EXPECT_TRUE(ColumnTexts(*w, MatchModel::kProviderName).isEmpty());
  search->clear();
  filter->setCurrentIndex(0);

  // Every column sorts, numbers as numbers, both ways.
  QHeaderView* header = Grid(*w)->horizontalHeader();
  header->setSortIndicator(MatchModel::kScore, Qt::AscendingOrder);
  QStringList scores = ColumnTexts(*w, MatchModel::kScore);
  for (int i = 1; i < scores.size(); ++i) EXPECT_LE(scores[i - 1].toInt(), scores[i].toInt());
  header->setSortIndicator(MatchModel::kScore, Qt::DescendingOrder);
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kScore).first(), "100");
  header->setSortIndicator(MatchModel::kCode, Qt::AscendingOrder);
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kCode).mid(0, 3), (QStringList{"1", "2", "4"}));
  for (const int column : {MatchModel::kProviderName, MatchModel::kPlaylistName,
                           MatchModel::kStatus, MatchModel::kReason}) {
    header->setSortIndicator(column, Qt::AscendingOrder);
    const QStringList up = ColumnTexts(*w, column);
    header->setSortIndicator(column, Qt::DescendingOrder);
    QStringList down = ColumnTexts(*w, column);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(up, down) << column;
    EXPECT_NE(up, ColumnTexts(*w, column)) << column;
  }
  header->setSortIndicator(MatchModel::kProviderName, Qt::AscendingOrder);
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kProviderName).mid(0, 2),
            (QStringList{"Discovery Channel", "Eurosport 1"}));
}

TEST_F(MatchWindowTest, ConfirmPickRejectApplyAndRestore) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  const std::string as_loaded = WriteChannelIdFile();
  ASSERT_FALSE(as_loaded.empty());
  QTableView* grid = Grid(*w);

  // Enter confirms the suggestion of a review row, as the user's.
  Find<QComboBox>(*w, "Combo_Filter")->setCurrentIndex(1);
  ASSERT_EQ(grid->model()->rowCount(), 1);
  Select(*w, "Матч! Футбол 1");
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(MatchOf(*w, "Матч! Футбол 1").status, MatchStatus::kAuto);
  EXPECT_TRUE(MatchOf(*w, "Матч! Футбол 1").by_user);
  EXPECT_EQ(PlaylistNameOf(*w, "Матч! Футбол 1"), "Футбол 1");
  EXPECT_EQ(grid->model()->rowCount(), 0);  // nothing left to review
  Find<QComboBox>(*w, "Combo_Filter")->setCurrentIndex(0);
  EXPECT_EQ(w->Model().index(RowOf(*w, "Матч! Футбол 1"), MatchModel::kStatus).data().toString(),
            "ваш выбор");

  // An unmatched row's closest name is no suggestion: Enter opens the
  // drop-down to pick a name from, a few letters, then the list.
  EXPECT_EQ(w->Model().index(RowOf(*w, "Дом кино"), MatchModel::kPlaylistName).data().toString(),
            "");
  QComboBox* editor = OpenEditor(*w, "Дом кино", Qt::Key_Return);
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(MatchOf(*w, "Дом кино").by_user);
  EXPECT_EQ(editor->itemText(0), "— без пары —");
  EXPECT_EQ(editor->currentIndex(), 0);
  EXPECT_EQ(editor->count(), 15);
  Type(editor->lineEdit(), "прем");
  QCompleter* completer = editor->completer();
  ASSERT_NE(completer, nullptr);
  EXPECT_EQ(completer->completionCount(), 1);
  EXPECT_EQ(completer->currentCompletion(), "Дом кино Премиум");
  QAbstractItemView* popup = completer->popup();
  ASSERT_TRUE(popup->isVisible());
  QTest::keyClick(popup, Qt::Key_Down);
  QTest::keyClick(popup, Qt::Key_Return);
  EXPECT_FALSE(EditorOpen(*w));
  EXPECT_EQ(PlaylistNameOf(*w, "Дом кино"), "Дом кино Премиум");
  EXPECT_TRUE(MatchOf(*w, "Дом кино").by_user);

  // Typing on a row opens its drop-down with the letters typed.
  editor = OpenEditor(*w, "Eurosport 1", Qt::Key_E);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->currentText(), "e");
  QTest::keyClicks(editor->lineEdit(), "urosport");
  QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
  EXPECT_FALSE(EditorOpen(*w));
  EXPECT_EQ(PlaylistNameOf(*w, "Eurosport 1"), "Eurosport");

  // Cleared to no match: with the drop-down's first item, or Delete.
  editor = OpenEditor(*w, "Discovery Channel", Qt::Key_F2);
  ASSERT_NE(editor, nullptr);
  editor->setCurrentIndex(0);
  QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
  EXPECT_FALSE(EditorOpen(*w));
  EXPECT_EQ(MatchOf(*w, "Discovery Channel").status, MatchStatus::kNone);
  EXPECT_TRUE(MatchOf(*w, "Discovery Channel").by_user);
  Select(*w, "ТНТ");
  QTest::keyClick(grid, Qt::Key_Delete);
  EXPECT_EQ(MatchOf(*w, "ТНТ").status, MatchStatus::kNone);
  EXPECT_EQ(w->Model().index(RowOf(*w, "ТНТ"), MatchModel::kStatus).data().toString(),
            "ваш выбор: без пары");
  EXPECT_EQ(Find<QLabel>(*w, "Label_Counts")->text(),
            "Точно: 5   автоматически: 2   ваш выбор: 5   на проверку: 0   без пары: 0   "
            "(показано 12 из 12)");

  // Applied: the accepted rows take their playlist names, the rest keep theirs.
  auto* restore = Find<QPushButton>(*w, "BTN_Restore");
  EXPECT_FALSE(restore->isEnabled());
  Find<QPushButton>(*w, "BTN_Apply")->click();
  EXPECT_EQ(w->StatusText(), "Названия из плейлиста получили каналов: 10.");
  EXPECT_EQ(MainName("4"), "RU: НТВ");
  EXPECT_EQ(MainName("14"), "Футбол 1");
  EXPECT_EQ(MainName("16"), "Дом кино Премиум");
  EXPECT_EQ(MainName("11"), "Eurosport");
  EXPECT_EQ(MainName("17"), "Pyatnica");
  EXPECT_EQ(MainName("10"), "Discovery Channel");
  EXPECT_EQ(MainName("13"), "ТНТ");
  EXPECT_EQ(MainName("12"), "Кухня");
  // The grid keeps its order: names ascending.
  const ChannelRows rows = main_->Model().Table().Rows();
  for (std::size_t i = 1; i < rows.size(); ++i) {
    EXPECT_LT(CollationKey(rows[i - 1].name), CollationKey(rows[i].name)) << rows[i].name;
  }
  const std::string applied = WriteChannelIdFile();
  EXPECT_EQ(applied, CreateList(rows) + "\r\n");
  EXPECT_NE(applied.find(ChannelHash("RU: НТВ", {})), std::string::npos);
  EXPECT_EQ(applied.find(ChannelHash("НТВ", {})), std::string::npos);
  EXPECT_NE(applied.find(ChannelHash("Discovery Channel", {})), std::string::npos);
  // Unticked, the file still has the names as loaded.
  EXPECT_EQ(main_->ChannelListText() + "\r\n", as_loaded);

  // The main window keeps working on the new names: search and copy.
  main_->BTN_SearchClick();
  main_->findChild<QLineEdit*>("Edit1")->setText("Премиум");
  main_->VHSBtn6Click();
  EXPECT_EQ(main_->Model().index(main_->CurrentRow(), 0).data().toString(), "Дом кино Премиум");
  main_->VHSBtn7Click();
  main_->SetCurrentRow(static_cast<int>(*main_->Model().Table().LocateCodePrefix("16")));
  main_->BTN_CopyNameClick();
  EXPECT_EQ(QApplication::clipboard()->text(), "Дом кино Премиум");

  // Restored in one step.
  ASSERT_TRUE(restore->isEnabled());
  restore->click();
  EXPECT_EQ(MainName("4"), "НТВ");
  EXPECT_EQ(MainName("16"), "Дом кино");
  EXPECT_FALSE(main_->Model().Table().Renamed());
  EXPECT_FALSE(restore->isEnabled());
  EXPECT_EQ(WriteChannelIdFile(), as_loaded);
}

TEST_F(MatchWindowTest, ApplyAfterTheGridWasResortedAndEdited) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  // The grid re-sorted by code, descending, and one name edited by hand
  // after the match: the match still lands on its channels.
  main_->Grid1TitleBtnClick(1);
  main_->Grid1TitleBtnClick(1);
  auto& model = const_cast<ChannelModel&>(main_->Model());
  const int kitchen = static_cast<int>(*model.Table().LocateCodePrefix("12"));
  ASSERT_TRUE(model.setData(model.index(kitchen, 0), "Кухня (мой)", Qt::EditRole));
  Find<QPushButton>(*w, "BTN_Apply")->click();
  EXPECT_EQ(MainName("4"), "RU: НТВ");
  EXPECT_EQ(MainName("12"), "Кухня");
  EXPECT_EQ(MainName("2"), "Россия 1");
  EXPECT_EQ(MainName("11"), "Eurosport 1");
  EXPECT_EQ(main_->Model().Table().Order(), (SortOrder{ChannelField::kCode, true}));
}

TEST_F(MatchWindowTest, AcceptAllSuggestionsAtOrAboveN) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  auto* score = Find<QSpinBox>(*w, "Spin_AcceptScore");
  EXPECT_EQ(score->value(), PlaylistMatchWindow::kDefaultAcceptScore);
  const int suggested = MatchOf(*w, "Матч! Футбол 1").score;
  score->setValue(suggested + 1);
  Find<QPushButton>(*w, "BTN_AcceptAll")->click();
  EXPECT_EQ(MatchOf(*w, "Матч! Футбол 1").status, MatchStatus::kReview);
  ASSERT_FALSE(messages_.empty());  // nothing to accept, and why
  EXPECT_NE(messages_.back().text.indexOf("Принимать нечего"), -1);
  score->setValue(suggested);
  answers_ = {0};
  Find<QPushButton>(*w, "BTN_AcceptAll")->click();
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_TRUE(questions_[0].text.startsWith("Принять предложений: 1?"));
  EXPECT_EQ(MatchOf(*w, "Матч! Футбол 1").status, MatchStatus::kAuto);
  EXPECT_TRUE(MatchOf(*w, "Матч! Футбол 1").by_user);
  EXPECT_EQ(w->StatusText(), "Принято предложений: 1.");
  // The unmatched rows had no suggestion to accept.
  EXPECT_EQ(MatchOf(*w, "Дом кино").status, MatchStatus::kNone);
  EXPECT_FALSE(MatchOf(*w, "Дом кино").by_user);
}

TEST_F(MatchWindowTest, WritesThePlaylistWithIds) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Select(*w, "Матч! Футбол 1");
  Find<QPushButton>(*w, "BTN_Confirm")->click();
  const QString out = dir_.filePath("out.m3u");
  save_answer_ = SaveAnswer{out, 0};
  Find<QPushButton>(*w, "BTN_WritePlaylist")->click();
  ASSERT_EQ(save_names_.size(), 1u);
  EXPECT_EQ(save_names_[0], dir_.filePath("my-tvg-id.m3u"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, QMessageBox::Information);
  EXPECT_EQ(messages_[0].text, "Плейлист записан: tvg-id у записей: 10.");
  const std::string written = ReadFile(out);
  EXPECT_NE(written.find("#EXTINF:-1 tvg-id=\"4\",RU: НТВ\nhttp://x/3\n"), std::string::npos);
  EXPECT_NE(written.find("tvg-id=\"14\",Футбол 1"), std::string::npos);
  EXPECT_NE(written.find("#EXTINF:-1,Карусель\n"), std::string::npos);
  EXPECT_EQ(ReadFile(playlist_path_), kPlaylist);

  // A failed write says why and leaves the file as it was.
  save_answer_ = SaveAnswer{out + "/inside", 0};
  WriteFile(dir_.filePath("x"), "");
  save_answer_ = SaveAnswer{dir_.filePath("x") + "/inside.m3u", 0};
  Find<QPushButton>(*w, "BTN_WritePlaylist")->click();
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].icon, QMessageBox::Critical);
  EXPECT_TRUE(messages_[1].text.startsWith("Сохранение файла завершилось неудачей.\n"));

  // A list of names has no place for a tvg-id.
  const QString names = dir_.filePath("names.txt");
  WriteFile(names, "Россия 1\nНТВ\n");
  Match(*w, names);
  EXPECT_EQ(w->Model().Run().names.size(), 2u);
  save_answer_ = SaveAnswer{dir_.filePath("names-out.txt"), 0};
  Find<QPushButton>(*w, "BTN_WritePlaylist")->click();
  ASSERT_EQ(messages_.size(), 3u);
  EXPECT_EQ(messages_[2].icon, QMessageBox::Critical);
  EXPECT_FALSE(QFile::exists(dir_.filePath("names-out.txt")));
}

TEST_F(MatchWindowTest, UnusablePlaylistIsRefusedAndChangesNothing) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Select(*w, "Матч! Футбол 1");
  Find<QPushButton>(*w, "BTN_Confirm")->click();
  const QString empty = dir_.filePath("empty.m3u");
  WriteFile(empty, "");
  Match(*w, empty);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
  EXPECT_EQ(messages_[0].caption, "Сообщение программы");
  EXPECT_TRUE(messages_[0].text.startsWith("Плейлист пуст")) << messages_[0].text.toStdString();
  // The match, the user's decision and the playlist stay.
  EXPECT_EQ(w->Model().rowCount(), 12);
  EXPECT_TRUE(MatchOf(*w, "Матч! Футбол 1").by_user);
  EXPECT_EQ(w->PlaylistPath().filename(), "my.m3u");

  // In English once the language is English.
  main_->Btn9Click();
  Match(*w, dir_.filePath("missing.m3u"));
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].caption, "Message program");
  EXPECT_TRUE(messages_[1].text.contains("missing.m3u")) << messages_[1].text.toStdString();
  EXPECT_EQ(w->Model().rowCount(), 12);
}

TEST_F(MatchWindowTest, BothLanguagesFollowTheToggle) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  const int ntv = RowOf(*w, "НТВ");
  const auto texts = [&] {
    return QStringList{w->windowTitle(),
                       Find<QPushButton>(*w, "BTN_Apply")->text(),
                       Find<QPushButton>(*w, "BTN_Restore")->text(),
                       Find<QPushButton>(*w, "BTN_WritePlaylist")->text(),
                       Find<QPushButton>(*w, "BTN_AcceptAll")->text(),
                       Find<QComboBox>(*w, "Combo_Filter")->itemText(1),
                       w->Model().headerData(MatchModel::kPlaylistName, Qt::Horizontal,
                                             Qt::DisplayRole).toString(),
                       w->Model().index(ntv, MatchModel::kStatus).data().toString(),
                       Find<QLabel>(*w, "Label_Playlist")->text()};
  };
  const QStringList russian{"Сопоставление с плейлистом", "Применить к таблице",
                            "Вернуть названия провайдера", "Записать плейлист...",
                            "Принять все предложения с оценкой от", "на проверку",
                            "Название в плейлисте", "точно", "my.m3u: записей 14, названий 14"};
  const QStringList english{"Matching with a playlist", "Apply to the table",
                            "Restore the provider's names", "Write playlist...",
                            "Accept all suggestions at or above", "to review",
                            "Playlist name", "exact", "my.m3u: 14 entries, 14 names"};
  EXPECT_EQ(texts(), russian);
  main_->findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(texts(), english);
  EXPECT_EQ(w->Model().index(ntv, MatchModel::kReason).data().toString().toStdString(),
            "same after removing “RU:”");
  EXPECT_EQ(Find<QAction>(*main_, "match1")->text(), "Match with a playlist...");
  EXPECT_EQ(Find<QLabel>(*w, "Label_Counts")->text(),
            "Exact: 5   automatic: 4   your choices: 0   to review: 1   unmatched: 2   "
            "(12 of 12 shown)");
  QComboBox* editor = OpenEditor(*w, "Дом кино", Qt::Key_F2);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->itemText(0), "— no match —");
  QTest::keyClick(editor->lineEdit(), Qt::Key_Escape);
  main_->findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(texts(), russian);

  // A window first opened in English speaks English.
  main_.reset();
  MainWindow other;
  other.Btn9Click();
  other.Match1Click();
  EXPECT_EQ(other.MatchWindow()->windowTitle(), "Matching with a playlist");
}

TEST_F(MatchWindowTest, CancelledMatchKeepsWhatWasThere) {
  // A list and a playlist large enough that the match is still running
  // when the cancel button is pressed.
  Channels many;
  std::string big = "#EXTM3U\n";
  for (int i = 0; i < 3000; ++i) {
    many.push_back({"Канал номер " + std::to_string(i) + " плюс", std::to_string(i + 1)});
    big += "#EXTINF:-1,Channel " + std::to_string(i * 7) + " extra\nhttp://x/" + std::to_string(i) + "\n";
  }
  SetPage(many);
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->Model().rowCount(), 3000);
  const QString big_path = dir_.filePath("big.m3u");
  WriteFile(big_path, big);
  open_answer_ = big_path;
  QSignalSpy ended(w, &PlaylistMatchWindow::MatchEnded);
  Find<QPushButton>(*w, "BTN_OpenPlaylist")->click();
  EXPECT_TRUE(w->Matching());
  EXPECT_TRUE(Find(*w, "Panel_MatchProgress")->isVisible());
  EXPECT_FALSE(Find(*w, "BTN_OpenPlaylist")->isEnabled());
  EXPECT_FALSE(Find(*w, "BTN_Apply")->isEnabled());
  Find<QPushButton>(*w, "BTN_CancelMatch")->click();
  EXPECT_EQ(ended.count(), 1);
  EXPECT_FALSE(w->Matching());
  EXPECT_FALSE(Find(*w, "Panel_MatchProgress")->isVisible());
  EXPECT_EQ(w->StatusText(), "Сопоставление прервано.");
  QTest::qWait(300);
  EXPECT_EQ(ended.count(), 1);
  EXPECT_EQ(w->PlaylistPath().filename(), "my.m3u");
  EXPECT_EQ(w->Model().Run().names.size(), 14u);
  EXPECT_TRUE(Find(*w, "BTN_Apply")->isEnabled());
}

// The user's decisions of the main flow: a review row confirmed, a name
// picked, a row said to have no match.
void Decide(PlaylistMatchWindow& w) {
  auto& model = const_cast<MatchModel&>(w.Model());
  const auto row = [&](const std::string& name) {
    for (std::size_t i = 0; i < model.Rows().size(); ++i) {
      if (model.Rows()[i].name == name) return static_cast<int>(i);
    }
    return -1;
  };
  model.Decide(row("Матч! Футбол 1"), FindName(model.Run(), "Футбол 1"));
  model.Decide(row("Дом кино"), FindName(model.Run(), "Дом кино Премиум"));
  model.Decide(row("Eurosport 1"), FindName(model.Run(), "Eurosport"));
  model.Decide(row("ТНТ"), std::nullopt);
}

// Each row as "name|code|status|user|playlist name".
QStringList Outcomes(PlaylistMatchWindow& w) {
  QStringList lines;
  const MatchRun& run = w.Model().Run();
  for (std::size_t i = 0; i < run.rows.size(); ++i) {
    const RowMatch& m = run.rows[i];
    lines << QString::fromStdString(w.Model().Rows()[i].name + "|" + w.Model().Rows()[i].code + "|" +
                                    std::string(StatusName(m.status)) + "|" +
                                    (m.by_user ? "user" : "auto") + "|" +
                                    (m.name ? run.names[*m.name].name : ""));
  }
  return lines;
}

TEST_F(MatchWindowTest, MappingRoundTrip) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Decide(*w);
  const QStringList decided = Outcomes(*w);
  const QString path = dir_.filePath("vsetv-mapping.tsv");
  save_answer_ = SaveAnswer{path, 0};
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  ASSERT_EQ(save_names_.size(), 1u);
  EXPECT_EQ(save_names_[0], dir_.filePath("vsetv-mapping.tsv"));
  EXPECT_EQ(w->StatusText(), "Сопоставление сохранено: решений 12, из них ваших 4.");
  const ChannelMapping saved = ReadMappingFile(path.toStdString(), "vsetv");
  EXPECT_EQ(saved, MappingOf("vsetv", w->Model().Rows(), w->Model().Run()));

  // A fresh match knows nothing of the decisions; the mapping brings them back.
  Match(*w, playlist_path_);
  EXPECT_NE(Outcomes(*w), decided);
  open_answer_ = path;
  Find<QPushButton>(*w, "BTN_OpenMapping")->click();
  EXPECT_EQ(open_filters_.value(0), "Сопоставления (*.tsv *.txt)");
  EXPECT_EQ(Outcomes(*w), decided);
  EXPECT_EQ(w->StatusText(), "Применено ваших решений из сопоставления: 4.");
  EXPECT_EQ(Find<QLabel>(*w, "Label_Counts")->text(),
            "Точно: 5   автоматически: 3   ваш выбор: 4   на проверку: 0   без пары: 0   "
            "(показано 12 из 12)");
  ASSERT_TRUE(w->Refresh().has_value());
  EXPECT_TRUE(w->Refresh()->Empty());
  EXPECT_TRUE(Find(*w, "Panel_Refresh")->isVisible());
  auto* tree = Find<QTreeWidget>(*w, "Tree_Refresh");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "У провайдера ничего не изменилось.");
  Find<QPushButton>(*w, "BTN_HideRefresh")->click();
  EXPECT_FALSE(Find(*w, "Panel_Refresh")->isVisible());
  // The decisions applied to the table as the user's.
  Find<QPushButton>(*w, "BTN_Apply")->click();
  EXPECT_EQ(MainName("16"), "Дом кино Премиум");
  EXPECT_EQ(MainName("13"), "ТНТ");
}

TEST_F(MatchWindowTest, DamagedOrForeignMappingIsRefusedAndChangesNothing) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Decide(*w);
  const QStringList before = Outcomes(*w);
  const QString damaged = dir_.filePath("damaged.tsv");
  WriteFile(damaged, "brelvik-mapping\t1\nprovider\tvsetv\ncode\tprovider_name\tplaylist_name\tdecision\n"
                     "4\tНТВ\tRU: НТВ\tsomebody\n");
  const QString foreign = dir_.filePath("akado.tsv");
  SaveMappingFile(foreign.toStdString(), {"akado", {{"4", "НТВ", "", Decision::kUser}}});
  const QString newer = dir_.filePath("newer.tsv");
  WriteFile(newer, "brelvik-mapping\t99\nprovider\tvsetv\n");
  const std::pair<QString, const char*> kRefused[] = {
      {damaged, "Файл сопоставления повреждён"},
      {foreign, "Файл сопоставления относится к другому провайдеру"},
      {newer, "Файл сопоставления записан более новой версией программы"},
      {dir_.filePath("missing.tsv"), "Не удаётся прочитать файл сопоставления"},
  };
  for (const auto& [path, message] : kRefused) {
    messages_.clear();
    open_answer_ = path;
    Find<QPushButton>(*w, "BTN_OpenMapping")->click();
    ASSERT_EQ(messages_.size(), 1u) << path.toStdString();
    EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(messages_[0].text.startsWith(message)) << messages_[0].text.toStdString();
    EXPECT_EQ(Outcomes(*w), before);
    EXPECT_FALSE(w->Refresh().has_value());
  }
  main_->Btn9Click();
  messages_.clear();
  open_answer_ = foreign;
  Find<QPushButton>(*w, "BTN_OpenMapping")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].text.startsWith("The mapping file belongs to another provider"));

  // An unwritable place for a mapping leaves the file that was there.
  WriteFile(dir_.filePath("file"), "kept");
  save_answer_ = SaveAnswer{dir_.filePath("file") + "/inside.tsv", 0};
  messages_.clear();
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].text.startsWith("Saving the file failed.\n"));
  EXPECT_EQ(ReadFile(dir_.filePath("file")), "kept");
}

TEST_F(MatchWindowTest, RefreshReportOnAPageThatChangedBetweenTwoLoads) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Decide(*w);
  const QString path = dir_.filePath("vsetv-mapping.tsv");
  save_answer_ = SaveAnswer{path, 0};
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  save_answer_.reset();

  // At the provider: Eurosport 1 renamed (same code), Кухня ТВ gone, a new
  // channel, and Дом кино under another code.
  Channels changed;
  for (const auto& [name, code] : kChannels) {
    if (code == "11") changed.push_back({"Eurosport 1 HD", code});
    else if (code == "12") continue;
    else if (code == "16") changed.push_back({name, "160"});
    else changed.push_back({name, code});
  }
  changed.push_back({"Карусель", "99"});
  SetPage(changed);

  // The next load is matched again at once, carrying the decisions over.
  QSignalSpy ended(w, &PlaylistMatchWindow::MatchEnded);
  Load();
  ASSERT_TRUE(w->Matching() || ended.count() > 0);
  if (ended.count() == 0) {
    ASSERT_TRUE(ended.wait(10000));
  }
  const auto expect_report = [&](const char* title) {
    ASSERT_TRUE(w->Refresh().has_value());
    const RefreshReport& report = *w->Refresh();
    ASSERT_EQ(report.added.size(), 1u);
    EXPECT_EQ(report.added[0].code, "99");
    ASSERT_EQ(report.gone.size(), 1u);
    EXPECT_EQ(report.gone[0].name, "Кухня ТВ");
    ASSERT_EQ(report.renamed.size(), 1u);
    EXPECT_EQ(report.renamed[0].previous_name, "Eurosport 1");
    ASSERT_EQ(report.code_changed.size(), 1u);
    EXPECT_EQ(report.code_changed[0].previous_code, "16");
    EXPECT_EQ(report.code_changed[0].code, "160");
    EXPECT_TRUE(Find(*w, "Panel_Refresh")->isVisible());
    EXPECT_EQ(Find<QGroupBox>(*w, "Panel_Refresh")->title(), title);
    auto* tree = Find<QTreeWidget>(*w, "Tree_Refresh");
    ASSERT_EQ(tree->topLevelItemCount(), 4);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Новые каналы: 1");
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(1), "Карусель");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "Пропавшие каналы: 1");
    EXPECT_EQ(tree->topLevelItem(2)->text(0), "Переименованы провайдером: 1");
    EXPECT_EQ(tree->topLevelItem(2)->child(0)->text(2), "Eurosport 1");
    EXPECT_EQ(tree->topLevelItem(3)->text(0), "Сменили код (на проверку): 1");
    QTreeWidgetItem* moved = tree->topLevelItem(3)->child(0);
    EXPECT_EQ(moved->text(0), "160");
    EXPECT_EQ(moved->text(2), "16");
    // The renamed channel keeps the user's name; the moved one waits for review.
    EXPECT_TRUE(MatchOf(*w, "Eurosport 1 HD").by_user);
    EXPECT_EQ(PlaylistNameOf(*w, "Eurosport 1 HD"), "Eurosport");
    EXPECT_EQ(MatchOf(*w, "Дом кино").status, MatchStatus::kReview);
    EXPECT_EQ(PlaylistNameOf(*w, "Дом кино"), "Дом кино Премиум");
    EXPECT_EQ(MatchOf(*w, "ТНТ").status, MatchStatus::kNone);
    EXPECT_TRUE(MatchOf(*w, "ТНТ").by_user);
    // A line of the report leads to its row.
    emit tree->itemActivated(moved, 0);
    const QModelIndex current = Grid(*w)->currentIndex();
    EXPECT_EQ(current.siblingAtColumn(MatchModel::kCode).data().toString(), "160");
  };
  EXPECT_EQ(w->StatusText(), "Ваши решения перенесены на новую загрузку: 3.");
  expect_report("Изменения у провайдера с прошлой загрузки");

  // The same from the file saved before the provider changed.
  Match(*w, playlist_path_);
  EXPECT_FALSE(w->Refresh().has_value());
  EXPECT_FALSE(MatchOf(*w, "Eurosport 1 HD").by_user);
  open_answer_ = path;
  Find<QPushButton>(*w, "BTN_OpenMapping")->click();
  expect_report("Изменения у провайдера с сохранения сопоставления");
  // Applied to the table, the reviewed channel keeps the provider's name.
  Find<QPushButton>(*w, "BTN_Apply")->click();
  EXPECT_EQ(MainName("160"), "Дом кино");
  EXPECT_EQ(MainName("11"), "Eurosport");
}

}  // namespace
}  // namespace brelvik
