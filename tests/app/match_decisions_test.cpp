// The matching window's decisions that must never turn a doubt into a wrong
// match: bulk acceptance of score doubts only, with its undo; a name another
// row holds given only when the user says so; the same rows after a reload
// and after a save and reopening; further names shown, changed and written
// as the command line writes them; questions before a file is replaced; and
// a window and notices that fit.
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <sstream>

#include "cli/cli.h"
#include "outputs/channel_id_map.h"
#include "match_window_fixture.h"
#include "matching/match_outputs.h"

namespace brelvik {
namespace {

using test::Channels;
using test::MatchWindowTest;
using test::ReadFile;
using test::WriteFile;

const Channels kDoubts = {
    {"Киносемья", "1"}, {"Дом кино", "2"},  {"Дом кино HD", "3"}, {"Матч! Футбол 1", "5"},
    {"Eurosport", "6"}, {"Мир 24", "7"},    {"Россия 24", "9"},   {"Карусель", "10"},
    {"Карусель", "11"}, {"НТВ", "12"},
};

// Each line of the window's table as it reads: the status, the playlist
// name, the reason and the further names.
QStringList Rows(PlaylistMatchWindow& w) {
  QStringList lines;
  const MatchModel& model = w.Model();
  for (int r = 0; r < model.rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < MatchModel::kColumns; ++c) cells << model.index(r, c).data().toString();
    for (const FurtherName& f : model.Run().rows[r].also) {
      cells << QString::fromStdString(model.Run().names[f.name].name) + (f.by_user ? "*" : "");
    }
    lines << cells.join('|');
  }
  return lines;
}

class MatchDecisions : public MatchWindowTest {
 protected:
  void SetUp() override {
    MatchWindowTest::SetUp();
    SetPage(kDoubts);
    WriteFile(playlist_path_,
              "#EXTM3U\n#EXTINF:-1,Киносерия\nhttp://x/1\n#EXTINF:-1,Дом кино\nhttp://x/2\n"
              "#EXTINF:-1,Футбол 1\nhttp://x/4\n#EXTINF:-1,Eurosport 4K\nhttp://x/5\n"
              "#EXTINF:-1,Мир 24 (576p)\nhttp://x/6\n#EXTINF:-1,Мир 24 (1080p)\nhttp://x/7\n"
              "#EXTINF:-1,Mir 24 [Not 24/7]\nhttp://x/8\n#EXTINF:-1,Россия 24 HD\nhttp://x/10\n"
              "#EXTINF:-1,Карусель\nhttp://x/11\n#EXTINF:-1,НТВ\nhttp://x/12\n");
  }
};

TEST_F(MatchDecisions, BulkAcceptTakesOnlyScoreDoubtsAsksFirstAndUndoes) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  const QStringList before = Rows(*w);
  Find<QSpinBox>(*w, "Spin_AcceptScore")->setValue(60);
  answers_ = {1};  // asked first: no
  Find<QPushButton>(*w, "BTN_AcceptAll")->click();
  ASSERT_EQ(questions_.size(), 1u);
  const QString question = questions_[0].text;
  EXPECT_TRUE(question.startsWith("Принять предложений: 1? Останутся на проверке: 5.")) << question.toStdString();
  for (const char* reason : {"название уже у другого канала: 1",
                             "два названия или два канала подходят одинаково: 2",
                             "слово написано иначе тем же алфавитом: 1",
                             "4K/UHD только в одном из названий: 1"}) {
    EXPECT_NE(question.indexOf(QString::fromUtf8(reason)), -1) << reason;
  }
  EXPECT_EQ(Rows(*w), before);

  answers_ = {0};
  Find<QPushButton>(*w, "BTN_AcceptAll")->click();
  EXPECT_TRUE(MatchOf(*w, "Матч! Футбол 1").by_user);
  for (const char* doubt : {"Киносемья", "Дом кино HD", "Eurosport", "Карусель"}) {
    EXPECT_EQ(MatchOf(*w, doubt).status, MatchStatus::kReview) << doubt;
  }
  EXPECT_EQ(MatchOf(*w, "Дом кино").status, MatchStatus::kExact);
  auto* undo = Find<QPushButton>(*w, "BTN_Undo");
  ASSERT_TRUE(undo->isEnabled());
  undo->click();
  EXPECT_EQ(Rows(*w), before);
  EXPECT_FALSE(undo->isEnabled());
}

