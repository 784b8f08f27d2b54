// Name keys: which spellings meet, which stay apart, and what each step
// records about what it removed or folded.
#include "matching/name_key.h"

#include <gtest/gtest.h>

namespace brelvik {
namespace {

struct KeyCase {
  const char* group;
  const char* a;
  const char* b;
};

class NameKeys : public testing::Test {
 protected:
  NameKeyer keyer_;
};

TEST_F(NameKeys, SpellingsOfOneChannelShareTheKey) {
  const KeyCase cases[] = {
      {"tags", "Первый канал HD", "Первый канал"},
      {"tags", "Россия 1 FHD", "Россия 1 (720p)"},
      {"tags", "Матч! Футбол 1 50 fps", "Матч Футбол 1 1080p HEVC"},
      {"tags", "Кино UHD 4K", "Кино H.264"},
      {"tags", "Rossiya 24 (1080p) [Not 24/7]", "Rossiya 24 [Geo-blocked]"},
      {"tags", "RU | Матч ТВ [multi-audio]", "Матч ТВ"},
      {"tags", "Кинопоказ HD-1", "Кинопоказ 1"},
      {"tags", "Дом кино (резерв)", "Дом кино [backup]"},
      {"prefixes", "RU: НТВ", "НТВ"},
      {"prefixes", "RU | НТВ", "|RU| НТВ"},
      {"prefixes", "[UA] Інтер", "Інтер (UA)"},
      {"prefixes", "Discovery Channel Rus", "Discovery Channel"},
      {"prefixes", "KZ: Хабар", "Хабар |KZ|"},
      {"confusables", "Poccия 1", "Россия 1"},  // Latin P, o, c, c
      {"confusables", "CTC", "СТС"},            // Latin against Cyrillic
      {"confusables", "НТВ", "HTB"},
      {"confusables", "НD Кино", "Кино"},  // a Cyrillic Н in the tag
      {"yo", "Ёлки", "Елки"},
      {"punctuation", "ТВ-3", "ТВ3"},
      {"punctuation", "ТВ 3", "ТВ_3"},
      {"punctuation", "Пятница!", "ПЯТНИЦА"},
      {"compatibility", "ＳＴＳ", "STS"},
      {"timeshift hours", "Первый канал +2", "Первый канал +2ч"},
      {"timeshift hours", "Россия 1 +4", "Россия 1 (+4 часа)"},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(keyer_.Key(c.a).key, keyer_.Key(c.b).key) << c.group << ": " << c.a << " / " << c.b;
  }
}

TEST_F(NameKeys, LatinFormsMeetAcrossScriptsAndSpellings) {
  const KeyCase cases[] = {
      {"translit", "Пятница", "Pyatnitsa"},         {"translit", "Пятница", "Pyatnica"},
      {"translit", "Пятница", "Pjatnica"},          {"translit", "Первый канал", "Pervyy Kanal"},
      {"translit", "Первый канал", "Perviy kanal"}, {"translit", "Домашний", "Domashniy"},
      {"translit", "Хабар 24", "Khabar 24"},        {"translit", "Культура", "Kultura"},
      {"ukrainian", "Новий канал", "Novyi Kanal"},  {"ukrainian", "Інтер", "Inter"},
      {"kazakh", "Қазақстан", "Qazaqstan"},         {"translit", "Звезда", "Zvezda"},
      {"english", "Россия 24", "Russia 24"},        {"english", "Москва 24", "Moscow 24"},
      {"english", "Україна 24", "Ukraine 24"},
  };
  for (const KeyCase& c : cases) {
    EXPECT_EQ(keyer_.Key(c.a).latin_key, keyer_.Key(c.b).latin_key)
        << c.group << ": " << c.a << " / " << c.b;
  }
}

TEST_F(NameKeys, NumbersTimeshiftsAndWordsKeepChannelsApart) {
  const KeyCase cases[] = {
      {"numbers", "Россия 1", "Россия 24"},
      {"numbers", "Матч! Футбол 1", "Матч! Футбол 2"},
      {"numbers", "1+1", "1"},
      {"timeshift", "Первый канал +4", "Первый канал"},
      {"timeshift", "Первый канал (+2)", "Первый канал +4"},
      {"words", "Дом кино", "Дом кино Премиум"},
      {"words", "ТНТ", "ТНТ4"},
      {"markers kept when they are the name", "RU TV", "TV"},
  };
  for (const KeyCase& c : cases) {
    EXPECT_NE(keyer_.Key(c.a).key, keyer_.Key(c.b).key) << c.group << ": " << c.a << " / " << c.b;
  }
}

TEST_F(NameKeys, RecordsWhatWasRemovedAsWritten) {
  const NameKey key = keyer_.Key("|RU| Россия 1 HD (720p) [Geo-blocked]");
  std::vector<std::string> removed;
  for (const RemovedPart& part : key.removed) removed.push_back(part.text);
  EXPECT_EQ(removed, (std::vector<std::string>{"(720p)", "[Geo-blocked]", "|RU|", "HD"}));
  EXPECT_EQ(key.quality, Quality::kHd);
  EXPECT_EQ(key.markers, "ru");
  EXPECT_EQ(key.remarks, 2);

  EXPECT_TRUE(keyer_.Key("Poccия").folds & kFoldLookAlike);
  EXPECT_TRUE(keyer_.Key("Ёлки").folds & kFoldYo);
  EXPECT_FALSE(keyer_.Key("Россия").folds & kFoldLookAlike);
  // A name that is only a tag keeps it.
  EXPECT_EQ(keyer_.Key("HD").tokens.size(), 1u);
}

TEST_F(NameKeys, WeakWordsAreMarkedNotRemoved) {
  const NameKey key = keyer_.Key("Телеканал Звезда TV");
  ASSERT_EQ(key.tokens.size(), 3u);
  EXPECT_EQ(key.tokens[0].kind, TokenKind::kWeak);
  EXPECT_EQ(key.tokens[1].kind, TokenKind::kWord);
  EXPECT_EQ(key.tokens[2].kind, TokenKind::kWeak);
  EXPECT_EQ(key.compact, "zvezda");
  EXPECT_EQ(keyer_.Key("1+1").tokens.size(), 2u);  // two numbers, no time shift
  EXPECT_EQ(keyer_.Key("Канал+2").tokens.back().kind, TokenKind::kTimeshift);
}

}  // namespace
}  // namespace brelvik
