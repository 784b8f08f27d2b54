// The channel-id map text.
#include <gtest/gtest.h>

#include "outputs/channel_id_map.h"
#include "support/md5.h"

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

}  // namespace
}  // namespace brelvik
