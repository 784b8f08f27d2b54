// The tricolor loader: the channel filter's check boxes to rows, the trace
// file, and the whole load against a loopback server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"
#include "loaders/loader_references.h"
#include "temp_dir.h"

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

class TricolorPages : public testing::TestWithParam<test::PageCase> {};

TEST_P(TricolorPages, CutsRows) {
  EXPECT_EQ(ParseTricolorPage(GetParam().page).rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TricolorPages,
    testing::Values(
        test::PageCase{"worked example",
                       Page(kWorkedFilter),
                       {{"Kino Plus", "101"}, {"Sport", "102"}, {"News", "103"}}},
        test::PageCase{"a check box on the first line is lost",
                       Page("<div id=\"fav-ch-4\" class=\"active\">" + Box("101", "Kino Plus") +
                            Box("102", "Sport")),
                       {{"Sport", "102"}}},
        test::PageCase{
            "blank lines give no rows, LF and tabs vanish",
            Page("\r\n\t" + Box("101", "Kino\n Plus") + "\r\n\r\n \t \r\n" + Box("102", "Sport")),
            {{"Kino Plus", "101"}, {"Sport", "102"}}},
        test::PageCase{"a tab tag not after </div> stays in its line",
                       Page("\r\n<div id=\"fav-ch-1\">" + Box("101", "Kino Plus")),
                       {{"101", "<div id=fav-ch-1"}}},
        test::PageCase{"joints of tabs 1 to 40 only",
                       Page("\r\n" + Box("1", "A") + "</div><div id=\"fav-ch-40\">" +
                            Box("2", "B") + "</div><div id=\"fav-ch-41\">" + Box("3", "C")),
                       {{"A", "1"}, {"B", "2"}, {"3", "<div id=fav-ch-41"}}},
        test::PageCase{"a joint made by one tab's pass goes in a later pass",
                       Page("\r\n" + Box("1", "A") +
                            "</div><div id=fav-ch-</div><div id=fav-ch-1>2>" + Box("2", "B")),
                       {{"A", "1"}, {"B", "2"}}},
        test::PageCase{"a joint spelt across a removed one goes in a later pass",
                       Page("\r\n" + Box("1", "A") +
                            "</div><di</div><div id=fav-ch-1>v id=fav-ch-2>" + Box("2", "B")),
                       {{"A", "1"}, {"B", "2"}}},
        test::PageCase{"a joint made by one tab's pass stays for an earlier tab",
                       Page("\r\n" + Box("1", "A") +
                            "</div><div id=fav-ch-</div><div id=fav-ch-2>1>" + Box("2", "B")),
                       {{"A", "1"}, {"2", "<div id=fav-ch-1"}}},
        test::PageCase{"a line without > or | is its own code and name",
                       Page("\r\n  plain  \r\n"),
                       {{"  plain  ", "plain"}}},
        test::PageCase{"fields split by | swap name and code",
                       Page("\r\n101|x|Kino Plus\r\n"),
                       {{"101", "Kino Plus"}}},
        test::PageCase{"a name containing > is cut at it",
                       Page("\r\n" + Box("101", "Kino>HD")),
                       {{"Kino", "101"}}},
        test::PageCase{
            "blanks around the first > stay", Page("\r\n45 >  Kino  \r\n"), {{"  Kino", "45 "}}},
        test::PageCase{"a channel in two tabs gives two rows",
                       Page("\r\n" + Box("1", "A") + "</div><div id=\"fav-ch-2\">" + Box("1", "A")),
                       {{"A", "1"}, {"A", "1"}}},
        test::PageCase{"Cyrillic names",
                       Page("\r\n" + Box("1", "Первый канал") + Box("2", "Ёлки")),
                       {{"Первый канал", "1"}, {"Ёлки", "2"}}},
        test::PageCase{"no start marker", "<html>" + Box("1", "A") + kEnd + "</html>", {}},
        test::PageCase{"no end marker", std::string(kStart) + "\r\n" + Box("1", "A"), {}},
        test::PageCase{"malformed UTF-8", Page("\r\n" + Box("1", "A") + Box("2", "\xC3\x28")), {}},
        test::PageCase{"UTF-8 cut short at the end", Page("\r\n" + Box("1", "A") + "\xD0"), {}},
        test::PageCase{
            "character references decode after the cut",
            Page("\r\n" + Box("5", "Fast &amp; FunBox") + Box("6", "&quot;&#1058;&#x412;&quot; 3")),
            {{"Fast & FunBox", "5"}, {"\"ТВ\" 3", "6"}}}),
    test::CaseName());

TEST(TricolorTrace, WorkedExampleLinesAndBytes) {
  const TricolorPage page = ParseTricolorPage(test::ReadFixture("tricolor/tvprogram.html"));
  EXPECT_EQ(page.lines,
            (std::vector<std::string>{"", "101>Kino Plus", "102>Sport", "103>News", ""}));
  EXPECT_EQ(page.rows, (ChannelRows{{"Kino Plus", "101"}, {"Sport", "102"}, {"News", "103"}}));
  EXPECT_EQ(TricolorTraceBytes(page.lines), "\r\n101>Kino Plus\r\n102>Sport\r\n103>News\r\n\r\n");
}

TEST(TricolorTrace, KeepsTheReferencesTheRowsDecode) {
  const TricolorPage page = ParseTricolorPage(Page("\r\n" + Box("5", "Fast &amp; FunBox")));
  EXPECT_EQ(page.lines, (std::vector<std::string>{"", "5>Fast &amp; FunBox"}));
  EXPECT_EQ(page.rows, (ChannelRows{{"Fast & FunBox", "5"}}));
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
    ASSERT_EQ(ParseTricolorPage(page).lines, test::TricolorReferenceLines(page)) << filter;
  }
}

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

