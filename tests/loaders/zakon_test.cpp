// The zakon body (the "channels" object of a Windows-1251 page to rows in
// order) and its load from two sites: probe the main one, fetch the other.
#include <gtest/gtest.h>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

std::string Script(const std::string& entries) {
  return "<script type=\"text/javascript\">\nvar channels = {\n" + entries +
         "};\nvar current = 7;\n</script>";
}

// In entry order, duplicates kept.
const ChannelRows kServedRows{
    {"Kino Plus", "345"},           {"Хабар", "12"}, {"Казахстан", "15"}, {"Kino Plus", "345"},
    {"Первый канал Евразия", "77"},
};

class ZakonCases : public testing::TestWithParam<test::PageCase> {};

TEST_P(ZakonCases, CutsRows) { EXPECT_EQ(ParseZakonPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, ZakonCases,
    testing::Values(
        test::PageCase{"served page: entry order, duplicates, Windows-1251 names",
                       test::ReadFixture("zakon/index.html"), kServedRows},
        test::PageCase{"worked example",
                       Script("'7':{'id':'345','name':'Kino Plus','logo':'kp.png'},\n"),
                       {{"Kino Plus", "345"}}},
        test::PageCase{
            "page without the markers", test::ReadFixture("zakon/index_redesign.html"), {}},
        test::PageCase{"empty object", "var channels = {};", {}},
        test::PageCase{"object on one line gives its first entry",
                       "var channels = {'7':{'id':'345','name':'Kino Plus','logo':'a'},"
                       "'8':{'id':'12','name':'News','logo':'b'}};",
                       {{"Kino Plus", "345"}}},
        test::PageCase{
            "blank line inside gives an empty row",
            Script("'7':{'id':'345','name':'A','logo':''},\n\n'8':{'id':'12','name':'B'},\n"),
            {{"A", "345"}, {"", ""}, {"B}", "12"}}},
        test::PageCase{"double quotes stay, apostrophes go",
                       Script("\"7\":{\"id\":\"345\",\"name\":\"Kino\",\"logo\":\"\"},\n"
                              "'8':{'id':'1'2','name':'Muz'TV','logo':''},\n"),
                       {{"\"Kino\"", "\"345\""}, {"MuzTV", "12"}}},
        test::PageCase{
            "comma or colon in a name cuts it",
            Script("'7':{'id':'345','name':'Kino, Plus'},\n'8':{'id':'12','name':'TV: 1'},\n"),
            {{"Kino", "345"}, {"TV", "12"}}},
        test::PageCase{"name containing > keeps its first part",
                       Script("'7':{'id':'345','name':'A>B','logo':''},\n"),
                       {{"A", "345"}}},
        test::PageCase{
            "entry without a comma is read twice over", Script("'7':'345'\n"), {{"345", "7"}}},
        test::PageCase{"a script's strings are not HTML: references stay",
                       Script("'7':{'id':'345','name':'Fast &amp; FunBox &#1058;','logo':'a'},\n"),
                       {{"Fast &amp; FunBox &#1058;", "345"}}}),
    test::CaseName());

// The main site and the television site, each answering every request for
// its root with its page.
struct ZakonSites {
  explicit ZakonSites(int tv_status = 200, int main_status = 200)
      : main_site("/", "<html>main</html>", kContentType, main_status),
        tv("/", test::ReadFixture("zakon/index.html"), kContentType, tv_status) {}

  ProviderSites Sites() const {
    ProviderSites sites;
    main_site.Override(sites, "zakon");
    tv.Override(sites, "zakon.tv");
    return sites;
  }

  static constexpr const char* kContentType = "text/html; charset=windows-1251";
  test::ProviderSite main_site;
  test::ProviderSite tv;
};

TEST(ZakonLoad, ProbesTheMainSiteAndFetchesTheTelevisionSite) {
  const ZakonSites zakon;
  HttpClient http;
  const ProviderSites sites = zakon.Sites();
  EXPECT_EQ(LoaderFor("zakon").probe_address(sites), zakon.main_site.Url(""));

  const LoadResult result = RunLoad(*FindProvider("zakon"), http, sites);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kServedRows);
  EXPECT_EQ(result.site_label, ": " + zakon.main_site.Url(""));

  const auto probes = zakon.main_site.Requests();
  ASSERT_EQ(probes.size(), 1u);
  EXPECT_TRUE(test::IsProbe(probes[0]));
  const auto gets = zakon.tv.Requests();
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_TRUE(test::IsPageRequest(gets[0], "/"));
}

TEST(ZakonLoad, OutcomesWhenOneOfTheSitesFails) {
  HttpClient http;
  {  // The television site's error is what the user sees.
    const ZakonSites zakon(500);
    EXPECT_TRUE(test::FailedOnServerError(RunLoad(*FindProvider("zakon"), http, zakon.Sites())));
  }
  {  // A main site that fails the probe ends the load before the television site is asked.
    const ZakonSites zakon(200, 503);
    const LoadResult result = RunLoad(*FindProvider("zakon"), http, zakon.Sites());
    EXPECT_EQ(result.status, LoadStatus::kNoConnect);
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(zakon.tv.RequestCount(), 0u);
  }
}

}  // namespace
}  // namespace brelvik
