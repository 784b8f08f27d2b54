// The akado body (five fixed rows, then the channel links as sorted, distinct
// rows) and its load.
#include <gtest/gtest.h>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

const ChannelRows kFixedRows{
    {"Кинорейс 1", "3456"},  {"Кинорейс 2", "3457"},  {"Кинорейс 3", "3463"},
    {"Кинорейс 4", "47461"}, {"Кинорейс 5", "52580"},
};

// The fixed rows followed by the page's rows.
ChannelRows WithFixed(const ChannelRows& page_rows) {
  ChannelRows rows = kFixedRows;
  rows.insert(rows.end(), page_rows.begin(), page_rows.end());
  return rows;
}

std::string Table(const std::string& body) {
  return "<table><thead><tr><th><a href=\"?sort\">Канал</a></th></tr></thead>\n<tbody>\n" + body +
         "</tbody>\n<tbody class=\"tv-special\"><tr><td></td></tr></tbody></table>";
}

std::string Row(const std::string& target, const std::string& text) {
  return "<tr><td><a href=\"" + target + "\">" + text + "</a></td></tr>\n";
}

// Sorted as lines "code>name": the codes compare as text.
const ChannelRows kServedRows{
    {"Первый канал", "101"}, {"Россия 1", "102"}, {"Kino Plus", "2345"},
    {"Карусель", "31"},      {"Спорт", "777"},    {"Спорт 1", "777"},
};

class AkadoCases : public testing::TestWithParam<test::PageCase> {};

TEST_P(AkadoCases, CutsRows) {
  EXPECT_EQ(ParseAkadoPage(GetParam().page), WithFixed(GetParam().rows));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, AkadoCases,
    testing::Values(test::PageCase{"served page: duplicates, text order, link with a class",
                                   test::ReadFixture("akado/channels.html"), kServedRows},
                    test::PageCase{"worked example",
                                   Table("<tr><td><a href=\"2345.html\">Kino Plus</a></td></tr>"),
                                   {{"Kino Plus", "2345"}}},
                    test::PageCase{"page without the markers gives the fixed rows only",
                                   test::ReadFixture("akado/channels_redesign.html"),
                                   {}},
                    test::PageCase{"empty page gives the fixed rows only", "", {}},
                    test::PageCase{"malformed UTF-8 in a name leaves the fixed rows only",
                                   test::ReadFixture("akado/channels_malformed_utf8.html"),
                                   {}},
                    test::PageCase{"name containing > keeps its first part",
                                   Table(Row("5.html", "Кино>Плюс")),
                                   {{"Кино", "5"}}},
                    test::PageCase{"several bars: the name is the second field",
                                   Table(Row("5.html", "Кино|Плюс")),
                                   {{"Кино", "5"}}},
                    test::PageCase{"link without text gives no row",
                                   Table(Row("5.html", "") + Row("6.html", "Шесть")),
                                   {{"Шесть", "6"}}},
                    test::PageCase{"target without .html is not loaded",
                                   Table(Row("/channel/5", "Пять") + Row("6.html", "Шесть")),
                                   {{"Шесть", "6"}}},
                    test::PageCase{"same target, two texts: two rows; same text twice: one",
                                   Table(Row("5.html", "Пять") + Row("5.html", "ПЯТЬ") +
                                         Row("5.html", "Пятёрка")),
                                   {{"Пятёрка", "5"}, {"Пять", "5"}}},
                    test::PageCase{"character references decode after the cut",
                                   Table(Row("5.html", "Fast &amp; FunBox") +
                                         Row("6.html", "&quot;&#1058;&#x412;&quot; 3")),
                                   {{"Fast & FunBox", "5"}, {"\"ТВ\" 3", "6"}}}),
    test::CaseName());

TEST(AkadoLoad, ProbesSiteRootThenFetchesChannels) {
  const test::ServedLoad load =
      test::LoadServedPage("akado", "/channels/", test::ReadFixture("akado/channels.html"));
  EXPECT_EQ(load.probe_address, load.site + "/");
  ASSERT_EQ(load.result.status, LoadStatus::kLoaded) << load.result.error;
  EXPECT_EQ(load.result.rows, WithFixed(kServedRows));
}

TEST(AkadoLoad, ServerErrorFailsWithoutEvenTheFixedRows) {
  EXPECT_TRUE(test::FailedOnServerError(test::LoadAgainstServerError(
      "akado", "/channels/", test::ReadFixture("akado/channels.html"))));
}

}  // namespace
}  // namespace brelvik
