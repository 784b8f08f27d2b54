// The teleguide body (channel links to sorted, distinct rows) and its load.
#include <gtest/gtest.h>

#include <cctype>

#include "fixture.h"
#include "loaders/loaders.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

struct TeleguideCase {
  const char* what;
  std::string page;
  ChannelRows rows;
};

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

class TeleguideCases : public testing::TestWithParam<TeleguideCase> {};

TEST_P(TeleguideCases, CutsRows) {
  EXPECT_EQ(ParseTeleguidePage(GetParam().page), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TeleguideCases,
    testing::Values(
        TeleguideCase{"served page: groups, duplicates, text order",
                      test::ReadFixture("teleguide/kanals.html"), kServedRows},
        TeleguideCase{"worked example", Page(Link("57", "Kino Plus")), {{"Kino Plus", "57"}}},
        TeleguideCase{
            "page without the markers", test::ReadFixture("teleguide/kanals_redesign.html"), {}},
        TeleguideCase{"footer missing", Page(Link("57", "Kino Plus")).substr(0, 200), {}},
        TeleguideCase{"malformed UTF-8 in a name empties the list",
                      test::ReadFixture("teleguide/kanals_malformed_utf8.html"),
                      {}},
        TeleguideCase{"malformed UTF-8 in a passed-over line costs nothing",
                      Page("<h3>\xD0 Эфир</h3>\n" + Link("57", "Кино")),
                      {{"Кино", "57"}}},
        TeleguideCase{"indented link line is passed over",
                      Page("  " + Link("1", "Первый") + Link("2", "Второй")),
                      {{"Второй", "2"}}},
        TeleguideCase{"name containing > keeps its first part",
                      Page(Link("57", "Кино>Плюс")),
                      {{"Кино", "57"}}},
        TeleguideCase{"empty title gives an empty name", Page(Link("5", "")), {{"", "5"}}},
        TeleguideCase{"digit line without a bar is name and code",
                      Page("24 часа в эфире\n"),
                      {{"24 часа в эфире", "24 часа в эфире"}}},
        TeleguideCase{"equal lines under case folding count once",
                      Page(Link("9", "Пятница") + Link("9", "ПЯТНИЦА") + Link("9", "Пятница!")),
                      {{"Пятница", "9"}, {"Пятница!", "9"}}}),
    [](const testing::TestParamInfo<TeleguideCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

ProviderSites SitesFor(const test::LoopbackServer& server) {
  ProviderSites sites;
  EXPECT_EQ(sites.Override("teleguide=" + server.Url("")), "");
  return sites;
}

TEST(TeleguideLoad, ProbesThenFetchesKanalsHtml) {
  const std::string page = test::ReadFixture("teleguide/kanals.html");
  test::RequestLog log;
  test::LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("<html></html>", "text/html");
    });
    s.Get("/kanals.html", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content(page, "text/html; charset=utf-8");
    });
  });
  HttpClient http;
  const ProviderSites sites = SitesFor(server);
  EXPECT_EQ(LoaderFor("teleguide").probe_address(sites), server.Url(""));

  const LoadResult result = RunLoad(*FindProvider("teleguide"), http, sites);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kServedRows);
  EXPECT_EQ(result.site_label, ": " + server.Url(""));

  const auto requests = log.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/");
  EXPECT_EQ(requests[0].Header("User-Agent"), "InetURL:/1.0");
  EXPECT_EQ(requests[1].path, "/kanals.html");
  EXPECT_EQ(requests[1].Header("Accept"), "text/html, */*");
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/html");
  EXPECT_EQ(requests[1].Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(TeleguideLoad, ServerErrorFailsWithoutRows) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/kanals.html", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content(test::ReadFixture("teleguide/kanals.html"), "text/html");
    });
  });
  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider("teleguide"), http, SitesFor(server));
  EXPECT_EQ(result.status, LoadStatus::kFailed);
  EXPECT_EQ(result.error, "HTTP/1.1 500 Internal Server Error");
  EXPECT_TRUE(result.rows.empty());
}

}  // namespace
}  // namespace brelvik