// Two rows whose suggestion is one name: bulk acceptance takes neither.
TEST_F(MatchDecisions, BulkAcceptNeverGivesOneNameToTwoRows) {
  SetPage({{"Матч! Футбол 1", "5"}, {"Футбол 1 Плюс", "6"}});
  WriteFile(playlist_path_, "#EXTM3U\n#EXTINF:-1,Футбол 1\nhttp://x/1\n");
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Find<QSpinBox>(*w, "Spin_AcceptScore")->setValue(60);
  Find<QPushButton>(*w, "BTN_AcceptAll")->click();
  ASSERT_FALSE(messages_.empty());
  EXPECT_NE(messages_.back().text.indexOf("два названия или два канала подходят одинаково: 2"), -1)
      << messages_.back().text.toStdString();
  EXPECT_FALSE(MatchOf(*w, "Матч! Футбол 1").by_user);
  EXPECT_FALSE(MatchOf(*w, "Футбол 1 Плюс").by_user);
}

TEST_F(MatchDecisions, AHeldNameIsGivenOnlyWhenTheUserSaysSo) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(MatchOf(*w, "Дом кино HD").status, MatchStatus::kReview);
  const QStringList before = Rows(*w);
  Select(*w, "Дом кино HD");
  answers_ = {1};
  QTest::keyClick(Grid(*w), Qt::Key_Return);
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].buttons, (QStringList{"Отдать", "Оставить как есть"}));
  EXPECT_EQ(Rows(*w), before);

  Select(*w, "Дом кино HD");
  answers_ = {0};
  QTest::keyClick(Grid(*w), Qt::Key_Return);
  EXPECT_TRUE(MatchOf(*w, "Дом кино HD").by_user);
  const RowMatch& gave = MatchOf(*w, "Дом кино");
  EXPECT_EQ(gave.status, MatchStatus::kReview);
  EXPECT_EQ(w->Model().index(RowOf(*w, "Дом кино"), MatchModel::kReason).data().toString(),
            "вы отдали его название каналу «Дом кино HD»");
  EXPECT_EQ(w->Model().index(RowOf(*w, "Дом кино HD"), MatchModel::kStatus).data().toString(),
            "ваш выбор");
  auto* filter = Find<QComboBox>(*w, "Combo_Filter");
  filter->setCurrentIndex(5);  // the user's own decisions
  EXPECT_EQ(ColumnTexts(*w, MatchModel::kProviderName), QStringList{"Дом кино HD"});
}

// Decisions of every kind, then the same page loaded again, and the mapping
// saved and opened on a fresh match: the rows read exactly as before.
TEST_F(MatchDecisions, AReloadAndAReopenedMappingGiveTheSameRows) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  Select(*w, "Дом кино HD");
  answers_ = {0};
  QTest::keyClick(Grid(*w), Qt::Key_Return);
  Select(*w, "Карусель");
  QTest::keyClick(Grid(*w), Qt::Key_Delete);
  Select(*w, "Мир 24");
  auto* list = Find<QListWidget>(*w, "List_Further");
  ASSERT_EQ(list->count(), 2);
  list->setCurrentRow(1);
  Find<QPushButton>(*w, "BTN_Detach")->click();
  const QStringList decided = Rows(*w);

  Load();  // the same page again: the decisions carry over
  QSignalSpy ended(w, &PlaylistMatchWindow::MatchEnded);
  ASSERT_TRUE(ended.wait(10000));
  EXPECT_EQ(Rows(*w), decided);

  const QString mapping = dir_.filePath("vsetv-mapping.tsv");
  save_answer_ = SaveAnswer{mapping, 0};
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  Match(*w, playlist_path_);
  EXPECT_NE(Rows(*w), decided);
  open_answer_ = mapping;
  Find<QPushButton>(*w, "BTN_OpenMapping")->click();
  EXPECT_EQ(Rows(*w), decided);
}

