// The channel-id map text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

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

}  // namespace
}  // namespace brelvik
