// The lists compiled into the program (mailru, idcmd, stv): their stated traits,
// the rows their loaders hand out, and the probe and pause around them.
#include <gtest/gtest.h>
#include <unicode/coll.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"
#include "support/codepage.h"
#include "support/loopback_server.h"
#include "support/text.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLowerLatin(char c) { return c >= 'a' && c <= 'z'; }
bool IsLatin(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Cyrillic letters that Windows-1251 holds: Russian, Ukrainian and Belarusian.
bool IsCyrillic(char32_t c) {
  static const std::u32string kBeyondRussianAlphabet = U"ЁёЄєІіЇїҐґЎў";
  return (c >= U'А' && c <= U'я') || kBeyondRussianAlphabet.find(c) != std::u32string::npos;
}

std::u32string CodePoints(std::string_view utf8) {
  std::u32string points;
  int32_t i = 0;
  const auto length = static_cast<int32_t>(utf8.size());
  while (i < length) {
    UChar32 c;
    U8_NEXT(utf8.data(), i, length, c);
    points.push_back(c < 0 ? 0xFFFD : static_cast<char32_t>(c));
  }
  return points;
}

bool AllowedNameCharacter(char32_t c) {
  static const std::u32string kSigns = U" !&()+,-./:?_\u00B0";
  return IsLatin(c) || IsCyrillic(c) || (c >= '0' && c <= '9') ||
         kSigns.find(c) != std::u32string::npos;
}

bool IsDecimal(std::string_view code, std::size_t min_digits, std::size_t max_digits) {
  return code.size() >= min_digits && code.size() <= max_digits && code[0] != '0' &&
         std::all_of(code.begin(), code.end(), IsDigit);
}

bool IsStvCode(std::string_view code) {
  static const std::string_view kSigns = " !&+-._";
  return !code.empty() && code.size() <= 10 && code[0] != ' ' &&
         std::all_of(code.begin(), code.end(), [](char c) {
           return IsLowerLatin(c) || IsDigit(c) || kSigns.find(c) != std::string_view::npos;
         });
}

struct ListTraits {
  const char* key;
  std::size_t lines;
  const char* first_line;
  std::function<bool(std::string_view)> code_format;
  // Names stored twice (with their codes) and codes shared by two names (with
  // their names). Every other name and every other code occurs once in its list.
  std::map<std::string, std::set<std::string>> twice_named;
  std::map<std::string, std::set<std::string>> shared_codes;
};

const std::vector<ListTraits>& Lists() {
  static const std::vector<ListTraits> lists{
      {"mailru",
       446,
       "1HD;1821",
       [](std::string_view code) { return IsDecimal(code, 3, 4); },
       {{"Amazing Life", {"957", "1976"}},
        {"Galaxy TV", {"1520", "2007"}},
        {"Культура", {"1139", "1169"}},
        {"НТВ", {"1165", "1395"}},
        {"РЕН ТВ", {"878", "1158"}},
        {"Россия 1", {"807", "1271"}},
        {"ТВ-3", {"1091", "1383"}}},
       {}},
      {"idcmd",
       271,
       "1+1;223",
       [](std::string_view code) { return IsDecimal(code, 1, 3); },
       {},
       {}},
      {"stv",
       492,
       "1+1;1+1",
       IsStvCode,
       {},
       {{"anfamilhd", {"Animal Family HD", "Family HD"}}, {"disney", {"Disney", "Канал Disney"}}}},
  };
  return lists;
}

void PrintTo(const ListTraits& traits, std::ostream* out) { *out << traits.key; }

std::string ListName(const testing::TestParamInfo<ListTraits>& info) { return info.param.key; }

class BuiltinList : public testing::TestWithParam<ListTraits> {};

TEST_P(BuiltinList, LinesHaveTheStatedShape) {
  const ListTraits& traits = GetParam();
  const std::string_view text = BuiltinListText(traits.key);
  // Stored with a final line break and nothing after it.
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const std::vector<std::string> lines = SplitLines(text);
  ASSERT_EQ(lines.size(), traits.lines);
  EXPECT_EQ(lines.front(), traits.first_line);

  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    ASSERT_EQ(std::count(line.begin(), line.end(), ';'), 1);
    const std::string name = line.substr(0, line.find(';'));
    const std::string code = line.substr(line.find(';') + 1);
    const std::u32string points = CodePoints(name);
    EXPECT_GE(points.size(), 1u);
    EXPECT_LE(points.size(), 33u);
    EXPECT_TRUE(std::all_of(points.begin(), points.end(), AllowedNameCharacter));
    EXPECT_TRUE(!points.empty() && (IsLatin(points[0]) || IsCyrillic(points[0]) ||
                                    (points[0] >= '0' && points[0] <= '9')));
    // Every line still fits the code page the lists were first kept in.
    EXPECT_EQ(Cp1251ToUtf8(Utf8ToCp1251(line)), line);
    EXPECT_TRUE(traits.code_format(code)) << "code \"" << code << "\"";
  }
}

