// The main window's outputs after a load: channel_id file, clipboard and M3U,
// search, sorting, in-place editing and the list export.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTableView>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "app/main_window.h"
#include "app/message_box.h"
#include "outputs/channel_id_map.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Table order after the load: "  Sport 1 ", Discovery, Sport 2, Первый, ТНТ-4.
const char kPage[] =
    "<select><option value=channel_1>  Sport 1 </option>"
    "<option value=channel_22>Sport 2</option><option value=channel_3>Discovery</option>"
    "<option value=channel_101>\xD2\xCD\xD2-4</option>"
    "<option value=channel_5>\xCF\xE5\xF0\xE2\xFB\xE9</option></select>";

class OutputsTest : public testing::Test {
 protected:
  void SetUp() override {
    MessageBoxes::SetInterceptor([this](const MessageRecord& m) { messages_.push_back(m); });
    FileDialogs::SetInterceptor([this](const QString& name, const QStringList& filters, int index) {
      dialogs_.push_back({name, filters, index});
      return answer_;
    });
    AppSettings settings;
    EXPECT_EQ(settings.sites.Override("vsetv=" + server_.Url("")), "");
    window_ = std::make_unique<MainWindow>(std::move(settings));
    window_->show();
    window_->findChild<QComboBox*>("Combo1")->setCurrentIndex(0);
    QSignalSpy ended(window_.get(), &MainWindow::LoadEnded);
    Button("BTN_Start")->click();
    ASSERT_TRUE(ended.wait(10000));
    ASSERT_EQ(window_->Model().rowCount(), 5);
    messages_.clear();
  }
  void TearDown() override {
    window_.reset();
    MessageBoxes::SetInterceptor({});
    FileDialogs::SetInterceptor({});
  }

  HoverButton* Button(const char* name) { return window_->findChild<HoverButton*>(name); }
  QCheckBox* Box(const char* name) { return window_->findChild<QCheckBox*>(name); }
  QString Name(int row) { return window_->Model().index(row, 0).data().toString(); }

  struct Dialog {
    QString name;
    QStringList filters;
    int index;
  };
  test::LoopbackServer server_{[](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/html"); });
    s.Get("/channels.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(kPage, "text/html");
    });
  }};
  std::unique_ptr<MainWindow> window_;
  std::vector<MessageRecord> messages_;
  std::vector<Dialog> dialogs_;
  std::optional<SaveAnswer> answer_;
  QTemporaryDir dir_;
};

TEST_F(OutputsTest, ChannelIdFileAsLoadedOrAsEdited) {
  const QString path = dir_.filePath("channels_id");
  answer_ = SaveAnswer{path, 0};
  Button("BTN_ChannelID")->click();
  EXPECT_TRUE(window_->SpeedForm1()->Visible());
  Button("VHSBtn2")->click();
  EXPECT_FALSE(window_->SpeedForm1()->Visible());
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].name, "channels_id");
  EXPECT_TRUE(dialogs_[0].filters.isEmpty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Файл сохранен по указанному пути.");
  EXPECT_EQ(messages_[0].icon, QMessageBox::Information);
  EXPECT_EQ(ReadFile(path), window_->ChannelListText() + "\r\n");

  // Renamed in the grid, the name counts only with "save the changes" ticked.
  auto& model = const_cast<ChannelModel&>(window_->Model());
  ASSERT_TRUE(model.setData(model.index(1, 0), "Discovery-HD", Qt::EditRole));
  Button("BTN_ChannelID")->click();
  Button("VHSBtn2")->click();
  EXPECT_EQ(ReadFile(path), window_->ChannelListText() + "\r\n");
  Button("BTN_ChannelID")->click();
  Box("CBox1")->setChecked(true);
  EXPECT_TRUE(Box("CBox2")->isEnabled());
  Box("CBox2")->setChecked(true);
  Button("VHSBtn2")->click();
  const std::string edited = CreateList(model.Table().Rows(), {.remove_hyphen = true});
  EXPECT_EQ(ReadFile(path), edited + "\r\n");
  EXPECT_NE(edited, window_->ChannelListText());
  EXPECT_NE(edited.find(ChannelHash("DiscoveryHD", {})), std::string::npos);
  EXPECT_EQ(window_->CurrentRow(), 0);
  // Showing the panel again unticks the boxes.
  Button("BTN_ChannelID")->click();
  EXPECT_FALSE(Box("CBox1")->isChecked());
  EXPECT_FALSE(Box("CBox2")->isChecked());
  EXPECT_FALSE(Box("CBox2")->isEnabled());
  Button("VHSBtn3")->click();
  EXPECT_FALSE(window_->SpeedForm1()->Visible());
}

