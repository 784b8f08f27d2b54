// The ontimetv body (channel blocks of a Windows-1251 category page to rows in
// page order) and its load.
#include <gtest/gtest.h>

#include <map>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

// Pages are Windows-1251: "Кино" is written as its bytes.
const std::string kKino = "\xCA\xE8\xED\xEE";

std::string Page(const std::string& blocks) {
  return "<div id=\"tv_left_side\"><h2>" + kKino + "</h2>\n<table>\n" + blocks + "</table>\n</div>";
}

std::string Block(const std::string& code, const std::string& name) {
  return "<tr><td><div class=\"normal_div1\">" + name + "</div><a href=\"/tv/?ch0=" + code +
         "\" title=\"" + name + "\">" + name + "</a></td></tr>\n";
}

// In page order, duplicates kept.
const ChannelRows kServedRows{
    {"Kino Plus", "123"}, {"Дом кино", "45"},   {"Иллюзион+", "230"},
    {"TV1000", "7"},      {"Kino Plus", "123"}, {"Наше кино", "88"},
};

class OntimetvCases : public testing::TestWithParam<test::PageCase> {};

TEST_P(OntimetvCases, CutsRows) { EXPECT_EQ(ParseOntimetvPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, OntimetvCases,
    testing::Values(
        test::PageCase{"served page: page order, duplicates, blocks over several lines",
                       test::ReadFixture("ontimetv/tv_cat11.html"), kServedRows},
        test::PageCase{"page with CR LF line ends reads the same",
                       test::ReadFixture("ontimetv/tv_cat11_crlf.html"), kServedRows},
        test::PageCase{"worked example", Page(Block("123", "Kino Plus")), {{"Kino Plus", "123"}}},
        test::PageCase{
            "page without the markers", test::ReadFixture("ontimetv/tv_redesign.html"), {}},
        test::PageCase{"text before the first block is never a channel",
                       "<div id=\"tv_left_side\"><a href=\"/tv/?ch0=1\" title=\"x\">x</a>|</div>"
                       "</table>",
                       {}},
        test::PageCase{
            "name containing > keeps its first part", Page(Block("5", "A>B")), {{"A", "5"}}},
        test::PageCase{"code trimmed, name kept as written",
                       Page("<div class=\"normal_div1\"> " + kKino +
                            " </div><a href=\"?ch0= 5 \" "
                            "title=\"k\">k</a>\n"),
                       {{" Кино ", "5"}}},
        test::PageCase{"bars of the page are not separators",
                       Page(Block("5", "A|B") + Block("6", "C")),
                       {{"AB", "5"}, {"C", "6"}}},
        test::PageCase{"block without code or name is dropped",
                       Page("<div class=\"normal_div1\"> </div><div class=\"normal_div1\">C</div>"
                            "<a href=\"/tv/?ch0=6\" title=\"C\">C</a>"),
                       {{"C", "6"}}},
        test::PageCase{"block without bars is code and name",
                       Page("<div class=\"normal_div1\">" + kKino),
                       {{"Кино", "Кино"}}},
        test::PageCase{
            "character references decode after the cut; &#65533; is still removed before",
            Page(Block("5", "Fast &amp; FunBox") + Block("6", "&quot;&#1058;&#x412;&quot; 3") +
                 Block("7", kKino + "&#65533; &amp;#65533;")),
            {{"Fast & FunBox", "5"}, {"\"ТВ\" 3", "6"}, {"Кино &#65533;", "7"}}}),
    test::CaseName());

TEST(OntimetvLoad, ProbesThenFetchesTheCategoryPage) {
  const test::ServedLoad load =
      test::LoadServedPage("ontimetv", "/tv/", test::ReadFixture("ontimetv/tv_cat11.html"),
                           "text/html; charset=windows-1251");
  EXPECT_EQ(load.probe_address, load.site);
  ASSERT_EQ(load.result.status, LoadStatus::kLoaded) << load.result.error;
  EXPECT_EQ(load.result.rows, kServedRows);
  EXPECT_EQ(load.page_request.query, (std::multimap<std::string, std::string>{{"cat", "11"}}));
}

TEST(OntimetvLoad, ServerErrorFailsWithoutRows) {
  EXPECT_TRUE(test::FailedOnServerError(test::LoadAgainstServerError(
      "ontimetv", "/tv/", test::ReadFixture("ontimetv/tv_cat11.html"))));
}

}  // namespace
}  // namespace brelvik