TEST_P(BuiltinList, NamesAndCodesRepeatOnlyWhereStated) {
  const ListTraits& traits = GetParam();
  std::map<std::string, std::set<std::string>> codes_of_name;
  std::map<std::string, std::set<std::string>> names_of_code;
  std::map<std::string, int> name_count;
  std::map<std::string, int> code_count;
  for (const ChannelRow& row : ParseBuiltinList(BuiltinListText(traits.key))) {
    codes_of_name[row.name].insert(row.code);
    names_of_code[row.code].insert(row.name);
    ++name_count[row.name];
    ++code_count[row.code];
  }
  for (const auto& [name, count] : name_count) {
    if (traits.twice_named.count(name) == 0) {
      EXPECT_EQ(count, 1) << name;
    }
  }
  for (const auto& [name, codes] : traits.twice_named) {
    EXPECT_EQ(name_count[name], 2) << name;
    EXPECT_EQ(codes_of_name[name], codes) << name;
  }
  for (const auto& [code, count] : code_count) {
    if (traits.shared_codes.count(code) == 0) {
      EXPECT_EQ(count, 1) << "code " << code;
    }
  }
  for (const auto& [code, names] : traits.shared_codes) {
    EXPECT_EQ(code_count[code], 2) << code;
    EXPECT_EQ(names_of_code[code], names) << code;
  }
}

// "Roughly alphabetical", made measurable: names beginning with a digit or a
// Latin letter all come before those beginning with a Cyrillic letter, and at
// most three neighbours stand out of the root collation's order (case ignored).
TEST_P(BuiltinList, StandsRoughlyInAlphabeticalOrder) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(
      icu::Collator::createInstance(icu::Locale::getRoot(), status));
  ASSERT_TRUE(U_SUCCESS(status));
  collator->setStrength(icu::Collator::SECONDARY);

  const ChannelRows rows = ParseBuiltinList(BuiltinListText(GetParam().key));
  bool cyrillic_seen = false;
  std::vector<std::string> after_cyrillic;
  int inversions = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool cyrillic = IsCyrillic(CodePoints(rows[i].name).at(0));
    if (cyrillic_seen && !cyrillic) after_cyrillic.push_back(rows[i].name);
    cyrillic_seen = cyrillic_seen || cyrillic;
    if (i == 0) continue;
    status = U_ZERO_ERROR;
    if (collator->compare(icu::UnicodeString::fromUTF8(rows[i - 1].name),
                          icu::UnicodeString::fromUTF8(rows[i].name), status) > 0) {
      ++inversions;
    }
  }
  EXPECT_TRUE(after_cyrillic.empty()) << after_cyrillic.size() << " names, such as "
                                      << after_cyrillic.front() << ", follow Cyrillic ones";
  EXPECT_LE(inversions, 3);
}

INSTANTIATE_TEST_SUITE_P(Lists, BuiltinList, testing::ValuesIn(Lists()), ListName);

TEST(BuiltinLists, TellingRows) {
  const auto has_line = [](const char* key, const std::string& line) {
    const std::vector<std::string> lines = SplitLines(BuiltinListText(key));
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has_line("idcmd", "107.8 / Радио;47"));
  EXPECT_TRUE(has_line("stv", "112 (Украина);112ukraina"));
  EXPECT_TRUE(has_line("stv", "AMC;ntv+41"));
  EXPECT_TRUE(has_line("stv", "History;histor "));
  EXPECT_TRUE(has_line("stv", "Da Vinci;da vinci"));

  int radio_stations = 0;
  for (const ChannelRow& row : ParseBuiltinList(BuiltinListText("idcmd"))) {
    const std::string_view suffix = " / Радио";
    if (row.name.size() > suffix.size() && row.name.ends_with(suffix)) ++radio_stations;
  }
  EXPECT_EQ(radio_stations, 28);
  EXPECT_EQ(BuiltinListText("vsetv"), "");
}

TEST(BuiltinLists, ParseKeepsEveryLineAsItStands) {
  const struct {
    std::string_view text;
    ChannelRows rows;
  } cases[] = {
      {"1HD;1821\n", {{"1HD", "1821"}}},
      {"1HD;1821", {{"1HD", "1821"}}},
      {"107.8 / Радио;47\n", {{"107.8 / Радио", "47"}}},
      {"History;histor \n", {{"History", "histor "}}},
      {" Da Vinci ;da vinci\n", {{" Da Vinci ", "da vinci"}}},
      {"a;1\n\nb;2\n", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"no code\n", {{"no code", "no code"}}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseBuiltinList(c.text), c.rows) << c.text;
  }
}

