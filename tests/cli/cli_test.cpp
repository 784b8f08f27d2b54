// brelvik-cli: outputs and exit codes of the provider list and loads.
#include "cli/cli.h"
#include "cli/cli_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <pugixml.hpp>

#include "cli/cli.h"
#include "fixture.h"
#include "loaders/listless_sites.h"
#include "outputs/channel_id_map.h"
#include "program_run.h"
#include "support/codepage.h"
#include "support/loopback_server.h"
#include "support/version.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;

using test::Cli;
using test::CliRun;

class CliLoad : public testing::Test {
 protected:
  test::RequestLog log_;
  test::LoopbackServer server_{[this](httplib::Server& s) {
    s.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
      log_.Record(req);
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [this](const httplib::Request& req, httplib::Response& res) {
      log_.Record(req);
      res.set_content(
          "<select><option value=channel_2>B \"q\"</option>"
          "<option value=channel_1>\xC0</option></select>",
          "text/html");
    });
  }};
  std::string Site() const { return "vsetv=" + server_.Url(""); }
};

TEST_F(CliLoad, PrintsTheTableInEachFormat) {
  CliRun tsv = Cli({"load", "vsetv", "--site", Site(), "--format", "tsv"});
  EXPECT_EQ(tsv.code, 0) << tsv.err;
  EXPECT_EQ(tsv.out, "B \"q\"\t2\nА\t1\n");

  CliRun json = Cli({"load", "0", "--site", Site(), "--format", "json"});
  EXPECT_EQ(json.code, 0);
  EXPECT_EQ(json.out, "[\n {\"name\": \"B \\\"q\\\"\", \"code\": \"2\"},\n {\"name\": \"А\", \"code\": \"1\"}\n]\n");

  CliRun table = Cli({"load", "vsetv", "--site", Site(), "--lang", "en"});
  EXPECT_EQ(table.code, 0);
  EXPECT_EQ(table.out,
            "Name of channel  Channel's code\n"
            "B \"q\"                         2\n"
            "А                             1\n");
}

TEST_F(CliLoad, ExitCodesAndMessages) {
  test::LoopbackServer missing([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  });
  CliRun ru = Cli({"load", "vsetv", "--site", "vsetv=" + missing.Url("")});
  EXPECT_EQ(ru.code, 3);
  EXPECT_EQ(ru.err,
            "brelvik-cli: В данный момент сайт недоступен. Возможно отсутствует соединение с "
            "Интернетом.\n");
  CliRun en = Cli({"load", "vsetv", "--site=vsetv=" + missing.Url(""), "--lang=en"});
  EXPECT_EQ(en.code, 3);
  EXPECT_EQ(en.err,
            "brelvik-cli: At the moment the site is unavailable. Perhaps there is no Internet "
            "connection.\n");

  for (const auto& [lang, message] :
       {std::pair<const char*, std::string>{"ru", "Сервер ответил HTTP/1.1 404 Not Found: "},
        {"en", "HTTP/1.1 404 Not Found: "}}) {
    CliRun failed = Cli(
        {"load", "vsetv", "--site", "vsetv=" + missing.Url(""), "--skip-probe", "--lang", lang});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err, "brelvik-cli: " + message + missing.Url("/channels.html") + "\n");
  }

  for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                              {"load"},
                                              {"load", "nosuch"},
                                              {"load", "12"},
                                              {"load", "vsetv", "--format", "xml"},
                                              {"load", "vsetv", "--site", "x=y"},
                                              {"load", "vsetv", "--lang", "de"},
                                              {"providers", "extra"},
                                              {"frobnicate"},
                                              {"load", "vsetv", "--site"},
                                              {"load", "vsetv", "--format="}}) {
    const CliRun run = Cli(bad);
    EXPECT_EQ(run.code, 2) << (bad.empty() ? "" : bad[0]);
    EXPECT_EQ(run.err.rfind("brelvik-cli: ", 0), 0u) << run.err;
  }
  EXPECT_EQ(Cli({"--help"}).code, 0);
  EXPECT_EQ(Cli({"load", "--version"}).out, "brelvik-cli " + std::string(ProgramVersion()) + "\n");
}