using test::ReadFile;
using test::TempDir;

// The programme guide's site, serving the worked example.
struct GuideSite : test::ProviderSite {
  GuideSite() : test::ProviderSite("/tvprogram", test::ReadFixture("tricolor/tvprogram.html")) {}

  // A tricolor load from here; an empty trace file means the default one.
  LoadResult Load(const fs::path& trace_file = {}) const {
    HttpClient http;
    LoadOptions options;
    options.trace_file = trace_file;
    return RunLoad(*FindProvider("tricolor"), http, SitesFor("tricolor.guide"), options);
  }
};

const ChannelRows kWorkedRows{{"Kino Plus", "101"}, {"Sport", "102"}, {"News", "103"}};
const std::string kWorkedTrace = "\r\n101>Kino Plus\r\n102>Sport\r\n103>News\r\n\r\n";

TEST(TricolorLoad, ProbesAndFetchesTheGuideAndWritesTheTrace) {
  GuideSite guide;
  TempDir dir;
  const fs::path trace = dir.path() / "trace.txt";
  std::ofstream(trace) << "an older trace, longer than the new one ..................";

  const LoadResult result = guide.Load(trace);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kWorkedRows);
  EXPECT_TRUE(result.warnings.empty());
  // The title shows the provider's main site, not the guide that was asked.
  EXPECT_EQ(result.site_label, ": " + ProviderSites().Address("tricolor"));
  EXPECT_EQ(ReadFile(trace), kWorkedTrace);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  const auto requests = guide.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(test::IsProbe(requests[0]));
  EXPECT_TRUE(test::IsPageRequest(requests[1], "/tvprogram"));

  // A page that yields nothing still replaces the trace, with nothing.
  guide.Serve(Page("\r\n" + Box("1", "\xC3\x28")));
  const LoadResult broken = guide.Load(trace);
  EXPECT_EQ(broken.status, LoadStatus::kLoaded);
  EXPECT_TRUE(broken.rows.empty());
  EXPECT_EQ(ReadFile(trace), "");

  // A failed request leaves the trace alone.
  std::ofstream(trace) << "kept";
  guide.Serve("", 500);
  EXPECT_TRUE(test::FailedOnServerError(guide.Load(trace)));
  EXPECT_EQ(ReadFile(trace), "kept");
}

TEST(TricolorLoad, AnUnwritableTraceCostsNoRows) {
  GuideSite guide;
  TempDir dir;
  std::ofstream(dir.path() / "plain-file") << "x";
  const fs::path trace = dir.path() / "plain-file" / "tricolor.txt";

  const LoadResult result = guide.Load(trace);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kWorkedRows);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_EQ(FailureText(result.warnings[0], Language::kEn),
            "The channels loaded, but the trace file was not written: Cannot write " +
                trace.string() + ": Not a directory");
  EXPECT_EQ(FailureText(result.warnings[0], Language::kRu),
            "Каналы загружены, но файл трассировки не записан: Не удалось записать " +
                trace.string() + ": часть пути — не каталог");

  // The default place, when its folder cannot be made.
  ScopedEnv cache("XDG_CACHE_HOME", (dir.path() / "plain-file").string());
  const LoadResult by_default = guide.Load();
  ASSERT_EQ(by_default.status, LoadStatus::kLoaded) << by_default.error;
  EXPECT_EQ(by_default.rows, kWorkedRows);
  ASSERT_EQ(by_default.warnings.size(), 1u);
  EXPECT_EQ(FailureText(by_default.warnings[0], Language::kEn),
            "The channels loaded, but the trace file was not written: Cannot create " +
                (dir.path() / "plain-file" / "brelvik").string() + ": Not a directory");
}

TEST(TricolorLoad, DefaultTraceGoesToTheUserCacheFolder) {
  GuideSite guide;
  TempDir dir;
  {
    ScopedEnv home("HOME", (dir.path() / "home").string());
    ScopedEnv relative("XDG_CACHE_HOME", "relative/cache");  // not absolute: ignored
    EXPECT_EQ(DefaultTricolorTraceFile(), dir.path() / "home/.cache/brelvik/tricolor.txt");
  }
  ScopedEnv cache("XDG_CACHE_HOME", (dir.path() / "cache").string());
  const fs::path expected = dir.path() / "cache/brelvik/tricolor.txt";
  EXPECT_EQ(DefaultTricolorTraceFile(), expected);

  const LoadResult result = guide.Load();
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_EQ(ReadFile(expected), kWorkedTrace);
}

}  // namespace
}  // namespace brelvik