// The further names in the window, and "Apply to the table" with the
// channel_id file: the same bytes as `match --apply --channel-id`.
TEST_F(MatchDecisions, FurtherNamesAreShownChangedAndWrittenAsTheCommandLineDoes) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  const int mir = RowOf(*w, "Мир 24");
  EXPECT_EQ(w->Model().index(mir, MatchModel::kAlso).data().toString(), "+2");
  EXPECT_NE(w->Model().index(mir, MatchModel::kAlso).data(Qt::ToolTipRole).toString().indexOf(
                "Mir 24 [Not 24/7]"),
            -1);
  Select(*w, "Мир 24");
  EXPECT_EQ(Find<QGroupBox>(*w, "Panel_Further")->title(),
            "Другие названия канала «Мир 24» в плейлисте");
  auto* list = Find<QListWidget>(*w, "List_Further");
  list->setCurrentRow(0);
  Find<QPushButton>(*w, "BTN_Detach")->click();
  EXPECT_EQ(w->Model().index(mir, MatchModel::kAlso).data().toString(), "+1");
  auto* name = Find<QComboBox>(*w, "Combo_Attach");
  name->setEditText("Россия 24 HD");  // another row's match: refused
  Find<QPushButton>(*w, "BTN_Attach")->click();
  EXPECT_EQ(w->StatusText(), "«Россия 24 HD» — пара канала «Россия 24»: сначала измените ту строку.");
  name->setEditText("Мир 24 (1080p)");
  Find<QPushButton>(*w, "BTN_Attach")->click();
  ASSERT_EQ(MatchOf(*w, "Мир 24").also.size(), 2u);
  EXPECT_TRUE(MatchOf(*w, "Мир 24").also[0].by_user);

  const QString mapping = dir_.filePath("decisions.tsv");
  save_answer_ = SaveAnswer{mapping, 0};
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  Find<QPushButton>(*w, "BTN_Apply")->click();
  const std::string gui = WriteChannelIdFile();

  const QString cli_file = dir_.filePath("cli_channels_id");
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"match", "vsetv", "--site", "vsetv=" + server_.Url(""), "--playlist",
                    playlist_path_.toStdString(), "--mapping", mapping.toStdString(), "--apply",
                    "--channel-id", cli_file.toStdString()},
                   out, err),
            0)
      << err.str();
  EXPECT_EQ(gui, ReadFile(cli_file));
  EXPECT_NE(gui.find(ChannelHash("Mir 24 [Not 24/7]", {})), std::string::npos);
}

TEST_F(MatchDecisions, AFileIsReplacedOnlyWhenTheUserSaysSo) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  const QString mapping = dir_.filePath("kept.tsv");
  WriteFile(mapping, "precious");
  save_answer_ = SaveAnswer{mapping, 0};
  answers_ = {1};
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].text, "Файл «kept.tsv» уже существует. Заменить его?");
  EXPECT_EQ(ReadFile(mapping), "precious");
  answers_ = {0};
  Find<QPushButton>(*w, "BTN_SaveMapping")->click();
  EXPECT_NE(ReadFile(mapping).find("brelvik-mapping\t2"), std::string::npos);
}

// "Show" starts at the top; a row decided in its drop-down stays current
// and in sight, wherever the order moves it.
TEST_F(MatchDecisions, TheViewFollowsTheFilterAndThePickedRow) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  QTableView* grid = Grid(*w);
  w->resize(w->minimumSize());  // a few rows in sight
  QApplication::processEvents();
  QScrollBar* bar = grid->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(bar->maximum());
  Find<QComboBox>(*w, "Combo_Filter")->setCurrentIndex(1);
  EXPECT_EQ(bar->value(), 0);
  bar->setValue(bar->maximum());
  Find<QComboBox>(*w, "Combo_Filter")->setCurrentIndex(0);
  EXPECT_EQ(bar->value(), 0);
  QComboBox* editor = OpenEditor(*w, "Киносемья", Qt::Key_F2);
  ASSERT_NE(editor, nullptr);
  editor->setCurrentText("НТВ");
  answers_ = {0};  // НТВ is the НТВ row's: given
  QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
  EXPECT_FALSE(EditorOpen(*w));
  const QModelIndex current = grid->currentIndex();
  ASSERT_TRUE(current.isValid());
  auto* proxy = static_cast<QSortFilterProxyModel*>(grid->model());
  EXPECT_EQ(proxy->mapToSource(current).row(), RowOf(*w, "Киносемья"));
  EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(current)));
}

