// The ontimetv body (channel blocks of a Windows-1251 category page to rows in
// page order) and its load.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <mutex>

#include "fixture.h"
#include "loaders/loaders.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

struct OntimetvCase {
  const char* what;
  std::string page;
  ChannelRows rows;
};

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

class OntimetvCases : public testing::TestWithParam<OntimetvCase> {};

TEST_P(OntimetvCases, CutsRows) { EXPECT_EQ(ParseOntimetvPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, OntimetvCases,
    testing::Values(
        OntimetvCase{"served page: page order, duplicates, blocks over several lines",
                     test::ReadFixture("ontimetv/tv_cat11.html"), kServedRows},
        OntimetvCase{"page with CR LF line ends reads the same",
                     test::ReadFixture("ontimetv/tv_cat11_crlf.html"), kServedRows},
        OntimetvCase{"worked example", Page(Block("123", "Kino Plus")), {{"Kino Plus", "123"}}},
        OntimetvCase{
            "page without the markers", test::ReadFixture("ontimetv/tv_redesign.html"), {}},
        OntimetvCase{"text before the first block is never a channel",
                     "<div id=\"tv_left_side\"><a href=\"/tv/?ch0=1\" title=\"x\">x</a>|</div>"
                     "</table>",
                     {}},
        OntimetvCase{
            "name containing > keeps its first part", Page(Block("5", "A>B")), {{"A", "5"}}},
        OntimetvCase{"code trimmed, name kept as written",
                     Page("<div class=\"normal_div1\"> " + kKino +
                          " </div><a href=\"?ch0= 5 \" "
                          "title=\"k\">k</a>\n"),
                     {{" Кино ", "5"}}},
        OntimetvCase{"bars of the page are not separators",
                     Page(Block("5", "A|B") + Block("6", "C")),
                     {{"AB", "5"}, {"C", "6"}}},
        OntimetvCase{"block without code or name is dropped",
                     Page("<div class=\"normal_div1\"> </div><div class=\"normal_div1\">C</div>"
                          "<a href=\"/tv/?ch0=6\" title=\"C\">C</a>"),
                     {{"C", "6"}}},
        OntimetvCase{"block without bars is code and name",
                     Page("<div class=\"normal_div1\">" + kKino),
                     {{"Кино", "Кино"}}}),
    [](const testing::TestParamInfo<OntimetvCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

ProviderSites SitesFor(const test::LoopbackServer& server) {
  ProviderSites sites;
  EXPECT_EQ(sites.Override("ontimetv=" + server.Url("")), "");
  return sites;
}

TEST(OntimetvLoad, ProbesThenFetchesTheCategoryPage) {
  const std::string page = test::ReadFixture("ontimetv/tv_cat11.html");
  test::RequestLog log;
  std::mutex mutex;
  std::multimap<std::string, std::string> query;
  test::LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("<html></html>", "text/html");
    });
    s.Get("/tv/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      {
        std::lock_guard lock(mutex);
        query = req.params;
      }
      res.set_content(page, "text/html; charset=windows-1251");
    });
  });
  HttpClient http;
  const ProviderSites sites = SitesFor(server);
  EXPECT_EQ(LoaderFor("ontimetv").probe_address(sites), server.Url(""));

  const LoadResult result = RunLoad(*FindProvider("ontimetv"), http, sites);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kServedRows);

  const auto requests = log.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/");
  EXPECT_EQ(requests[0].Header("User-Agent"), "InetURL:/1.0");
  EXPECT_EQ(requests[1].path, "/tv/");
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(query, (std::multimap<std::string, std::string>{{"cat", "11"}}));
  }
  EXPECT_EQ(requests[1].Header("Accept"), "text/html, */*");
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/html");
  EXPECT_EQ(requests[1].Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(OntimetvLoad, ServerErrorFailsWithoutRows) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/tv/", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content(test::ReadFixture("ontimetv/tv_cat11.html"), "text/html");
    });
  });
  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider("ontimetv"), http, SitesFor(server));
  EXPECT_EQ(result.status, LoadStatus::kFailed);
  EXPECT_EQ(result.error, "HTTP/1.1 500 Internal Server Error");
  EXPECT_TRUE(result.rows.empty());
}

}  // namespace
}  // namespace brelvik