TEST_F(OutputsTest, UnwritableChannelIdFileKeepsThePanelAndTheOldFile) {
  const QString path = dir_.filePath("channels_id");
  { std::ofstream(path.toStdString()) << "old"; }
  answer_ = SaveAnswer{path + "/inside", 0};  // a path under a regular file
  Button("BTN_ChannelID")->click();
  Button("VHSBtn2")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].text.startsWith("Сохранение файла завершилось неудачей.\n"));
  EXPECT_GT(messages_[0].text.size(), 40);
  EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(window_->SpeedForm1()->Visible());
  EXPECT_EQ(ReadFile(path), "old");
  // Cancelling the dialog writes nothing and hides the panel.
  answer_.reset();
  Button("VHSBtn2")->click();
  EXPECT_FALSE(window_->SpeedForm1()->Visible());
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(OutputsTest, ClipboardActionsAndM3u) {
  window_->SetCurrentRow(0);
  Button("BTN_CopyName")->click();
  EXPECT_EQ(QApplication::clipboard()->text(), "  Sport 1 ");
  EXPECT_EQ(window_->findChild<QLabel*>("Label2")->text(), "  Sport 1 ");
  EXPECT_TRUE(Button("VHSBtn1")->isEnabled());
  Button("BTN_CopyCod")->click();
  EXPECT_EQ(QApplication::clipboard()->text(), "1");
  Button("BTN_Create")->click();
  EXPECT_EQ(QApplication::clipboard()->text(), "#EXTINF:0 id=0_1,  Sport 1 ");  // host 127.0.0.1

  Button("BTN_CopyHash")->click();
  EXPECT_TRUE(window_->SpeedForm2()->Visible());
  Button("VHSBtn4")->click();
  EXPECT_FALSE(window_->SpeedForm2()->Visible());
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), ChannelHash("sport1", {}));
  auto* label2 = window_->findChild<QLabel*>("Label2");
  EXPECT_TRUE(label2->toolTip().contains("- телеканал -   Sport 1 \r\n"));

  window_->SetCurrentRow(3);  // Первый
  Box("CBox4")->setChecked(true);
  Button("BTN_CopyHash")->click();
  Button("VHSBtn4")->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), ChannelHash("первый", {}));
  EXPECT_TRUE(label2->toolTip().endsWith("Yes\r\n- удалять дефис - No"));
  // Cancel leaves the clipboard as it was.
  Button("BTN_CopyHash")->click();
  Button("VHSBtn5")->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), ChannelHash("первый", {}));

  Button("VHSBtn1")->click();
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
  EXPECT_TRUE(label2->text().isEmpty());
  EXPECT_TRUE(label2->toolTip().isEmpty());
  EXPECT_FALSE(Button("VHSBtn1")->isEnabled());
}

TEST_F(OutputsTest, SearchStepsAndReset) {
  Button("BTN_Search")->click();
  ASSERT_TRUE(window_->SpeedForm3()->Visible());
  window_->findChild<QLineEdit*>("Edit1")->setText("sport");
  Button("VHSBtn6")->click();
  EXPECT_EQ(window_->CurrentRow(), 0);
  Button("VHSBtn6")->click();
  EXPECT_EQ(window_->CurrentRow(), 2);
  EXPECT_TRUE(messages_.empty());
  window_->SetCurrentRow(4);  // moved by hand
  Button("VHSBtn6")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Больше ничего не найдено.");
  EXPECT_EQ(window_->CurrentRow(), 2);  // back on the last match

  Box("CheckBox2")->setChecked(true);  // match case: starts again at the top
  EXPECT_EQ(window_->SearchPosition(), 0u);
  EXPECT_EQ(window_->CurrentRow(), 0);
  window_->findChild<QLineEdit*>("Edit1")->setText("тнт");
  Button("VHSBtn6")->click();
  EXPECT_EQ(messages_.size(), 2u);
  Box("CheckBox2")->setChecked(false);
  Button("VHSBtn6")->click();
  EXPECT_EQ(window_->CurrentRow(), 4);
  EXPECT_EQ(messages_.size(), 3u);  // a match on the last record

  Button("VHSBtn7")->click();
  EXPECT_FALSE(window_->SpeedForm3()->Visible());
  EXPECT_TRUE(window_->findChild<QLineEdit*>("Edit1")->text().isEmpty());
  EXPECT_EQ(window_->CurrentRow(), 0);
}

TEST_F(OutputsTest, TitleClicksSortAndKeepTheChannel) {
  window_->SetCurrentRow(4);  // ТНТ-4, code 101
  window_->Grid1TitleBtnClick(1);  // code ascending: 1, 101, 22, 3, 5
  EXPECT_EQ(window_->Model().index(0, 1).data().toString(), "1");
  EXPECT_EQ(window_->CurrentRow(), 1);
  EXPECT_EQ(window_->Model().index(1, 1).data().toString(), "101");
  window_->Grid1TitleBtnClick(1);  // descending: 5, 3, 22, 101, 1
  EXPECT_EQ(window_->Model().index(0, 1).data().toString(), "5");
  EXPECT_EQ(window_->Model().index(window_->CurrentRow(), 1).data().toString(), "101");
  window_->Grid1TitleBtnClick(0);  // names: unmarked now, so ascending
  EXPECT_EQ(Name(0), "  Sport 1 ");
  window_->Grid1TitleBtnClick(0);  // descending
  EXPECT_EQ(Name(0), "ТНТ-4");

  // The next load shows its rows by name again, ascending.
  QSignalSpy ended(window_.get(), &MainWindow::LoadEnded);
  Button("BTN_Start")->click();
  ASSERT_TRUE(ended.wait(10000));
  EXPECT_EQ(Name(0), "  Sport 1 ");
}

