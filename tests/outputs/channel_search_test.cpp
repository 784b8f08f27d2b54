// Search steps and M3U lines.
#include <gtest/gtest.h>

#include "outputs/channel_search.h"
#include "outputs/m3u_line.h"

namespace brelvik {
namespace {

ChannelTable Table(const ChannelRows& rows) {
  ChannelTable table;
  table.Assign(rows);
  return table;
}

TEST(ChannelSearch, StepsVisitEveryMatchThenReturnToTheLast) {
  // Table order: Discovery, HBO, Sport 1, Sport 2, Zee.
  const ChannelTable table =
      Table({{"Sport 1", "1"}, {"HBO", "2"}, {"Sport 2", "3"}, {"Discovery", "4"}, {"Zee", "5"}});
  SearchStep step = SearchChannels(table, "sport", false, 0);
  EXPECT_TRUE(step.found);
  EXPECT_EQ(step.current, 2u);
  EXPECT_EQ(step.next_position, 4u);
  EXPECT_FALSE(step.show_message);
  step = SearchChannels(table, "sport", false, step.next_position);
  EXPECT_EQ(step.current, 3u);
  EXPECT_FALSE(step.show_message);
  step = SearchChannels(table, "sport", false, step.next_position);
  EXPECT_FALSE(step.found);
  EXPECT_EQ(step.current, 3u);  // back on the last match
  EXPECT_TRUE(step.show_message);
  EXPECT_EQ(step.next_position, 5u);
}

TEST(ChannelSearch, MatchOnTheLastRecordShowsTheMessageAtOnce) {
  const ChannelTable table = Table({{"A", "1"}, {"B", "2"}, {"Zee TV", "3"}});
  const SearchStep step = SearchChannels(table, "zee", false, 0);
  EXPECT_TRUE(step.found);
  EXPECT_EQ(step.current, 2u);
  EXPECT_TRUE(step.show_message);
}

TEST(ChannelSearch, CaseTrimAndBlankTexts) {
  struct Case {
    const char* name;
    const char* text;
    bool match_case;
    bool matches;
  } cases[] = {
      {"ПЕРВЫЙ КАНАЛ", "первый", false, true},
      {"ПЕРВЫЙ КАНАЛ", "первый", true, false},
      {"Первый канал", "Первый", true, true},
      {"Ёлки ТВ", "ёлки", false, true},
      {"Kino Plus", "  plus  ", false, true},
      {"Kino Plus", "   ", false, false},
      {"Kino Plus", "", false, false},
      {"  Kino", "kino", false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NameMatches(c.name, c.text, c.match_case), c.matches) << c.name << " / " << c.text;
  }
  const ChannelTable table = Table({{"A", "1"}});
  const SearchStep blank = SearchChannels(table, "  ", false, 0);
  EXPECT_FALSE(blank.found);
  EXPECT_FALSE(blank.current);
  EXPECT_TRUE(blank.show_message);
}

TEST(M3uLine, PiecesInOrder) {
  EXPECT_EQ(M3uLine(": http://www.xyz.com", "101", "ABC"), "#EXTINF:0 id=xyz_101,ABC");
  // A host of two words gives its top-level domain.
  EXPECT_EQ(M3uLine(": http://moyo.tv", "7", "B"), "#EXTINF:0 id=tv_7,B");
  // Name and code are not trimmed.
  EXPECT_EQ(M3uLine(": http://www.vsetv.com", " 5", " Kino "), "#EXTINF:0 id=vsetv_ 5, Kino ");
  EXPECT_EQ(M3uLine("", "", ""), "#EXTINF:0 id=_,");
}

}  // namespace
}  // namespace brelvik
