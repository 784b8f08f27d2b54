// The channel-id map text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "loaders/loader_test_support.h"
#include "outputs/channel_id_map.h"
#include "support/codepage.h"
#include "support/md5.h"
#include "support/text.h"

namespace brelvik {
namespace {

std::string LowerMd5(const std::string& text) {
  std::string hex = Md5Hex(text);
  for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return hex;
}

TEST(CreateList, EmptyTableAndEntryShape) {
  EXPECT_EQ(CreateList({}), "a:0:{}");
  const std::string text = CreateList({{"Kino Plus", " 101 "}});
  const std::string key = LowerMd5("kinoplus");
  EXPECT_EQ(text, "a:1:{s:32:\"" + key + "\";s:3:\"101\";}");
  EXPECT_EQ(text.size() - std::string("a:1:{}").size(), 50u);
}

TEST(CreateList, LengthCountsCharactersAndDuplicatesStay) {
  const std::string text = CreateList({{"A", "Ж1"}, {"a", "x"}});
  const std::string key = LowerMd5("a");
  EXPECT_EQ(text, "a:2:{s:32:\"" + key + "\";s:2:\"Ж1\";s:32:\"" + key + "\";s:1:\"x\";}");
}

struct HashCase {
  const char* a;
  const char* b;
  ChannelIdOptions options;
  bool same;
};

TEST(ChannelHash, NormalizationRules) {
  const ChannelIdOptions none;
  const ChannelIdOptions hyphen{.remove_hyphen = true};
  const ChannelIdOptions dot{.remove_dot = true};
  const ChannelIdOptions lower{.lower_russian = true};
  const HashCase cases[] = {
      {"Kino Plus", "kinoplus", none, true},
      {"\"Kino\" Plus", "KinoPlus", none, true},
      {"Kino\xC2\xA0Plus", "KinoPlus", none, false},  // a no-break space stays
      {"ТНТ-4", "ТНТ4", none, false},
      {"ТНТ-4", "ТНТ4", hyphen, true},
      {"Ru.TV", "RuTV", none, false},
      {"Ru.TV", "RuTV", dot, true},
      {"Первый", "первый", none, false},
      {"Первый", "первый", lower, true},
      {"HBO", "hbo", none, true},
  };
  for (const HashCase& c : cases) {
    EXPECT_EQ(ChannelHash(c.a, c.options) == ChannelHash(c.b, c.options), c.same)
        << c.a << " / " << c.b;
  }
  EXPECT_EQ(ChannelHash("Первый", lower), LowerMd5("первый"));
  EXPECT_EQ(ChannelHash("Первый", none), LowerMd5("Первый"));
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// PHP's own unserialize reads the written file back to the same keys and
// values (skipped where no php is installed).
TEST(SaveChannelIdFile, PhpReadsTheFileBack) {
  const std::filesystem::path path = testing::TempDir() + "brelvik_channels_id";
  const ChannelRows rows = {{"Первый канал", " 1 "}, {"Discovery", "disc"}, {"ТНТ", "тнт-4"}};
  const std::string map = CreateList(rows, {.lower_russian = true});
  SaveChannelIdFile(path, map);
  EXPECT_EQ(ReadAll(path), Utf8ToCp1251(map) + "\r\n");

  if (std::system("php -v > /dev/null 2>&1") != 0) GTEST_SKIP() << "php is not installed";
  const std::string command =
      "php -r '$a = unserialize(trim(file_get_contents($argv[1]))); "
      "if ($a === false) exit(1); foreach ($a as $k => $v) echo $k, \" \", bin2hex($v), \"\\n\";' " +
      path.string();
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  ASSERT_EQ(pclose(pipe), 0) << out;
  std::string expected;
  for (const ChannelRow& row : rows) {
    std::string hex;
    for (unsigned char c : Utf8ToCp1251(Trim(row.code))) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02x", c);
      hex += digits;
    }
    expected += ChannelHash(row.name, {.lower_russian = true}) + " " + hex + "\n";
  }
  EXPECT_EQ(out, expected);
  std::filesystem::remove(path);
}

TEST(CheckChannelIdList, NamesTheCodesWindows1251CannotHold) {
  const ChannelIdFindings findings =
      CheckChannelIdList({{"CCTV", " 中1 "}, {"Euro", "€5"}, {"Plain", "7"}});
  EXPECT_EQ(findings.lost_characters, (std::vector<LostCharacterRow>{{"CCTV", "中1", "?1"}}));
  EXPECT_TRUE(findings.collisions.empty());
  EXPECT_TRUE(CheckChannelIdList({{"Ёлка", "€№"}}).Empty());
}

struct CollisionCase {
  const char* what;
  ChannelRows rows;
  ChannelIdOptions options;
  std::vector<KeyCollision> collisions;
};

void PrintTo(const CollisionCase& c, std::ostream* os) { *os << c.what; }


class KeyCollisions : public testing::TestWithParam<CollisionCase> {};

TEST_P(KeyCollisions, AreFoundAsTheFileWritesThem) {
  EXPECT_EQ(CheckChannelIdList(GetParam().rows, GetParam().options).collisions,
            GetParam().collisions);
}

const ChannelIdOptions kHyphen{.remove_hyphen = true};

INSTANTIATE_TEST_SUITE_P(
    Rows, KeyCollisions,
    testing::Values(
        CollisionCase{"names one with the hyphen option",
                      {{"ТВ 3", "1091"}, {"Kino", "5"}, {"ТВ-3", "1383"}},
                      kHyphen,
                      {{ChannelHash("ТВ3", {}), {{"ТВ 3", "1091"}, {"ТВ-3", "1383"}}, "1383"}}},
        CollisionCase{"the same names without it", {{"ТВ 3", "1091"}, {"ТВ-3", "1383"}}, {}, {}},
        CollisionCase{"the same code under one key", {{"ТВ 3", "1091"}, {"ТВ3", " 1091"}}, {}, {}},
        CollisionCase{
            "codes the file writes alike are no conflict", {{"A", "中"}, {"a", "日"}}, {}, {}},
        CollisionCase{"a repeated row is named once; the last entry's code is kept",
                      {{"A", "1"}, {"a", "2"}, {"A", "1"}},
                      {},
                      {{ChannelHash("a", {}), {{"A", "1"}, {"a", "2"}}, "1"}}},
        CollisionCase{"keys in the order of their first rows",
                      {{"B", "1"}, {"A", "1"}, {"a", "2"}, {"b", "2"}},
                      {},
                      {{ChannelHash("b", {}), {{"B", "1"}, {"b", "2"}}, "2"},
                       {ChannelHash("a", {}), {{"A", "1"}, {"a", "2"}}, "2"}}}),
    test::CaseName());

TEST(DescribeChannelIdFindings, SaysWhatThePlugInWillSee) {
  const ChannelIdFindings findings =
      CheckChannelIdList({{"ТВ 3", "1091"}, {"ТВ-3", "1383"}, {"CCTV", "中1"}}, kHyphen);
  const std::string key = ChannelHash("ТВ3", {});
  const auto ru = DescribeChannelIdFindings(findings, TextsFor(Language::kRu));
  ASSERT_EQ(ru.size(), 2u);
  EXPECT_EQ(ru[0].items, std::vector<std::string>{"«CCTV» (中1 → ?1)"});
  EXPECT_EQ(ru[1].items, std::vector<std::string>{"Ключ " + key +
                                                  ": «ТВ 3» (1091), «ТВ-3» (1383) — плагин "
                                                  "увидит только 1383"});
  const auto en = DescribeChannelIdFindings(findings, TextsFor(Language::kEn));
  ASSERT_EQ(en.size(), 2u);
  EXPECT_EQ(en[1].items, std::vector<std::string>{"Key " + key +
                                                  ": “ТВ 3” (1091), “ТВ-3” (1383) — the plug-in "
                                                  "will see only 1383"});
  EXPECT_TRUE(DescribeChannelIdFindings({}, TextsFor(Language::kEn)).empty());

  // Long reports are cut: at most so many items, at most ten rows per key.
  ChannelRows same_key;
  for (int i = 0; i < 12; ++i) same_key.push_back({"A", std::to_string(i)});
  const auto cut = DescribeChannelIdFindings(CheckChannelIdList(same_key), TextsFor(Language::kEn));
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_NE(cut[0].items[0].find("“A” (9), … and 2 more — the plug-in will see only 11"),
            std::string::npos);
  const FindingReport report{"Header:", {"one", "two", "three"}};
  EXPECT_EQ(FindingReportText(report, TextsFor(Language::kRu), 2), "Header:\none\ntwo\n… и ещё 1");
  EXPECT_EQ(FindingReportText(report, TextsFor(Language::kEn), 3), "Header:\none\ntwo\nthree");
}

// PHP keeps one entry of a colliding key: the code the report says it keeps.
TEST(CheckChannelIdList, PhpKeepsTheReportedCode) {
  if (std::system("php -v > /dev/null 2>&1") != 0) GTEST_SKIP() << "php is not installed";
  const std::filesystem::path path = testing::TempDir() + "brelvik_colliding_id";
  const ChannelRows rows = {{"ТВ 3", "1091"}, {"Kino", "5"}, {"ТВ-3", "1383"}};
  SaveChannelIdFile(path, CreateList(rows, kHyphen));
  const std::string command =
      "php -r '$a = unserialize(trim(file_get_contents($argv[1]))); "
      "echo count($a), \" \", $a[$argv[2]];' " +
      path.string() + " " + ChannelHash("ТВ3", {});
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
  ASSERT_EQ(pclose(pipe), 0) << out;
  const ChannelIdFindings findings = CheckChannelIdList(rows, kHyphen);
  ASSERT_EQ(findings.collisions.size(), 1u);
  EXPECT_EQ(out, "2 " + findings.collisions[0].kept_code);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace brelvik
