// The tricolor loader: the channel filter's check boxes to rows, the trace
// file, and the whole load against a loopback server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "fixture.h"
#include "loaders/loaders.h"
#include "support/codepage.h"
#include "support/loopback_server.h"
#include "support/text.h"

namespace brelvik {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStart = "<div class=\"check-group\">";
constexpr const char* kEnd = "<table class=\"redbutton\">";

std::string Box(const std::string& code, const std::string& name) {
  return "<label><input type=\"checkbox\" value=\"" + code + "\" name=\"fc\"><span>" + name +
         "</span></label>";
}

std::string Page(const std::string& filter) {
  return std::string("<html><body><form>") + kStart + filter + kEnd +
         "<tr><td>OK</td></tr></table></form></body></html>";
}

const std::string kWorkedFilter = "\r\n<div id=\"fav-ch-4\" class=\"active\">" +
                                  Box("101", "Kino Plus") + Box("102", "Sport") +
                                  "</div><div id=\"fav-ch-5\">" + Box("103", "News") + "</div>\r\n";

struct PageCase {
  const char* what;
  std::string page;
  ChannelRows rows;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.what; }

class TricolorPages : public testing::TestWithParam<PageCase> {};

TEST_P(TricolorPages, CutsRows) {
  EXPECT_EQ(ParseTricolorPage(GetParam().page).rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TricolorPages,
    testing::Values(
        PageCase{"worked example",
                 Page(kWorkedFilter),
                 {{"Kino Plus", "101"}, {"Sport", "102"}, {"News", "103"}}},
        PageCase{"a check box on the first line is lost",
                 Page("<div id=\"fav-ch-4\" class=\"active\">" + Box("101", "Kino Plus") +
                      Box("102", "Sport")),
                 {{"Sport", "102"}}},
        PageCase{
            "blank lines give no rows, LF and tabs vanish",
            Page("\r\n\t" + Box("101", "Kino\n Plus") + "\r\n\r\n \t \r\n" + Box("102", "Sport")),
            {{"Kino Plus", "101"}, {"Sport", "102"}}},
        PageCase{"a tab tag not after </div> stays in its line",
                 Page("\r\n<div id=\"fav-ch-1\">" + Box("101", "Kino Plus")),
                 {{"101", "<div id=fav-ch-1"}}},
        PageCase{"joints of tabs 1 to 40 only",
                 Page("\r\n" + Box("1", "A") + "</div><div id=\"fav-ch-40\">" + Box("2", "B") +
                      "</div><div id=\"fav-ch-41\">" + Box("3", "C")),
                 {{"A", "1"}, {"B", "2"}, {"3", "<div id=fav-ch-41"}}},
        PageCase{"a joint made by one tab's pass goes in a later pass",
                 Page("\r\n" + Box("1", "A") + "</div><div id=fav-ch-</div><div id=fav-ch-1>2>" +
                      Box("2", "B")),
                 {{"A", "1"}, {"B", "2"}}},
        PageCase{"a joint spelt across a removed one goes in a later pass",
                 Page("\r\n" + Box("1", "A") + "</div><di</div><div id=fav-ch-1>v id=fav-ch-2>" +
                      Box("2", "B")),
                 {{"A", "1"}, {"B", "2"}}},
        PageCase{"a joint made by one tab's pass stays for an earlier tab",
                 Page("\r\n" + Box("1", "A") + "</div><div id=fav-ch-</div><div id=fav-ch-2>1>" +
                      Box("2", "B")),
                 {{"A", "1"}, {"2", "<div id=fav-ch-1"}}},
        PageCase{"a line without > or | is its own code and name",
                 Page("\r\n  plain  \r\n"),
                 {{"  plain  ", "plain"}}},
        PageCase{"fields split by | swap name and code",
                 Page("\r\n101|x|Kino Plus\r\n"),
                 {{"101", "Kino Plus"}}},
        PageCase{"a name containing > is cut at it",
                 Page("\r\n" + Box("101", "Kino>HD")),
                 {{"Kino", "101"}}},
        PageCase{
            "blanks around the first > stay", Page("\r\n45 >  Kino  \r\n"), {{"  Kino", "45 "}}},
        PageCase{"a channel in two tabs gives two rows",
                 Page("\r\n" + Box("1", "A") + "</div><div id=\"fav-ch-2\">" + Box("1", "A")),
                 {{"A", "1"}, {"A", "1"}}},
        PageCase{"Cyrillic names",
                 Page("\r\n" + Box("1", "Первый канал") + Box("2", "Ёлки")),
                 {{"Первый канал", "1"}, {"Ёлки", "2"}}},
        PageCase{"no start marker", "<html>" + Box("1", "A") + kEnd + "</html>", {}},
        PageCase{"no end marker", std::string(kStart) + "\r\n" + Box("1", "A"), {}},
        PageCase{"malformed UTF-8", Page("\r\n" + Box("1", "A") + Box("2", "\xC3\x28")), {}},
        PageCase{"UTF-8 cut short at the end", Page("\r\n" + Box("1", "A") + "\xD0"), {}}),
    [](const testing::TestParamInfo<PageCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

TEST(TricolorTrace, WorkedExampleLinesAndBytes) {
  const TricolorPage page = ParseTricolorPage(test::ReadFixture("tricolor/tvprogram.html"));
  EXPECT_EQ(page.lines,
            (std::vector<std::string>{"", "101>Kino Plus", "102>Sport", "103>News", ""}));
  EXPECT_EQ(page.rows, (ChannelRows{{"Kino Plus", "101"}, {"Sport", "102"}, {"News", "103"}}));
  EXPECT_EQ(TricolorTraceBytes(page.lines), "\r\n101>Kino Plus\r\n102>Sport\r\n103>News\r\n\r\n");
}

TEST(TricolorTrace, WindowsCodePageAndEmptyLists) {
  EXPECT_EQ(TricolorTraceBytes({"", "1>Первый канал", "2>Ω"}),
            "\r\n1>\xCF\xE5\xF0\xE2\xFB\xE9 \xEA\xE0\xED\xE0\xEB\r\n2>?\r\n");
  EXPECT_EQ(TricolorTraceBytes({}), "");
  EXPECT_TRUE(ParseTricolorPage(Page("\r\n" + Box("1", "\xFF"))).lines.empty());
}

TEST(TricolorFixture, TabbedPageWithIndentation) {
  const TricolorPage page = ParseTricolorPage(test::ReadFixture("tricolor/tvprogram_tabs.html"));
  const ChannelRows expected{{"Первый канал", "1"},
                             {"Россия 1", "2"},
                             {"Карусель", "63"},
                             {"Первый канал", "1"},
                             {"НТВ", "5"},
                             {"Пятый канал", "7"},
                             {"Дом кино", "210"},
                             {"Кино Плюс HD", "211"},
                             {"Eurosport", "305"},
                             {"Матч ТВ", "306"},
                             {"Мульт", "1001"},
                             {"Ю", "1102"},
                             {"Охота и рыбалка", "1203"}};
  EXPECT_EQ(page.rows, expected);
  // Every line break of the page leaves a blank line, which the trace keeps.
  EXPECT_EQ(page.lines.size(), 2 * expected.size() + 9);
}

// The cleaning chain step by step, each replacement over the whole text: the
// loader's single-scan removal of tab joints must agree with it.
std::vector<std::string> ReferenceLines(std::string_view page) {
  std::string text = TextBetween(kStart, page, kEnd);
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"\n", ""},
           {"\t", ""},
           {"</label>", "</label>\r"},
           {"<div id=\"fav-ch-4\" class=\"active\">", ""},
           {"<label><input type=\"checkbox\" value=", ""},
           {" name=\"fc\"><span", ""},
           {"</span></label>", ""},
           {"\"", ""}}) {
    text = ReplaceAll(text, from, to);
  }
  for (int n = 1; n <= 40; ++n) {
    text = ReplaceAll(text, "</div><div id=fav-ch-" + std::to_string(n) + ">", "");
  }
  return SplitLines(ValidUtf8(ReplaceAll(text, "</div>", "")));
}

TEST(TricolorCleaning, AgreesWithTheStepByStepChain) {
  // Whole joints, and pieces of joints that a removal can bring together.
  const std::vector<std::string> pieces{"</div><div id=fav-ch-1>",
                                        "</div><div id=\"fav-ch-2\">",
                                        "</div><div id=fav-ch-12>",
                                        "</div><div id=fav-ch-",
                                        "</div><di",
                                        "v id=fav-ch-2>",
                                        "v id=fav-ch-",
                                        "1>",
                                        "4",
                                        "41>",
                                        "</div>",
                                        "\r",
                                        "\n",
                                        "x",
                                        Box("7", "Q")};
  std::mt19937 random(20121120);
  for (int round = 0; round < 3000; ++round) {
    std::string filter;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) filter += pieces[random() % pieces.size()];
    const std::string page = Page(filter);
    ASSERT_EQ(ParseTricolorPage(page).lines, ReferenceLines(page)) << filter;
  }
}

