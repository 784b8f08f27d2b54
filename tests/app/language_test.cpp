// Interface language: every text of both languages, the toggle, the About
// window and the dialog panels.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app/message_box.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;

struct Text {
  const char* control;
  const char* russian;
  const char* english;
};

// The texts as the interface shows them, control by control.
const Text kTexts[] = {
    {"SpeedForm1", " Сохранение файла", " Save a file"},
    {"SpeedForm2", " Копирование хэша", " Copy hash"},
    {"SpeedForm3", " Поиск", " Search"},
    {"CheckBox2", "Учитывать регистр", "Consider register"},
    {"column 1", "Название канала", "Name of channel"},
    {"column 2", "Код канала", "Channel's code"},
    {"Label1", "Буфер", "Buffer"},
    {"Label_prov", "Провайдер", "Provider"},
    {"Label3", "Искомый текст", "Seeking text or"},
    {"Label4", "или его часть", "a portion thereof"},
    {"BTN_Start", "Загрузить список каналов", "Load channel's list"},
    {"BTN_Search", "Поиск канала по названию", "Channel search by name"},
    {"Btn6", "О программе ...", "About ..."},
    {"Btn9", "English", "Russian"},
    {"Btn7", "Выход", "Exit"},
    {"VHSBtn1", "Очистить буфер", "Clear buffer"},
    {"CBox1", "Сохранить изменения в названиях каналов?", "Save the changes to the channel name?"},
    {"CBox2", "Удалить дефис в названиях каналов?", "Remove the hyphen in the channel name?"},
    {"CBox5", "Удалить дефис в названиях каналов?", "Remove the hyphen in the channel name?"},
    {"CBox3", "Переводить русские названия в нижний регистр?", "Translate Russian names to lowercase?"},
    {"CBox4", "Переводить русские названия в нижний регистр?", "Translate Russian names to lowercase?"},
    {"CheckBox1", "Удалить точку в названиях каналов?", "Remove a point in the channel name?"},
    {"VHSBtn2", "ОК", "OK"},
    {"VHSBtn4", "ОК", "OK"},
    {"VHSBtn6", "ОК", "OK"},
    {"VHSBtn3", "Отмена", "Cancel"},
    {"VHSBtn5", "Отмена", "Cancel"},
    {"VHSBtn7", "Отмена", "Cancel"},
    {"BTN_SaveToFile", "Сохранить список в файл", "Save list to a file"},
    {"N1", "Сохранить список в файл", "Save list to a file"},
    {"BTN_CopyName", "Скопировать название канала", "Copy the name of the channel"},
    {"N2", "Скопировать название канала", "Copy the name of the channel"},
    {"BTN_CopyCod", "Скопировать код канала", "Copy the code of the channel"},
    {"N3", "Скопировать код канала", "Copy the code of the channel"},
    {"BTN_CopyHash", "Скопировать хэш канала (MD5)", "Copy the hash of the channel (MD5)"},
    {"MD51", "Скопировать хэш канала (MD5)", "Copy the hash of the channel (MD5)"},
    {"BTN_Create", "Сформировать строку для M3U", "Create string for playlist M3U"},
    {"M3U1", "Сформировать строку для M3U", "Create string for playlist M3U"},
    {"BTN_ChannelID", "Создать файл channel_id", "Create file channel_id"},
    {"channelid1", "Создать файл channel_id", "Create file channel_id"},
    {"match1", "Сопоставить с плейлистом...", "Match with a playlist..."},
    {"SD1",
     "Текстовые файлы (*.txt)|*.txt|Файлы Excel (*.xls*)|*.xls|HTML файлы (*.html)|*.html|"
     "XMLTV (*.xml)|*.xml|Каналы для граббера (*.channels.xml)|*.channels.xml",
     "Text files (*.txt)|*.txt|Excel files (*.xls*)|*.xls|HTML files (*.html)|*.html|"
     "XMLTV (*.xml)|*.xml|Channels for a grabber (*.channels.xml)|*.channels.xml"},
    {"Label2 hint",
     "Параметры последнего сохранения:\r\n- телеканал - \r\n- русские названия в нижний регистр - "
     "No\r\n- удалять дефис - No",
     "Parameters last saved:\r\n- telechannel - \r\n- russian names to lower case - No\r\n"
     "- remove hyphens - No"},
};

QString Shown(MainWindow& w, const QString& control) {
  if (control == "column 1" || control == "column 2") {
    return w.Model().headerData(control == "column 1" ? 0 : 1, Qt::Horizontal, Qt::DisplayRole).toString();
  }
  if (control == "SD1") return w.ListFilter();
  if (control == "Label2 hint") return w.Label2Hint();
  if (auto* panel = w.findChild<DialogPanel*>(control)) return panel->Caption();
  if (auto* action = w.findChild<QAction*>(control)) return action->text();
  if (auto* button = w.findChild<QAbstractButton*>(control)) return button->text();
  if (auto* label = w.findChild<QLabel*>(control)) return label->text();
  ADD_FAILURE() << "no control " << control.toStdString();
  return {};
}