// The file dialogs' sizes and dates follow the interface language.
TEST(LocalizedFileModel, WritesSizesAndDatesInTheProgramsLocale) {
  QTemporaryDir dir;
  WriteFile(dir.filePath("list.m3u"), std::string(3000, 'x'));
  QFileSystemModel files;
  files.setRootPath(dir.path());
  LocalizedFileModel localized;
  localized.setSourceModel(&files);
  const QModelIndex file = localized.mapFromSource(files.index(dir.filePath("list.m3u")));
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  EXPECT_EQ(localized.data(file.siblingAtColumn(1), Qt::DisplayRole).toString(), "2,93 кБ");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(localized.data(file.siblingAtColumn(1), Qt::DisplayRole).toString(), "2.93 kB");
  QLocale::setDefault(before);
}

// A list of hundreds of lines keeps the box within the screen.
TEST_F(MatchDecisions, ALongNoticeFitsTheScreen) {
  QStringList lines;
  for (int i = 0; i < 500; ++i) lines << QString("Ключ %1: «Канал %1» (%1), «Канал-%1» (9%1)").arg(i);
  const auto box = MessageBoxes::Make(main_.get(), QMessageBox::Information, "Сообщение программы",
                                      "Названия 500 каналов дают один ключ.", lines.join('\n'));
  box->show();
  QApplication::processEvents();
  const QRect room = box->screen()->availableGeometry();
  EXPECT_LE(box->frameGeometry().height(), room.height());
  EXPECT_LE(box->frameGeometry().width(), room.width());
  box->close();
}

// At its minimum size, in both languages, every caption is whole and no two
// controls overlap.
TEST_F(MatchDecisions, TheWindowAtItsMinimumSizeClipsNothing) {
  PlaylistMatchWindow* w = OpenAndMatch();
  ASSERT_NE(w, nullptr);
  for (int language = 0; language < 2; ++language) {
    if (language == 1) main_->Btn9Click();
    w->resize(w->minimumSize());
    QApplication::processEvents();
    QStringList faults;
    QList<QWidget*> shown;
    for (QWidget* child : w->findChildren<QWidget*>()) {
      if (!child->isVisibleTo(w) || child->isWindow()) continue;
      QString text;
      int room = child->width();
      if (auto* button = qobject_cast<QPushButton*>(child)) {
        text = button->text();
        room -= 8;
      } else if (auto* label = qobject_cast<QLabel*>(child); label && !label->wordWrap()) {
        text = label->text();
      }
      if (!text.isEmpty() && QFontMetrics(child->font()).horizontalAdvance(text) > room) {
        faults << child->objectName() + ": " + text;
      }
      if (qobject_cast<QPushButton*>(child) || qobject_cast<QLabel*>(child) ||
          qobject_cast<QComboBox*>(child) || qobject_cast<QSpinBox*>(child)) {
        shown << child;
      }
    }
    for (int i = 0; i < shown.size(); ++i) {
      for (int j = i + 1; j < shown.size(); ++j) {
        const QRect a(shown[i]->mapTo(w, QPoint()), shown[i]->size());
        const QRect b(shown[j]->mapTo(w, QPoint()), shown[j]->size());
        if (shown[i]->parentWidget() == shown[j]->parentWidget() && a.intersects(b)) {
          faults << shown[i]->objectName() + " overlaps " + shown[j]->objectName();
        }
      }
    }
    EXPECT_EQ(faults.join('\n').toStdString(), "") << (language == 0 ? "Russian" : "English");
  }
}

}  // namespace
}  // namespace brelvik