class TempDir {
 public:
  TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("brelvik-tricolor-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct GuideSite {
  test::RequestLog log;
  std::string page = test::ReadFixture("tricolor/tvprogram.html");
  int status = 200;
  test::LoopbackServer server{[this](httplib::Server& s) {
    s.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      if (req.path == "/tvprogram") {
        res.status = status;
        res.set_content(page, "text/html; charset=utf-8");
      } else {
        res.set_content("<html></html>", "text/html");
      }
    });
  }};

  ProviderSites Sites() const {
    ProviderSites sites;
    EXPECT_EQ(sites.Override("tricolor.guide=" + server.Url("")), "");
    return sites;
  }
};

const ChannelRows kWorkedRows{{"Kino Plus", "101"}, {"Sport", "102"}, {"News", "103"}};
const std::string kWorkedTrace = "\r\n101>Kino Plus\r\n102>Sport\r\n103>News\r\n\r\n";

TEST(TricolorLoad, ProbesAndFetchesTheGuideAndWritesTheTrace) {
  GuideSite guide;
  TempDir dir;
  const fs::path trace = dir.Path() / "trace.txt";
  std::ofstream(trace) << "an older trace, longer than the new one ..................";
  HttpClient http;
  LoadOptions options;
  options.trace_file = trace;

  const LoadResult result = RunLoad(*FindProvider("tricolor"), http, guide.Sites(), options);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kWorkedRows);
  EXPECT_TRUE(result.warnings.empty());
  // The title shows the provider's main site, not the guide that was asked.
  EXPECT_EQ(result.site_label, ": " + ProviderSites().Address("tricolor"));
  EXPECT_EQ(ReadFile(trace), kWorkedTrace);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

  const auto requests = guide.log.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("User-Agent"), "InetURL:/1.0");
  EXPECT_EQ(requests[1].path, "/tvprogram");
  EXPECT_EQ(requests[1].Header("Accept"), "text/html, */*");
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/html");
  EXPECT_EQ(requests[1].Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");

  // A page that yields nothing still replaces the trace, with nothing.
  guide.page = Page("\r\n" + Box("1", "\xC3\x28"));
  const LoadResult broken = RunLoad(*FindProvider("tricolor"), http, guide.Sites(), options);
  EXPECT_EQ(broken.status, LoadStatus::kLoaded);
  EXPECT_TRUE(broken.rows.empty());
  EXPECT_EQ(ReadFile(trace), "");

  // A failed request leaves the trace alone.
  std::ofstream(trace) << "kept";
  guide.status = 500;
  const LoadResult failed = RunLoad(*FindProvider("tricolor"), http, guide.Sites(), options);
  EXPECT_EQ(failed.status, LoadStatus::kFailed);
  EXPECT_EQ(failed.error, "HTTP/1.1 500 Internal Server Error");
  EXPECT_EQ(ReadFile(trace), "kept");
}

