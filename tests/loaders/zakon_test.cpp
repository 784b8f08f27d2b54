// The zakon body (the "channels" object of a Windows-1251 page to rows in
// order) and its load from two sites: probe the main one, fetch the other.
#include <gtest/gtest.h>

#include <cctype>

#include "fixture.h"
#include "loaders/loaders.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

struct ZakonCase {
  const char* what;
  std::string page;
  ChannelRows rows;
};

std::string Script(const std::string& entries) {
  return "<script type=\"text/javascript\">\nvar channels = {\n" + entries +
         "};\nvar current = 7;\n</script>";
}

// In entry order, duplicates kept.
const ChannelRows kServedRows{
    {"Kino Plus", "345"},           {"Хабар", "12"}, {"Казахстан", "15"}, {"Kino Plus", "345"},
    {"Первый канал Евразия", "77"},
};

class ZakonCases : public testing::TestWithParam<ZakonCase> {};

TEST_P(ZakonCases, CutsRows) { EXPECT_EQ(ParseZakonPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, ZakonCases,
    testing::Values(
        ZakonCase{"served page: entry order, duplicates, Windows-1251 names",
                  test::ReadFixture("zakon/index.html"), kServedRows},
        ZakonCase{"worked example",
                  Script("'7':{'id':'345','name':'Kino Plus','logo':'kp.png'},\n"),
                  {{"Kino Plus", "345"}}},
        ZakonCase{"page without the markers", test::ReadFixture("zakon/index_redesign.html"), {}},
        ZakonCase{"empty object", "var channels = {};", {}},
        ZakonCase{"object on one line gives its first entry",
                  "var channels = {'7':{'id':'345','name':'Kino Plus','logo':'a'},"
                  "'8':{'id':'12','name':'News','logo':'b'}};",
                  {{"Kino Plus", "345"}}},
        ZakonCase{"blank line inside gives an empty row",
                  Script("'7':{'id':'345','name':'A','logo':''},\n\n'8':{'id':'12','name':'B'},\n"),
                  {{"A", "345"}, {"", ""}, {"B}", "12"}}},
        ZakonCase{"double quotes stay, apostrophes go",
                  Script("\"7\":{\"id\":\"345\",\"name\":\"Kino\",\"logo\":\"\"},\n"
                         "'8':{'id':'1'2','name':'Muz'TV','logo':''},\n"),
                  {{"\"Kino\"", "\"345\""}, {"MuzTV", "12"}}},
        ZakonCase{
            "comma or colon in a name cuts it",
            Script("'7':{'id':'345','name':'Kino, Plus'},\n'8':{'id':'12','name':'TV: 1'},\n"),
            {{"Kino", "345"}, {"TV", "12"}}},
        ZakonCase{"name containing > keeps its first part",
                  Script("'7':{'id':'345','name':'A>B','logo':''},\n"),
                  {{"A", "345"}}},
        ZakonCase{
            "entry without a comma is read twice over", Script("'7':'345'\n"), {{"345", "7"}}}),
    [](const testing::TestParamInfo<ZakonCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

ProviderSites SitesFor(const test::LoopbackServer& main_site, const test::LoopbackServer& tv) {
  ProviderSites sites;
  EXPECT_EQ(sites.Override("zakon=" + main_site.Url("")), "");
  EXPECT_EQ(sites.Override("zakon.tv=" + tv.Url("")), "");
  return sites;
}

test::LoopbackServer::Setup Answering(test::RequestLog& log, const std::string& page,
                                      int status = 200) {
  return [&log, page, status](httplib::Server& s) {
    s.Get("/", [&log, page, status](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.status = status;
      res.set_content(page, "text/html; charset=windows-1251");
    });
  };
}

TEST(ZakonLoad, ProbesTheMainSiteAndFetchesTheTelevisionSite) {
  test::RequestLog main_log;
  test::RequestLog tv_log;
  test::LoopbackServer main_site(Answering(main_log, "<html>main</html>"));
  test::LoopbackServer tv(Answering(tv_log, test::ReadFixture("zakon/index.html")));
  HttpClient http;
  const ProviderSites sites = SitesFor(main_site, tv);
  EXPECT_EQ(LoaderFor("zakon").probe_address(sites), main_site.Url(""));

  const LoadResult result = RunLoad(*FindProvider("zakon"), http, sites);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kServedRows);
  EXPECT_EQ(result.site_label, ": " + main_site.Url(""));

  const auto probes = main_log.Requests();
  ASSERT_EQ(probes.size(), 1u);
  EXPECT_EQ(probes[0].path, "/");
  EXPECT_EQ(probes[0].Header("User-Agent"), "InetURL:/1.0");
  const auto gets = tv_log.Requests();
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_EQ(gets[0].path, "/");
  EXPECT_EQ(gets[0].Header("Accept"), "text/html, */*");
  EXPECT_EQ(gets[0].Header("Content-Type"), "text/html");
  EXPECT_EQ(gets[0].Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(ZakonLoad, OutcomesWhenOneOfTheSitesFails) {
  HttpClient http;
  {  // The television site's error is what the user sees.
    test::RequestLog main_log;
    test::RequestLog tv_log;
    test::LoopbackServer main_site(Answering(main_log, "<html>main</html>"));
    test::LoopbackServer tv(Answering(tv_log, test::ReadFixture("zakon/index.html"), 500));
    const LoadResult result = RunLoad(*FindProvider("zakon"), http, SitesFor(main_site, tv));
    EXPECT_EQ(result.status, LoadStatus::kFailed);
    EXPECT_EQ(result.error, "HTTP/1.1 500 Internal Server Error");
    EXPECT_TRUE(result.rows.empty());
  }
  {  // A main site that fails the probe ends the load before the television site is asked.
    test::RequestLog main_log;
    test::RequestLog tv_log;
    test::LoopbackServer main_site(Answering(main_log, "down", 503));
    test::LoopbackServer tv(Answering(tv_log, test::ReadFixture("zakon/index.html")));
    const LoadResult result = RunLoad(*FindProvider("zakon"), http, SitesFor(main_site, tv));
    EXPECT_EQ(result.status, LoadStatus::kNoConnect);
    EXPECT_TRUE(result.rows.empty());
    EXPECT_EQ(tv_log.Count(), 0u);
  }
}

}  // namespace
}  // namespace brelvik