ProviderSites SitesAt(const std::string& address) {
  ProviderSites sites;
  for (const char* key : {"mailru", "idcmd", "stv"}) {
    EXPECT_EQ(sites.Override(std::string(key) + "=" + address), "");
  }
  return sites;
}

// An address where nothing listens: a server's port, once the server is gone.
std::string RefusingAddress() {
  test::LoopbackServer gone;
  return gone.Url("");
}

std::size_t RowsNamed(const ChannelRows& rows, std::string_view name) {
  return std::count_if(rows.begin(), rows.end(),
                       [&](const ChannelRow& r) { return r.name == name; });
}

std::size_t RowsCoded(const ChannelRows& rows, std::string_view code) {
  return std::count_if(rows.begin(), rows.end(),
                       [&](const ChannelRow& r) { return r.code == code; });
}

// The loads run side by side, so the pauses overlap and the test takes about
// the longest of them.
TEST(BuiltinListLoads, GiveTheWholeListAfterTheProbeAndThePause) {
  const test::ProviderSite site("/", "<html></html>", "text/html");
  const ProviderSites sites = SitesAt(site.Url(""));
  const ProviderSites offline = SitesAt(RefusingAddress());

  struct Run {
    const char* key;
    bool skip_probe;
    LoadResult result;
    std::chrono::steady_clock::duration took{};
  };
  std::vector<Run> runs{
      {"mailru", false, {}}, {"idcmd", false, {}}, {"stv", false, {}}, {"mailru", true, {}}};
  std::vector<std::thread> threads;
  for (Run& run : runs) {
    threads.emplace_back([&run, &sites, &offline] {
      HttpClient http;
      LoadOptions options;
      options.skip_probe = run.skip_probe;
      const auto start = std::chrono::steady_clock::now();
      run.result = RunLoad(*FindProvider(run.key), http, run.skip_probe ? offline : sites, options);
      run.took = std::chrono::steady_clock::now() - start;
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (const Run& run : runs) {
    SCOPED_TRACE(std::string(run.key) + (run.skip_probe ? " without probe" : ""));
    ASSERT_EQ(run.result.status, LoadStatus::kLoaded) << run.result.error;
    EXPECT_EQ(run.result.rows, ParseBuiltinList(BuiltinListText(run.key)));
  }
  EXPECT_EQ(runs[0].result.rows.size(), 446u);
  EXPECT_EQ(runs[1].result.rows.size(), 271u);
  EXPECT_EQ(runs[2].result.rows.size(), 492u);

  const ChannelRows& mailru = runs[0].result.rows;
  for (const auto& [name, codes] : Lists()[0].twice_named) {
    EXPECT_EQ(RowsNamed(mailru, name), 2u) << name;
  }
  const ChannelRows& stv = runs[2].result.rows;
  EXPECT_EQ(RowsCoded(stv, "anfamilhd"), 2u);
  EXPECT_EQ(RowsCoded(stv, "disney"), 2u);
  EXPECT_NE(std::find(stv.begin(), stv.end(), ChannelRow{"History", "histor "}), stv.end());

  // The probe is the only request: the list itself is never fetched.
  const auto requests = site.Requests();
  EXPECT_EQ(requests.size(), 3u);
  for (const auto& request : requests) EXPECT_EQ(request.path, "/");

  // Each load holds at least its own pause; the upper bound, on the longest
  // pause, allows for a busy machine, as the probe on loopback adds little.
  EXPECT_GE(runs[0].took, kMailruPause);
  EXPECT_GE(runs[1].took, kIdcmdPause);
  EXPECT_GE(runs[2].took, kStvPause);
  EXPECT_LT(runs[0].took, kMailruPause + 5s);
}

TEST(BuiltinListLoads, RefusedProbeShowsNoList) {
  const ProviderSites sites = SitesAt(RefusingAddress());
  HttpClient http;
  for (const char* key : {"mailru", "idcmd", "stv"}) {
    const auto start = std::chrono::steady_clock::now();
    const LoadResult result = RunLoad(*FindProvider(key), http, sites);
    EXPECT_EQ(result.status, LoadStatus::kNoConnect) << key;
    EXPECT_TRUE(result.rows.empty()) << key;
    // No pause is held for a list that is not shown.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << key;
  }
}

TEST(BuiltinListLoads, CancelEndsThePausePromptly) {
  const test::ProviderSite site("/", "ok", "text/plain");
  const test::CancelledLoad load = test::LoadCancelledAfter("stv", SitesAt(site.Url("")), 300ms);
  EXPECT_EQ(load.result.status, LoadStatus::kCancelled);
  EXPECT_TRUE(load.result.rows.empty());
  EXPECT_LT(load.took, 2s);
}

}  // namespace
}  // namespace brelvik