// Arguments that cannot work end the run before anything is fetched or
// written, with exit 2 and a message naming the problem.
TEST_F(CliLoad, UnusableArgumentsAreUsageErrors) {
  test::TempDir dir("cli");
  const std::string fifo = (dir.path() / "fifo.txt").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string list = (dir.path() / "list.txt").string();
  const struct {
    std::vector<std::string> args;
    std::string message;  // after "brelvik-cli: "
  } cases[] = {
      {{"--site", "vsetv=notaurl"},
       "--site vsetv=notaurl: the address must begin with http:// or https://"},
      {{"--site=vsetv=ftp://host"},
       "--site vsetv=ftp://host: the scheme must be http or https, not \"ftp\""},
      {{"--site", "vsetv=http:///channels"},
       "--site vsetv=http:///channels: the address has no host"},
      {{"--site", "vsetv=http://a b"},
       "--site vsetv=http://a b: the address contains a space or a control character"},
      {{"--site", "vsetv=http://a\tb"},
       "--site vsetv=http://a\tb: the address contains a space or a control character"},
      {{"--channel-id", ""}, "--channel-id needs a file name, not an empty one"},
      {{"--trace-file="}, "--trace-file needs a file name, not an empty one"},
      {{"--export", ""}, "--export needs a file name, not an empty one"},
      {{"--channel-id", list, "--export", list},
       "--channel-id and --export name the same file \"" + list + "\""},
      {{"--export=" + list, "--channel-id", (dir.path() / "." / "list.txt").string()},
       "--export and --channel-id name the same file \"" +
           (dir.path() / "." / "list.txt").string() + "\""},
      {{"--export", list, "--write-playlist", list},
       "--export and --write-playlist name the same file \"" + list + "\""},
      {{"--export", fifo, "--lang", "en"},
       "--export: Cannot write " + fifo + ": it is a FIFO, not a regular file"},
      {{"--channel-id", fifo},
       "--channel-id: Не удалось записать " + fifo +
           ": это именованный канал (FIFO), а не обычный файл"},
      {{"--channel-id", dir.path().string()},
       "--channel-id: Не удалось записать " + dir.path().string() + ": это каталог"},
      {{"--timeout", "0"}, "--timeout needs a number of seconds above 0, not \"0\""},
      {{"--timeout=1.5s"}, "--timeout needs a number of seconds above 0, not \"1.5s\""},
      {{"--skip-probe=yes"}, "--skip-probe takes no value"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"load", "vsetv", "--site", Site()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun run = Cli(args);
    EXPECT_EQ(run.code, 2) << c.message;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "brelvik-cli: " + c.message);
    EXPECT_TRUE(run.out.empty()) << c.message;
  }
  EXPECT_EQ(log_.Count(), 0u) << "nothing is fetched for a run that cannot work";
  EXPECT_EQ(test::ReadFile(list), "") << "nothing is written either";
  EXPECT_FALSE(std::filesystem::exists(list));
}