TEST(TricolorLoad, AnUnwritableTraceCostsNoRows) {
  GuideSite guide;
  TempDir dir;
  std::ofstream(dir.Path() / "plain-file") << "x";
  const fs::path trace = dir.Path() / "plain-file" / "tricolor.txt";
  HttpClient http;
  LoadOptions options;
  options.trace_file = trace;

  const LoadResult result = RunLoad(*FindProvider("tricolor"), http, guide.Sites(), options);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kWorkedRows);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(result.warnings[0],
            "The channels loaded, but the trace file was not written: Cannot write " +
                trace.string() + ": Not a directory");

  // The default place, when its folder cannot be made.
  ScopedEnv cache("XDG_CACHE_HOME", (dir.Path() / "plain-file").string());
  const LoadResult by_default = RunLoad(*FindProvider("tricolor"), http, guide.Sites());
  ASSERT_EQ(by_default.status, LoadStatus::kLoaded) << by_default.error;
  EXPECT_EQ(by_default.rows, kWorkedRows);
  ASSERT_EQ(by_default.warnings.size(), 1u);
  EXPECT_EQ(by_default.warnings[0],
            "The channels loaded, but the trace file was not written: Cannot create " +
                (dir.Path() / "plain-file" / "brelvik").string() + ": Not a directory");
}

TEST(TricolorLoad, DefaultTraceGoesToTheUserCacheFolder) {
  GuideSite guide;
  TempDir dir;
  {
    ScopedEnv home("HOME", (dir.Path() / "home").string());
    ScopedEnv relative("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored
    EXPECT_EQ(DefaultTricolorTraceFile(), dir.Path() / "home/.cache/brelvik/tricolor.txt");
  }
  ScopedEnv cache("XDG_CACHE_HOME", (dir.Path() / "cache").string());
  const fs::path expected = dir.Path() / "cache/brelvik/tricolor.txt";
  EXPECT_EQ(DefaultTricolorTraceFile(), expected);

  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider("tricolor"), http, guide.Sites());
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_EQ(ReadFile(expected), kWorkedTrace);
}

}  // namespace
}  // namespace brelvik
