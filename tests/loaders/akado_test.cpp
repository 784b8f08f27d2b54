// The akado body (five fixed rows, then the channel links as sorted, distinct
// rows) and its load.
#include <gtest/gtest.h>

#include <cctype>

#include "fixture.h"
#include "loaders/loaders.h"
#include "support/loopback_server.h"

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

struct AkadoCase {
  const char* what;
  std::string page;
  ChannelRows page_rows;
};

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

class AkadoCases : public testing::TestWithParam<AkadoCase> {};

TEST_P(AkadoCases, CutsRows) {
  EXPECT_EQ(ParseAkadoPage(GetParam().page), WithFixed(GetParam().page_rows));
}

INSTANTIATE_TEST_SUITE_P(
    Pages, AkadoCases,
    testing::Values(AkadoCase{"served page: duplicates, text order, link with a class",
                              test::ReadFixture("akado/channels.html"), kServedRows},
                    AkadoCase{"worked example",
                              Table("<tr><td><a href=\"2345.html\">Kino Plus</a></td></tr>"),
                              {{"Kino Plus", "2345"}}},
                    AkadoCase{"page without the markers gives the fixed rows only",
                              test::ReadFixture("akado/channels_redesign.html"),
                              {}},
                    AkadoCase{"empty page gives the fixed rows only", "", {}},
                    AkadoCase{"malformed UTF-8 in a name leaves the fixed rows only",
                              test::ReadFixture("akado/channels_malformed_utf8.html"),
                              {}},
                    AkadoCase{"name containing > keeps its first part",
                              Table(Row("5.html", "Кино>Плюс")),
                              {{"Кино", "5"}}},
                    AkadoCase{"several bars: the name is the second field",
                              Table(Row("5.html", "Кино|Плюс")),
                              {{"Кино", "5"}}},
                    AkadoCase{"link without text gives no row",
                              Table(Row("5.html", "") + Row("6.html", "Шесть")),
                              {{"Шесть", "6"}}},
                    AkadoCase{"target without .html is not loaded",
                              Table(Row("/channel/5", "Пять") + Row("6.html", "Шесть")),
                              {{"Шесть", "6"}}},
                    AkadoCase{"same target, two texts: two rows; same text twice: one",
                              Table(Row("5.html", "Пять") + Row("5.html", "ПЯТЬ") +
                                    Row("5.html", "Пятёрка")),
                              {{"Пятёрка", "5"}, {"Пять", "5"}}}),
    [](const testing::TestParamInfo<AkadoCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

ProviderSites SitesFor(const test::LoopbackServer& server) {
  ProviderSites sites;
  EXPECT_EQ(sites.Override("akado=" + server.Url("")), "");
  return sites;
}

TEST(AkadoLoad, ProbesSiteRootThenFetchesChannels) {
  const std::string page = test::ReadFixture("akado/channels.html");
  test::RequestLog log;
  test::LoopbackServer server([&](httplib::Server& s) {
    s.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content("<html></html>", "text/html");
    });
    s.Get("/channels/", [&](const httplib::Request& req, httplib::Response& res) {
      log.Record(req);
      res.set_content(page, "text/html; charset=utf-8");
    });
  });
  HttpClient http;
  const ProviderSites sites = SitesFor(server);
  EXPECT_EQ(LoaderFor("akado").probe_address(sites), server.Url("/"));

  const LoadResult result = RunLoad(*FindProvider("akado"), http, sites);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, WithFixed(kServedRows));

  const auto requests = log.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/");
  EXPECT_EQ(requests[0].Header("User-Agent"), "InetURL:/1.0");
  EXPECT_EQ(requests[1].path, "/channels/");
  EXPECT_EQ(requests[1].Header("Accept"), "text/html, */*");
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/html");
  EXPECT_EQ(requests[1].Header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
}

TEST(AkadoLoad, ServerErrorFailsWithoutEvenTheFixedRows) {
  test::LoopbackServer server([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels/", [](const httplib::Request&, httplib::Response& res) {
      res.status = 500;
      res.set_content(test::ReadFixture("akado/channels.html"), "text/html");
    });
  });
  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider("akado"), http, SitesFor(server));
  EXPECT_EQ(result.status, LoadStatus::kFailed);
  EXPECT_EQ(result.error, "HTTP/1.1 500 Internal Server Error");
  EXPECT_TRUE(result.rows.empty());
}

}  // namespace
}  // namespace brelvik
