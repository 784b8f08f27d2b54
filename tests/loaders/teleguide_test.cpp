// The teleguide body (channel links to sorted, distinct rows) and its load.
#include <gtest/gtest.h>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

std::string Link(const std::string& number, const std::string& title) {
  return "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal" + number +
         ".html\" title=\"" + title + "\"alt=\"" + title + "\" /></a></div></div>\n";
}

std::string Page(const std::string& groups) {
  return "<html><body><h1>Каналы</h1>\n<div id=\"programm_group\"><h2>Все</h2>\n" + groups +
         "</div>\n<div id=\"footer\">(c)</div></body></html>";
}

// Sorted as lines "number>name": the numbers compare as text.
const ChannelRows kServedRows{
    {"Первый канал", "1"}, {"Дом кино", "101"}, {"Россия 1", "2"},   {"Иллюзион+", "230"},
    {"НТВ", "4"},          {"НТВ Мир", "4"},    {"Kino Plus", "57"}, {"Карусель", "88"},
};

class TeleguideCases : public testing::TestWithParam<test::PageCase> {};

TEST_P(TeleguideCases, CutsRows) {
  EXPECT_EQ(ParseTeleguidePage(GetParam().page), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TeleguideCases,
    testing::Values(
        test::PageCase{"served page: groups, duplicates, text order",
                       test::ReadFixture("teleguide/kanals.html"), kServedRows},
        test::PageCase{"worked example", Page(Link("57", "Kino Plus")), {{"Kino Plus", "57"}}},
        test::PageCase{
            "page without the markers", test::ReadFixture("teleguide/kanals_redesign.html"), {}},
        test::PageCase{"footer missing", Page(Link("57", "Kino Plus")).substr(0, 200), {}},
        test::PageCase{"malformed UTF-8 in a name empties the list",
                       test::ReadFixture("teleguide/kanals_malformed_utf8.html"),
                       {}},
        test::PageCase{"malformed UTF-8 in a passed-over line costs nothing",
                       Page("<h3>\xD0 Эфир</h3>\n" + Link("57", "Кино")),
                       {{"Кино", "57"}}},
        test::PageCase{"indented link line is passed over",
                       Page("  " + Link("1", "Первый") + Link("2", "Второй")),
                       {{"Второй", "2"}}},
        test::PageCase{"name containing > keeps its first part",
                       Page(Link("57", "Кино>Плюс")),
                       {{"Кино", "57"}}},
        test::PageCase{"empty title gives an empty name", Page(Link("5", "")), {{"", "5"}}},
        test::PageCase{"digit line without a bar is name and code",
                       Page("24 часа в эфире\n"),
                       {{"24 часа в эфире", "24 часа в эфире"}}},
        test::PageCase{"equal lines under case folding count once",
                       Page(Link("9", "Пятница") + Link("9", "ПЯТНИЦА") + Link("9", "Пятница!")),
                       {{"Пятница", "9"}, {"Пятница!", "9"}}},
        test::PageCase{
            "character references decode after the cut",
            Page(Link("57", "Fast &amp; FunBox") + Link("58", "&quot;&#1058;&#x412;&quot; 3")),
            {{"Fast & FunBox", "57"}, {"\"ТВ\" 3", "58"}}}),
    test::CaseName());

TEST(TeleguideLoad, ProbesThenFetchesKanalsHtml) {
  const test::ServedLoad load =
      test::LoadServedPage("teleguide", "/kanals.html", test::ReadFixture("teleguide/kanals.html"));
  EXPECT_EQ(load.probe_address, load.site);
  ASSERT_EQ(load.result.status, LoadStatus::kLoaded) << load.result.error;
  EXPECT_EQ(load.result.rows, kServedRows);
  EXPECT_EQ(load.result.site_label, ": " + load.site);
}

TEST(TeleguideLoad, ServerErrorFailsWithoutRows) {
  EXPECT_TRUE(test::FailedOnServerError(test::LoadAgainstServerError(
      "teleguide", "/kanals.html", test::ReadFixture("teleguide/kanals.html"))));
}

}  // namespace
}  // namespace brelvik
