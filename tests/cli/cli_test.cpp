// brelvik-cli: outputs and exit codes of the provider list and loads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <pugixml.hpp>

#include "cli/cli.h"
#include "fixture.h"
#include "loaders/listless_sites.h"
#include "outputs/channel_id_map.h"
#include "support/codepage.h"
#include "support/loopback_server.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

class CliLoad : public testing::Test {
 protected:
  test::LoopbackServer server_{[](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [](const httplib::Request&, httplib::Response& res) {
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
  EXPECT_EQ(ru.err, "В данный момент сайт недоступен.\nВозможно отсутствует соединение\nс Интернетом.\n");
  CliRun en = Cli({"load", "vsetv", "--site", "vsetv=" + missing.Url(""), "--lang", "en"});
  EXPECT_EQ(en.code, 3);
  EXPECT_EQ(en.err, "At the moment the site is unavailable.\nPerhaps there is no Internet\nconnection.\n");

  CliRun failed = Cli({"load", "vsetv", "--site", "vsetv=" + missing.Url(""), "--skip-probe"});
  EXPECT_EQ(failed.code, 1);
  EXPECT_EQ(failed.err, "HTTP/1.1 404 Not Found\n");

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{}, {"load"}, {"load", "nosuch"}, {"load", "12"},
        {"load", "vsetv", "--format", "xml"}, {"load", "vsetv", "--site", "x=y"},
        {"load", "vsetv", "--lang", "de"}, {"providers", "extra"}, {"frobnicate"},
        {"load", "vsetv", "--site"}}) {
    EXPECT_EQ(Cli(bad).code, 2) << (bad.empty() ? "" : bad[0]);
  }
  EXPECT_EQ(Cli({"--help"}).code, 0);
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

  // A file that cannot be written fails the run and says why.
  CliRun failed = Cli({"load", "vsetv", "--site", Site(), "--channel-id",
                       (dir / "channels_id" / "x").string()});
  EXPECT_EQ(failed.code, 1);
  EXPECT_NE(failed.err.find("channels_id/x"), std::string::npos);
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
      {"guide.xml", "ru", "brelvik-cli: warning: Удалено управляющих символов, недопустимых в XML: 1.\n"},
      {"vsetv.channels.xml", "en",
       "brelvik-cli: warning: Control characters that XML cannot hold were dropped: 1.\n"},
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