// The overall deadline, from the command line: a server that trickles its
// answer ends the load with the time-out message in the chosen language.
TEST(CliTimeout, ATrickledAnswerEndsTheLoad) {
  test::LoopbackServer trickle([](httplib::Server& s, test::LoopbackServer& self) {
    s.Get("/channels.html", [&self](const httplib::Request&, httplib::Response& res) {
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
  const std::string url = trickle.Url("/channels.html");
  for (const auto& [lang, message] :
       {std::pair<const char*, std::string>{"ru", "Сервер не закончил ответ за 200 мс: "},
        {"en", "The server did not finish its answer within 200 ms: "}}) {
    const CliRun run = Cli({"load", "vsetv", "--site", "vsetv=" + trickle.Url(""), "--skip-probe",
                            "--timeout=0.2", "--lang", lang});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "brelvik-cli: " + message + url + "\n");
  }
}

// Output that does not reach standard output fails the run, whichever the
// command; the program itself runs, with its real standard output.
TEST_F(CliLoad, AFailedStandardOutputIsAFailure) {
  const struct {
    std::vector<std::string> args;
    test::StdoutTo to;
    std::string message;
  } cases[] = {
      {{"providers"}, test::StdoutTo::kDevFull, "на диске нет места"},
      {{"providers", "--lang", "en"}, test::StdoutTo::kClosed, "Bad file descriptor"},
      {{"load", "vsetv", "--site", Site(), "--lang", "en"},
       test::StdoutTo::kDevFull,
       "No space left on device"},
      {{"load", "vsetv", "--site", Site(), "--format", "json"},
       test::StdoutTo::kClosed,
       "файловый дескриптор закрыт"},
      {{"--help"}, test::StdoutTo::kDevFull, "на диске нет места"},
      {{"--version"}, test::StdoutTo::kClosed, "файловый дескриптор закрыт"},
  };
  for (const auto& c : cases) {
    const test::ProgramRun run = test::RunProgram(BRELVIK_CLI, c.args, c.to);
    EXPECT_EQ(run.exit_code, 1) << c.args[0] << " " << c.message;
    EXPECT_NE(run.err.find("brelvik-cli: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  const test::ProgramRun version = test::RunProgram(BRELVIK_CLI, {"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, "brelvik-cli " + std::string(ProgramVersion()) + "\n");
  const test::ProgramRun loaded =
      test::RunProgram(BRELVIK_CLI, {"load", "vsetv", "--site", Site()});
  EXPECT_EQ(loaded.exit_code, 0) << loaded.err;
  EXPECT_NE(loaded.out.find("Код канала"), std::string::npos);
}

// A FIFO target is refused at once instead of blocking the write for ever.
TEST(CliOutput, AFifoTargetIsRefusedWithoutBlocking) {
  test::TempDir dir("cli");
  const std::string fifo = (dir.path() / "list.txt").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const test::ProgramRun run = test::RunProgram(
      BRELVIK_CLI, {"load", "vsetv", "--skip-probe", "--lang", "en", "--export", fifo},
      test::StdoutTo::kPipe, {}, std::chrono::seconds(10));
  EXPECT_FALSE(run.killed) << "the export blocked on the FIFO";
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
            "brelvik-cli: --export: Cannot write " + fifo + ": it is a FIFO, not a regular file");
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(CliLoad, WritesChannelIdExportAndPlaylistLines) {
  const std::filesystem::path dir = testing::TempDir() + "brelvik_cli_outputs";
  std::filesystem::create_directories(dir);
  CliRun run = Cli({"load", "vsetv", "--site", Site(), "--format", "m3u", "--channel-id",
                    (dir / "channels_id").string(), "--lower-russian", "--export",
                    (dir / "list.htm").string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "#EXTINF:0 id=0_2,B \"q\"\n#EXTINF:0 id=0_1,А\n");
  const std::string map = CreateList({{"B \"q\"", "2"}, {"А", "1"}}, {.lower_russian = true});
  EXPECT_EQ(ReadFile(dir / "channels_id"), map + "\r\n");
  EXPECT_NE(ReadFile(dir / "list.htm").find("<td>А</td>"), std::string::npos);

  // A file that cannot be written fails the run and says why, in the
  // run's language.
  const std::string inside_file = (dir / "channels_id" / "x").string();
  const std::string in_missing = (dir / "missing" / "x").string();
  const struct {
    std::string path;
    const char* lang;
    std::string message;
  } failures[] = {
      {inside_file, "ru", "Не удалось записать " + inside_file + ": часть пути — не каталог"},
      {inside_file, "en", "Cannot write " + inside_file + ": Not a directory"},
      {in_missing, "ru", "Не удалось записать " + in_missing + ": нет такого каталога"},
      {in_missing, "en", "Cannot write " + in_missing + ": No such file or directory"},
  };
  for (const auto& f : failures) {
    CliRun failed =
        Cli({"load", "vsetv", "--site", Site(), "--channel-id", f.path, "--lang", f.lang});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err, "brelvik-cli: " + f.message + "\n");
  }
  EXPECT_EQ(Cli({"load", "vsetv", "--export", "list.pdf"}).code, 2);
  EXPECT_EQ(Cli({"load", "vsetv", "--remove-dot"}).code, 2);
  std::filesystem::remove_all(dir);
}

// The guide formats from the extension, in the language of --lang, with the
// dropped control character told on stderr.
TEST(CliGuideExport, WritesXmltvAndGrabberFilesAndWarns) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/html"); });
    s.Get("/channels.html", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(
          "<select><option value=channel_7>Tom & Jerry</option>"
          "<option value=channel_4>\xC1\xE5\xEB\x01\xFB\xE9</option>"
          "<option value=channel_9>\"\xCA\xE8\xED\xEE\" <q</option></select>",
          "text/html");
    });
  });
  const std::filesystem::path dir = testing::TempDir() + "brelvik_cli_guide";
  std::filesystem::create_directories(dir);
  const std::string site = "vsetv=" + server.Url("");
  struct Case {
    std::string file;
    std::string lang;
    std::string warning;
  };
  const Case cases[] = {
      {"guide.xml", "ru",
       "brelvik-cli: warning: Удалено символов, которые XML не может содержать: 1.\n"},
      {"vsetv.channels.xml", "en",
       "brelvik-cli: warning: Characters that XML cannot hold were dropped: 1.\n"},
  };
  for (const Case& c : cases) {
    CliRun run = Cli({"load", "vsetv", "--site", site, "--lang", c.lang, "--format", "tsv",
                      "--export", (dir / c.file).string()});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, c.warning);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((dir / c.file).c_str())) << ReadFile(dir / c.file);
    std::vector<std::string> read;
    if (c.file == "guide.xml") {
      EXPECT_EQ(std::string(doc.child("tv").attribute("source-info-url").value()), server.Url(""));
      for (const pugi::xml_node channel : doc.child("tv").children("channel")) {
        read.push_back(std::string(channel.attribute("id").value()) + "=" +
                       channel.child("display-name").text().get() + "/" +
                       channel.child("display-name").attribute("lang").value());
      }
      EXPECT_EQ(read, (std::vector<std::string>{"9=\"Кино\" <q/ru", "7=Tom & Jerry/ru", "4=Белый/ru"}));
    } else {
      for (const pugi::xml_node channel : doc.child("channels").children("channel")) {
        read.push_back(std::string(channel.attribute("site").value()) + " " +
                       channel.attribute("site_id").value() + " " +
                       channel.attribute("xmltv_id").value() + " " + channel.text().get());
      }
      EXPECT_EQ(read, (std::vector<std::string>{"127.0.0.1 9 9 \"Кино\" <q",
                                                "127.0.0.1 7 7 Tom & Jerry", "127.0.0.1 4 4 Белый"}));
    }
  }
  std::filesystem::remove_all(dir);
}

