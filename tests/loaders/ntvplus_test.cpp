// The ntvplus body (the channel selector's options to sorted, distinct rows)
// and its load.
#include <gtest/gtest.h>

#include <cctype>

#include "fixture.h"
#include "loaders/loaders.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

struct NtvplusCase {
  const char* what;
  std::string page;
  ChannelRows rows;
};

std::string Page(const std::string& select) {
  return "<div class=\"header\"><h1><a href=\"/\">ТВ</a></h1></div>\n<form>" + select +
         "</form>\n<div class=\"rightentry\">(c)</div>";
}

// Sorted as lines "code>name": the codes compare as text.
const ChannelRows kServedRows{
    {"Kino Plus", "123"}, {"Наше кино", "321"}, {"Спорт", "45"},
    {"Спорт Плюс", "45"}, {"Новости 24", "7"},  {"Карусель", "9"},
};

class NtvplusCases : public testing::TestWithParam<NtvplusCase> {};

TEST_P(NtvplusCases, CutsRows) { EXPECT_EQ(ParseNtvplusPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, NtvplusCases,
    testing::Values(
        NtvplusCase{"served page: dates passed over, duplicates, text order",
                    test::ReadFixture("ntvplus/lite.xl"), kServedRows},
        NtvplusCase{"worked example",
                    Page("<select name=\"ch\"><optgroup label=\"Kino\"><option value=\"123\">Kino "
                         "Plus</option><option value=\"45\">Sport</option></optgroup><optgroup "
                         "label=\"News\"><option value=\"7\">News 24</option></optgroup></select>"),
                    {{"Kino Plus", "123"}, {"Sport", "45"}, {"News 24", "7"}}},
        NtvplusCase{"page without the markers", test::ReadFixture("ntvplus/lite_redesign.xl"), {}},
        NtvplusCase{"malformed UTF-8 in a name empties the list",
                    test::ReadFixture("ntvplus/lite_malformed_utf8.xl"),
                    {}},
        NtvplusCase{"name containing > keeps its first part",
                    Page("<select name=\"ch\"><option value=\"12\">Кино>Плюс</option></select>"),
                    {{"Кино", "12"}}},
        NtvplusCase{"full stop third: a date, not a channel",
                    Page("<select name=\"ch\"><option value=\"08.12\">8 декабря</option>"
                         "<option value=\"812\">Восемь</option></select>"),
                    {{"Восемь", "812"}}},
        NtvplusCase{"a bare tag before an option swallows that option",
                    Page("<select><option value=\"5\">Пять</option><option value=\"6\">Шесть"
                         "</option></select>"),
                    {{"Шесть", "6"}}},
        NtvplusCase{"one-digit value without text gives no row",
                    Page("<select name=\"ch\"><option value=\"5\"></option><option "
                         "value=\"6\">Шесть</option>"
                         "</select>"),
                    {{"Шесть", "6"}}},
        NtvplusCase{
            "same value and text twice: one row; two texts: two rows",
            Page("<select name=\"ch\"><option value=\"5\">Пять</option><option value=\"5\">пять"
                 "</option><option value=\"5\">Пятый</option></select>"),
            {{"Пятый", "5"}, {"Пять", "5"}}}),
    [](const testing::TestParamInfo<NtvplusCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

ProviderSites SitesFor(const test::LoopbackServer& server) {
  ProviderSites sites;
  EXPECT_EQ(sites.Override("ntvplus=" + server.Url("")), "");
  return sites;
}

TEST(NtvplusLoad, ProbesSiteRootThenFetchesLiteXl) {
  const std::string page = test::ReadFixture("ntvplus/lite.xl");
  test::RequestLog log;
  test::LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("<html></html>", "text/html");
    });
    s.Get("/tv/lite.xl", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content(page, "text/html; charset=utf-8");
    });
  });
  HttpClient http;
  const ProviderSites sites = SitesFor(server);
  EXPECT_EQ(LoaderFor("ntvplus").probe_address(sites), server.Url("/"));

  const LoadResult result = RunLoad(*FindProvider("ntvplus"), http, sites);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, kServedRows);

  const auto requests = log.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/");
  EXPECT_EQ(requests[0].Header("User-Agent"), "InetURL:/1.0");
  EXPECT_EQ(requests[1].path, "/tv/lite.xl");
  EXPECT_EQ(requests[1].Header("Accept"), "text/html, */*");
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/html");
  EXPECT_EQ(requests[1].Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(NtvplusLoad, ServerErrorFailsWithoutRows) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/tv/lite.xl", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content(test::ReadFixture("ntvplus/lite.xl"), "text/html");
    });
  });
  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider("ntvplus"), http, SitesFor(server));
  EXPECT_EQ(result.status, LoadStatus::kFailed);
  EXPECT_EQ(result.error, "HTTP/1.1 500 Internal Server Error");
  EXPECT_TRUE(result.rows.empty());
}

}  // namespace
}  // namespace brelvik