class LanguageTest : public testing::Test {
 protected:
  void SetUp() override {
    MessageBoxes::SetInterceptor([this](const MessageRecord& m) { messages_.push_back(m); });
  }
  void TearDown() override { MessageBoxes::SetInterceptor({}); }
  std::vector<MessageRecord> messages_;
};

void ExpectTexts(MainWindow& w, bool russian) {
  for (const Text& t : kTexts) {
    EXPECT_EQ(Shown(w, t.control).toStdString(), russian ? t.russian : t.english) << t.control;
  }
}

TEST_F(LanguageTest, ToggleSwitchesEveryTextBothWays) {
  MainWindow w;
  w.show();
  ExpectTexts(w, true);
  EXPECT_EQ(w.LanguageCode(), "RU");
  auto* about = w.About();
  auto* version = about->findChild<QLabel*>("Label2");
  EXPECT_EQ(version->text(), "Версия 2.0.3 от 7 июня 2016 г.");

  w.findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(w.LanguageCode(), "EN");
  ExpectTexts(w, false);
  EXPECT_EQ(version->text(), "Version 2.0.3 of June 7, 2016");
  EXPECT_EQ(about->findChild<QLabel*>("Label4")->text(), "Autor:");
  EXPECT_EQ(about->windowTitle(), "  О программе");

  w.findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(w.LanguageCode(), "RU");
  ExpectTexts(w, true);
  EXPECT_EQ(version->text(), "Версия 2.0.3 от 7 июня 2016 г.");
  EXPECT_EQ(about->findChild<QLabel*>("Label4")->text(), "Автор:");
  EXPECT_EQ(about->windowTitle(), "  О программе");
}

TEST_F(LanguageTest, MessagesFollowTheLanguage) {
  MainWindow w;
  w.show();
  auto* combo = w.findChild<QComboBox*>("Combo1");
  auto* start = w.findChild<HoverButton*>("BTN_Start");
  combo->setEditText("own");
  start->click();
  w.findChild<HoverButton*>("Btn9")->click();
  start->click();
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].text, "Провайдер не выбран.");
  EXPECT_EQ(messages_[1].text, "The provider is not selected.");
}

// The failure boxes speak the window's language: a load the server refuses,
// a load that outlasts its deadline, a channel_id file or a list that cannot
// be written.
TEST_F(LanguageTest, FailureBoxesFollowTheLanguage) {
  test::LoopbackServer server([](httplib::Server& s, test::LoopbackServer& self) {
    for (const char* root : {"/good", "/missing", "/slow"}) {
      s.Get(root, [](const httplib::Request&, httplib::Response& res) {
        res.set_content("ok", "text/html");
      });
    }
    s.Get("/good/channels.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<select><option value=channel_1>A</option></select>", "text/html");
    });
    s.Get("/missing/channels.html",
          [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
    s.Get("/slow/channels.html", [&self](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/html",
                                       [&self](std::size_t offset, httplib::DataSink& sink) {
                                         if (offset >= 300 || !self.Pause(10ms)) {
                                           sink.done();
                                         } else {
                                           sink.write("x", 1);
                                         }
                                         return true;
                                       });
    });
  });
  QTemporaryDir dir;
  const QString nowhere = dir.filePath("missing/list");
  const std::string missing_page = server.Url("/missing/channels.html");
  const std::string slow_page = server.Url("/slow/channels.html");
  const struct {
    const char* what;
    const char* site;     // the vsetv address's path
    const char* save;     // the button that saves, or nullptr
    const char* confirm;  // the panel's OK button, or nullptr
    std::string russian;
    std::string english;
  } cases[] = {
      {"page not found", "/missing", nullptr, nullptr,
       "Сервер ответил HTTP/1.1 404 Not Found: " + missing_page,
       "HTTP/1.1 404 Not Found: " + missing_page},
      {"deadline", "/slow", nullptr, nullptr, "Сервер не закончил ответ за 300 мс: " + slow_page,
       "The server did not finish its answer within 300 ms: " + slow_page},
      {"channel_id file", "/good", "BTN_ChannelID", "VHSBtn2",
       "Сохранение файла завершилось неудачей.\nНе удалось записать " + nowhere.toStdString() +
           ": нет такого каталога",
       "Saving the file failed.\nCannot write " + nowhere.toStdString() +
           ": No such file or directory"},
      {"list export", "/good", "BTN_SaveToFile", nullptr,
       "Не удалось записать " + nowhere.toStdString() + ".txt: нет такого каталога",
       "Cannot write " + nowhere.toStdString() + ".txt: No such file or directory"},
  };
  FileDialogs::SetInterceptor([&](const QString&, const QStringList&, int) {
    return std::optional<SaveAnswer>(SaveAnswer{nowhere, 0});
  });
  for (const auto& c : cases) {
    for (const bool russian : {true, false}) {
      AppSettings settings;
      ASSERT_EQ(settings.sites.Override("vsetv=" + server.Url(c.site)), "");
      settings.http_limits.total_timeout = 300ms;
      MainWindow w(std::move(settings));
      w.show();
      if (!russian) w.findChild<HoverButton*>("Btn9")->click();
      w.findChild<QComboBox*>("Combo1")->setCurrentIndex(0);
      QSignalSpy ended(&w, &MainWindow::LoadEnded);
      messages_.clear();
      w.findChild<HoverButton*>("BTN_Start")->click();
      ASSERT_TRUE(ended.wait(10000)) << c.what;
      if (c.save != nullptr) {
        ASSERT_TRUE(messages_.empty()) << c.what;
        w.findChild<HoverButton*>(c.save)->click();
        if (c.confirm != nullptr) w.findChild<HoverButton*>(c.confirm)->click();
      }
      ASSERT_EQ(messages_.size(), 1u) << c.what;
      EXPECT_EQ(messages_[0].text.toStdString(), russian ? c.russian : c.english) << c.what;
      EXPECT_EQ(messages_[0].icon, QMessageBox::Critical) << c.what;
    }
  }
  FileDialogs::SetInterceptor({});
}