TEST_F(OutputsTest, EditingANameKeepsTheCursorOnIt) {
  auto* grid = window_->findChild<QTableView*>("Grid1");
  auto& model = const_cast<ChannelModel&>(window_->Model());
  window_->SetCurrentRow(1);  // Discovery
  ASSERT_TRUE(model.setData(model.index(1, 0), "Zoo TV", Qt::EditRole));
  EXPECT_EQ(Name(window_->CurrentRow()), "Zoo TV");
  EXPECT_EQ(grid->currentIndex().row(), 2);
  EXPECT_FALSE(model.setData(model.index(0, 1), "9", Qt::EditRole));  // codes are read-only
}

TEST_F(OutputsTest, ListExportWithTheChosenFilter) {
  answer_ = SaveAnswer{dir_.filePath("list.txt"), 0};
  Button("BTN_SaveToFile")->click();
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].name, "vsetv_list");
  EXPECT_EQ(dialogs_[0].filters,
            QStringList({"Текстовые файлы (*.txt)", "Файлы Excel (*.xls*)", "HTML файлы (*.html)",
                         "XMLTV (*.xml)", "Каналы для граббера (*.channels.xml)"}));
  const std::string text = ReadFile(dir_.filePath("list.txt"));
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Название канала\tКод канала");
  EXPECT_NE(text.find("Первый\t5\r\n"), std::string::npos);
  EXPECT_TRUE(messages_.empty());

  answer_ = SaveAnswer{dir_.filePath("list"), 2};
  Button("BTN_SaveToFile")->click();
  EXPECT_NE(ReadFile(dir_.filePath("list.htm")).find("<!DOCTYPE html>"), std::string::npos);

  answer_ = SaveAnswer{dir_.filePath("list"), 1};
  Button("BTN_SaveToFile")->click();
  EXPECT_EQ(dialogs_.back().index, 2);  // the last choice is kept
  EXPECT_EQ(ReadFile(dir_.filePath("list.xls")).substr(0, 4), "\xD0\xCF\x11\xE0");

  answer_ = SaveAnswer{dir_.filePath("list.txt") + "/x", 0};
  Button("BTN_SaveToFile")->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
}

// The guide formats take the names as the grid shows them, the provider's
// beside them, and tell after the save what XML could not hold.
TEST_F(OutputsTest, GuideExportsWithEditedNamesAndANotice) {
  auto& model = const_cast<ChannelModel&>(window_->Model());
  ASSERT_EQ(Name(1), "Discovery");
  ASSERT_TRUE(model.setData(model.index(1, 0), "Discovery\x01 HD", Qt::EditRole));

  answer_ = SaveAnswer{dir_.filePath("guide"), 3};
  Button("BTN_SaveToFile")->click();
  const std::string xml = ReadFile(dir_.filePath("guide.xml"));
  EXPECT_NE(xml.find("  <channel id=\"3\">\n"
                     "    <display-name lang=\"ru\">Discovery HD</display-name>\n"
                     "    <display-name lang=\"ru\">Discovery</display-name>\n"
                     "  </channel>\n"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("source-info-url=\"" + server_.Url("") + "\""), std::string::npos) << xml;
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, QMessageBox::Information);
  EXPECT_EQ(messages_[0].caption, "Сообщение программы");
  EXPECT_EQ(messages_[0].text, "Удалено символов, которые XML не может содержать: 1.");

  // A name already ending in the grabber file's extension is not extended.
  window_->findChild<HoverButton*>("Btn9")->click();  // English
  messages_.clear();
  // A row whose name was emptied gives the guide no channel, and the notice says so.
  int sport = 0;
  while (sport < model.rowCount() && Name(sport) != "Sport 2") ++sport;
  ASSERT_TRUE(model.setData(model.index(sport, 0), " ", Qt::EditRole));
  for (const QString& typed : {QString("vsetv"), QString("vsetv.channels.xml")}) {
    answer_ = SaveAnswer{dir_.filePath(typed), 4};
    Button("BTN_SaveToFile")->click();
  }
  EXPECT_EQ(dialogs_.back().index, 4);
  EXPECT_FALSE(QFile::exists(dir_.filePath("vsetv.channels.xml.channels.xml")));
  const std::string channels = ReadFile(dir_.filePath("vsetv.channels.xml"));
  EXPECT_NE(channels.find("<channel site=\"127.0.0.1\" site_id=\"3\" lang=\"en\" xmltv_id=\"3\">"
                          "Discovery HD</channel>"),
            std::string::npos)
      << channels;
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].text,
            "Characters that XML cannot hold were dropped: 1.\n"
            "Rows with a code but without a name were left out: 1.");
  EXPECT_EQ(channels.find("site_id=\"22\""), std::string::npos) << channels;
}

}  // namespace
}  // namespace brelvik
