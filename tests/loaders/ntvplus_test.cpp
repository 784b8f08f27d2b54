// The ntvplus body (the channel selector's options to sorted, distinct rows)
// and its load.
#include <gtest/gtest.h>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

std::string Page(const std::string& select) {
  return "<div class=\"header\"><h1><a href=\"/\">ТВ</a></h1></div>\n<form>" + select +
         "</form>\n<div class=\"rightentry\">(c)</div>";
}

// Sorted as lines "code>name": the codes compare as text.
const ChannelRows kServedRows{
    {"Kino Plus", "123"}, {"Наше кино", "321"}, {"Спорт", "45"},
    {"Спорт Плюс", "45"}, {"Новости 24", "7"},  {"Карусель", "9"},
};

class NtvplusCases : public testing::TestWithParam<test::PageCase> {};

TEST_P(NtvplusCases, CutsRows) { EXPECT_EQ(ParseNtvplusPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, NtvplusCases,
    testing::Values(
        test::PageCase{"served page: dates passed over, duplicates, text order",
                       test::ReadFixture("ntvplus/lite.xl"), kServedRows},
        test::PageCase{
            "worked example",
            Page("<select name=\"ch\"><optgroup label=\"Kino\"><option value=\"123\">Kino "
                 "Plus</option><option value=\"45\">Sport</option></optgroup><optgroup "
                 "label=\"News\"><option value=\"7\">News 24</option></optgroup></select>"),
            {{"Kino Plus", "123"}, {"Sport", "45"}, {"News 24", "7"}}},
        test::PageCase{
            "page without the markers", test::ReadFixture("ntvplus/lite_redesign.xl"), {}},
        test::PageCase{"malformed UTF-8 in a name empties the list",
                       test::ReadFixture("ntvplus/lite_malformed_utf8.xl"),
                       {}},
        test::PageCase{"name containing > keeps its first part",
                       Page("<select name=\"ch\"><option value=\"12\">Кино>Плюс</option></select>"),
                       {{"Кино", "12"}}},
        test::PageCase{"full stop third: a date, not a channel",
                       Page("<select name=\"ch\"><option value=\"08.12\">8 декабря</option>"
                            "<option value=\"812\">Восемь</option></select>"),
                       {{"Восемь", "812"}}},
        test::PageCase{"a bare tag before an option swallows that option",
                       Page("<select><option value=\"5\">Пять</option><option value=\"6\">Шесть"
                            "</option></select>"),
                       {{"Шесть", "6"}}},
        test::PageCase{"one-digit value without text gives no row",
                       Page("<select name=\"ch\"><option value=\"5\"></option><option "
                            "value=\"6\">Шесть</option>"
                            "</select>"),
                       {{"Шесть", "6"}}},
        test::PageCase{
            "same value and text twice: one row; two texts: two rows",
            Page("<select name=\"ch\"><option value=\"5\">Пять</option><option value=\"5\">пять"
                 "</option><option value=\"5\">Пятый</option></select>"),
            {{"Пятый", "5"}, {"Пять", "5"}}},
        test::PageCase{"character references decode after the cut",
                       Page("<select name=\"ch\"><option value=\"5\">Fast &amp; FunBox</option>"
                            "<option value=\"6\">&quot;&#1058;&#x412;&quot; 3</option></select>"),
                       {{"Fast & FunBox", "5"}, {"\"ТВ\" 3", "6"}}}),
    test::CaseName());

TEST(NtvplusLoad, ProbesSiteRootThenFetchesLiteXl) {
  const test::ServedLoad load =
      test::LoadServedPage("ntvplus", "/tv/lite.xl", test::ReadFixture("ntvplus/lite.xl"));
  EXPECT_EQ(load.probe_address, load.site + "/");
  ASSERT_EQ(load.result.status, LoadStatus::kLoaded) << load.result.error;
  EXPECT_EQ(load.result.rows, kServedRows);
}

TEST(NtvplusLoad, ServerErrorFailsWithoutRows) {
  EXPECT_TRUE(test::FailedOnServerError(test::LoadAgainstServerError(
      "ntvplus", "/tv/lite.xl", test::ReadFixture("ntvplus/lite.xl"))));
}

}  // namespace
}  // namespace brelvik