TEST_F(LanguageTest, TitleKeepsTheSiteAcrossSwitches) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/html"); });
    s.Get("/channels.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<select><option value=channel_1>A</option></select>", "text/html");
    });
  });
  AppSettings settings;
  ASSERT_EQ(settings.sites.Override("vsetv=" + server.Url("")), "");
  MainWindow w(std::move(settings));
  w.show();
  w.findChild<QComboBox*>("Combo1")->setCurrentIndex(0);
  QSignalSpy ended(&w, &MainWindow::LoadEnded);
  w.findChild<HoverButton*>("BTN_Start")->click();
  ASSERT_TRUE(ended.wait(10000));
  const QString title = QString::fromStdString("Brelvik: " + server.Url(""));
  EXPECT_EQ(w.windowTitle(), title);
  w.findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(w.windowTitle(), title);
  w.findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(w.windowTitle(), title);
  // The hint names the current channel.
  EXPECT_TRUE(w.Label2Hint().contains("- телеканал - A\r\n"));
}

TEST_F(LanguageTest, PanelsAndAboutAreSingleNonModalWindows) {
  MainWindow w;
  w.show();
  DialogPanel* panel = w.SpeedForm3();
  panel->Hide();  // never shown: nothing happens
  EXPECT_EQ(panel->Window(), nullptr);

  QSignalSpy shown(panel, &DialogPanel::Shown);
  QSignalSpy hidden(panel, &DialogPanel::Hidden);
  panel->Show();
  QWidget* window = panel->Window();
  ASSERT_NE(window, nullptr);
  panel->Show();
  EXPECT_EQ(panel->Window(), window);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), " Поиск");
  EXPECT_EQ(window->size(), QSize(248, 108));
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(shown.count(), 1);
  EXPECT_EQ(w.findChild<QLineEdit*>("Edit1")->window(), window);

  window->close();  // the close box
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(hidden.count(), 1);
  panel->Show();
  EXPECT_EQ(panel->Window(), window);

  // The main window still takes input while a panel is open.
  w.findChild<HoverButton*>("Btn9")->click();
  EXPECT_EQ(window->windowTitle(), " Search");

  // Start states of the option boxes.
  for (const char* name : {"CBox1", "CBox2", "CBox3", "CheckBox1", "CBox4", "CBox5", "CheckBox2"}) {
    EXPECT_FALSE(w.findChild<QCheckBox*>(name)->isChecked()) << name;
  }
  for (const char* name : {"CBox2", "CBox3", "CheckBox1"}) {
    EXPECT_FALSE(w.findChild<QCheckBox*>(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(w.findChild<QCheckBox*>("CBox4")->isEnabled());

  w.findChild<HoverButton*>("Btn6")->click();
  w.findChild<HoverButton*>("Btn6")->click();
  int visible_about = 0;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->isVisible() && top->objectName() == "Form2") ++visible_about;
  }
  EXPECT_EQ(visible_about, 1);
  // The pictures come from the program's resources.
  EXPECT_FALSE(w.About()->findChild<QLabel*>("Image1")->pixmap().isNull());
  EXPECT_FALSE(w.windowIcon().isNull());
  w.About()->findChild<HoverButton*>("VHSBtn1")->click();
  EXPECT_FALSE(w.About()->isVisible());
}

}  // namespace
}  // namespace brelvik