// A load whose page held no channel list: exit 4, the notice on stderr, and
// existing output files kept unless --allow-empty is given.
class CliListless : public testing::TestWithParam<test::ListlessSite> {};

TEST_P(CliListless, ExitsFourAndKeepsExistingFiles) {
  const test::ListlessSite& c = GetParam();
  const auto site = c.Serve();
  const test::TempDir dir("cli-listless");
  const std::filesystem::path id_file = dir.path() / "channels_id";
  const std::filesystem::path export_file = dir.path() / "list.htm";
  std::ofstream(id_file) << "a:1:{good}\r\n";
  std::ofstream(export_file) << "<p>good</p>";
  std::vector<std::string> args{
      "load",         c.what,           "--trace-file", (dir.path() / "trace").string(),
      "--channel-id", id_file.string(), "--export",     export_file.string()};
  for (const std::string& address : c.SiteArguments(*site)) {
    args.insert(args.end(), {"--site", address});
  }

  const CliRun kept = Cli(args);
  EXPECT_EQ(kept.code, 4) << kept.err;
  EXPECT_NE(kept.err.find(EmptyListMessage(c.cause, TextsFor(Language::kRu))), std::string::npos)
      << kept.err;
  EXPECT_NE(kept.err.find("Файл не перезаписан"), std::string::npos) << kept.err;
  EXPECT_EQ(test::ReadFile(id_file), "a:1:{good}\r\n");
  EXPECT_EQ(test::ReadFile(export_file), "<p>good</p>");

  args.push_back("--allow-empty");
  const CliRun allowed = Cli(args);
  EXPECT_EQ(allowed.code, 4) << allowed.err;
  // akado still has its five fixed rows; the others "a:0:{}".
  EXPECT_EQ(test::ReadFile(id_file), CreateList(c.rows) + "\r\n");
  EXPECT_NE(test::ReadFile(export_file), "<p>good</p>");

  // A file that is not there yet loses nothing by being written.
  std::filesystem::remove(id_file);
  args.pop_back();
  args.insert(args.end(), {"--lang", "en"});
  const CliRun fresh = Cli(args);
  EXPECT_EQ(fresh.code, 4);
  EXPECT_NE(fresh.err.find(EmptyListMessage(c.cause, TextsFor(Language::kEn))), std::string::npos);
  EXPECT_EQ(test::ReadFile(id_file), CreateList(c.rows) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Sites, CliListless, testing::ValuesIn(test::ListlessSites()),
                         test::CaseName());

// Answers and pages at the edge of what a load can use, and a run whose
// second file cannot be written: each ends as its exit status says, and
// every file the run would write stays as it was unless all could be.
TEST(CliLoadCorners, MalformedAnswersBlankPagesAndAllOrNothing) {
  const test::TempDir dir("cli-corners");
  const std::string id_file = (dir.path() / "channels_id").string();
  const std::string in_missing = (dir.path() / "missing" / "list.txt").string();
  const auto answer = [](std::string head, std::string page) {
    return head + "Content-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page;
  };
  const std::string good_page =
      "<select><option value=channel_1>A</option><option value=channel_2>B</option></select>";
  const struct {
    const char* what;
    std::string answer;
    std::vector<std::string> args;
    int code;
    std::string message;  // a line of stderr
  } cases[] = {
      {"two different lengths, ru",
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n" + answer("", good_page),
       {"--channel-id", id_file},
       1,
       "brelvik-cli: ответ сервера — не корректный HTTP: две разные длины: "},
      {"two different lengths, en",
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n" + answer("", good_page),
       {"--lang", "en"},
       1,
       "brelvik-cli: the server's answer is not valid HTTP: two different lengths: "},
      {"a list of nothing but line breaks",
       answer("HTTP/1.1 200 OK\r\n", "<select><option value=channel_>\r\n</option>\r\n</select>"),
       {"--channel-id", id_file, "--lang", "en"},
       4,
       "brelvik-cli: warning: " +
           EmptyListMessage(EmptyListCause::kNoChannelLine, TextsFor(Language::kEn))},
      {"the second file in a missing folder",
       answer("HTTP/1.1 200 OK\r\n", good_page),
       {"--channel-id", id_file, "--export", in_missing, "--lang", "en"},
       1,
       "brelvik-cli: Cannot write " + in_missing + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    std::ofstream(id_file) << "a:1:{good}\r\n";
    test::RawServer server(
        [&](int fd, const std::atomic<bool>&) { test::RawServer::Send(fd, c.answer); });
    std::vector<std::string> args = {"load", "vsetv", "--skip-probe", "--site",
                                     "vsetv=" + server.Url("")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun run = Cli(args);
    EXPECT_EQ(run.code, c.code) << c.what << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << "\n" << run.err;
    EXPECT_EQ(test::ReadFile(id_file), "a:1:{good}\r\n") << c.what;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

TEST(CliHelp, DocumentsExitFourAndAllowEmpty) {
  const CliRun help = Cli({"--help"});
  EXPECT_NE(help.out.find("--allow-empty"), std::string::npos);
  EXPECT_NE(help.out.find("4 loaded, but the page held no channel list"), std::string::npos);
}

// A vsetv site serving one page (Windows-1251 bytes as given).
struct VsetvSite {
  explicit VsetvSite(std::string page)
      : site("/channels.html", std::move(page), "text/html; charset=windows-1251") {}
  std::string Arg() const { return "vsetv=" + site.Url(""); }
  test::ProviderSite site;
};

TEST(CliChannelIdFindings, CodesWindows1251CannotHoldAreNamed) {
  // "&#20013;" is 中, which the code page lacks; "&#8364;" is €, which it holds.
  const VsetvSite vsetv(
      "<select><option value=channel_&#20013;1>CCTV</option>"
      "<option value=channel_&#8364;5>Euro</option></select>");
  const test::TempDir dir("cli-lost");
  const CliRun run =
      Cli({"load", "vsetv", "--site", vsetv.Arg(), "--channel-id", (dir.path() / "id").string()});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err,
            "brelvik-cli: warning: Коды этих каналов содержат знаки, которых нет в кодировке "
            "Windows-1251 файла channel_id; в файле вместо них стоит «?»:\n"
            "  «CCTV» (中1 → ?1)\n");
  EXPECT_EQ(test::ReadFile(dir.path() / "id"),
            Utf8ToCp1251(CreateList({{"CCTV", "中1"}, {"Euro", "€5"}})) + "\r\n");
  EXPECT_NE(test::ReadFile(dir.path() / "id").find("s:2:\"?1\""), std::string::npos);
}

TEST(CliChannelIdFindings, CollidingKeysOnlyWithTheOptionThatMakesThem) {
  // "ТВ 3" and "ТВ-3" in Windows-1251.
  const VsetvSite vsetv(
      "<select><option value=channel_1091>\xD2\xC2 3</option>"
      "<option value=channel_1383>\xD2\xC2-3</option></select>");
  const test::TempDir dir("cli-collide");
  const std::string id = (dir.path() / "id").string();
  const CliRun plain = Cli({"load", "vsetv", "--site", vsetv.Arg(), "--channel-id", id});
  EXPECT_EQ(plain.code, 0);
  EXPECT_EQ(plain.err, "");
  const CliRun hyphen = Cli({"load", "vsetv", "--site", vsetv.Arg(), "--channel-id", id,
                             "--remove-hyphen", "--lang", "en"});
  EXPECT_EQ(hyphen.code, 0);
  EXPECT_NE(hyphen.err.find("  Key " + ChannelHash("ТВ3", {}) +
                            ": “ТВ 3” (1091), “ТВ-3” (1383) — the plug-in will see only 1383\n"),
            std::string::npos)
      << hyphen.err;
}

// Names as the player shows them: references decoded before hashing. The keys
// are MD5 digests computed apart from the program ("fast&funbox", "ТВ3").
TEST(CliHtmlReferences, NamesAndHashesAreOfTheDecodedText) {
  const VsetvSite vsetv(
      "<select><option value=channel_1>Fast &amp; FunBox</option>"
      "<option value=channel_2>&quot;&#1058;&#x412;&quot; 3</option></select>");
  const test::TempDir dir("cli-references");
  const CliRun run =
      Cli({"load", "vsetv", "--site", vsetv.Arg(), "--format", "tsv", "--channel-id",
           (dir.path() / "id").string(), "--export", (dir.path() / "list.htm").string()});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "\"ТВ\" 3\t2\nFast & FunBox\t1\n");
  EXPECT_EQ(test::ReadFile(dir.path() / "id"),
            "a:2:{s:32:\"f4462e4d1ba1725df59e2758f5368dfc\";s:1:\"2\";"
            "s:32:\"40f11e10576eea47a55204004ef25af9\";s:1:\"1\";}\r\n");
  const std::string html = test::ReadFile(dir.path() / "list.htm");
  EXPECT_NE(html.find("Fast &amp; FunBox"), std::string::npos);
  EXPECT_EQ(html.find("&amp;amp;"), std::string::npos);
}

TEST(CliProviders, OneLinePerProviderWithAddresses) {
  CliRun run = Cli({"providers", "--site", "moyo.service=http://127.0.0.1:5"});
  EXPECT_EQ(run.code, 0);
  std::istringstream lines(run.out);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line.rfind(std::to_string(count) + "\t", 0), 0u) << line;
    ++count;
  }
  EXPECT_EQ(count, 12);
  EXPECT_NE(run.out.find("0\tvsetv\tvsetv=http://"), std::string::npos);
  EXPECT_NE(run.out.find("11\tmoyo\tmoyo=http://www.moyo.tv\tmoyo.service=http://127.0.0.1:5\n"),
            std::string::npos);
}

}  // namespace
}  // namespace brelvik
