// The loader frame against real loopback servers: probe, fetch, outcome.
#include "loaders/load_frame.h"

#include <gtest/gtest.h>

#include <chrono>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "support/loopback_server.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;

ProviderSites SitesFor(const test::LoopbackServer& server) {
  ProviderSites sites;
  EXPECT_EQ(sites.Override("vsetv=" + server.Url("")), "");
  return sites;
}

TEST(LoadFrame, LoadsVsetvFromItsSite) {
  const test::ProviderSite site("/channels.html", test::ReadFixture("vsetv/channels.html"),
                                "text/html; charset=windows-1251");
  HttpClient http;
  const ProviderSites sites = site.SitesFor("vsetv");
  for (int run = 0; run < 2; ++run) {  // a second load gives the same rows
    const LoadResult result = RunLoad(*FindProvider("vsetv"), http, sites);
    ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
    EXPECT_EQ(result.site_label, ": " + site.Url(""));
    ASSERT_EQ(result.rows.size(), 15u);
    EXPECT_EQ(result.rows[0], (ChannelRow{"Kino Plus", "57"}));
  }
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_TRUE(test::IsProbe(requests[0]));
  EXPECT_TRUE(test::IsPageRequest(requests[1], "/channels.html"));
}

TEST(LoadFrame, OutcomesOfFailures) {
  test::LoopbackServer missing([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  });
  HttpClient http;

  EXPECT_TRUE(test::FailedOnServerError(test::LoadAgainstServerError("vsetv", "/channels.html")));

  const LoadResult unavailable = RunLoad(*FindProvider("vsetv"), http, SitesFor(missing));
  EXPECT_EQ(unavailable.status, LoadStatus::kNoConnect);

  // Skipping the probe goes straight to the page, which is missing here.
  LoadOptions skip;
  skip.skip_probe = true;
  const LoadResult unprobed = RunLoad(*FindProvider("vsetv"), http, SitesFor(missing), skip);
  EXPECT_EQ(unprobed.status, LoadStatus::kFailed);
  EXPECT_EQ(unprobed.error, "HTTP/1.1 404 Not Found: " + missing.Url("/channels.html"));
  EXPECT_EQ(unprobed.failure.kind, FailureKind::kHttpStatus);
}

// A row whose name and code are both empty once trimmed is no channel: the
// frame leaves it out whatever the loader (the command-line tests load such
// pages), and a page that gave nothing else held no channel list. A row with
// only one of the two stays.
TEST(LoadFrame, BlankRowsAreNoChannels) {
  const struct {
    const char* what;
    ChannelRows rows;
    EmptyListCause cause;  // the body's
    ChannelRows kept;
    EmptyListCause cause_after;
  } cases[] = {
      {"blank rows among channels",
       {{"", ""}, {"A", "1"}, {" \t", "\r\n"}, {"B", "2"}},
       EmptyListCause::kNone,
       {{"A", "1"}, {"B", "2"}},
       EmptyListCause::kNone},
      {"only one of the two empty",
       {{"", "7"}, {"Name", ""}},
       EmptyListCause::kNone,
       {{"", "7"}, {"Name", ""}},
       EmptyListCause::kNone},
      {"nothing but blank rows",
       {{"", ""}, {" ", ""}},
       EmptyListCause::kNone,
       {},
       EmptyListCause::kNoChannelLine},
      {"a cause the body gave stays",
       {{"", ""}},
       EmptyListCause::kMalformedUtf8,
       {},
       EmptyListCause::kMalformedUtf8},
      {"no rows at all", {}, EmptyListCause::kNone, {}, EmptyListCause::kNone},
  };
  for (const auto& c : cases) {
    ChannelRows rows = c.rows;
    EmptyListCause cause = c.cause;
    DropBlankRows(rows, cause);
    EXPECT_EQ(rows, c.kept) << c.what;
    EXPECT_EQ(cause, c.cause_after) << c.what;
  }
}

TEST(LoadFrame, CancelEndsASilentLoadPromptly) {
  test::LoopbackServer silent([](httplib::Server& s, test::LoopbackServer& self) {
    s.Get("/", [&self](const httplib::Request&, httplib::Response& res) {
      self.Pause(10s);
      res.set_content("late", "text/plain");
    });
  });
  const test::CancelledLoad load = test::LoadCancelledAfter("vsetv", SitesFor(silent), 200ms);
  EXPECT_EQ(load.result.status, LoadStatus::kCancelled);
  EXPECT_LT(load.took, 2s);
}

TEST(ProviderTable, SelectorOrderNamesAndOverrides) {
  const auto& providers = Providers();
  const char* keys[] = {"vsetv",    "teleguide", "akado",    "ntvplus", "idcmd", "mailru",
                        "smartlab", "ontimetv",  "tricolor", "zakon",   "stv",   "moyo"};
  for (std::size_t i = 0; i < kProviderCount; ++i) {
    EXPECT_EQ(providers[i].key, keys[i]);
    EXPECT_EQ(FindProviderByKeyOrIndex(std::to_string(i)), &providers[i]);
    const std::string expected_file =
        std::string(keys[i] == std::string("ontimetv") ? "ontvtime" : keys[i]) + "_list";
    EXPECT_EQ(providers[i].list_file, expected_file);
    EXPECT_EQ(providers[i].site.substr(0, 7), "http://");
  }
  for (const Provider& p : providers) {
    EXPECT_NO_THROW(LoaderFor(p.key)) << p.key;
    EXPECT_TRUE(LoaderFor(p.key).body) << p.key;
  }
  EXPECT_EQ(FindProviderByKeyOrIndex("12"), nullptr);
  EXPECT_EQ(FindProviderByKeyOrIndex("-1"), nullptr);
  EXPECT_EQ(FindProviderByKeyOrIndex(""), nullptr);

  ProviderSites sites;
  EXPECT_EQ(sites.Override("smartlab.service=http://127.0.0.1:9/"), "");
  EXPECT_EQ(sites.Address("smartlab.service"), "http://127.0.0.1:9");
  EXPECT_NE(sites.Override("nosuch=http://x"), "");
  EXPECT_NE(sites.Override("vsetv"), "");
  EXPECT_NE(sites.Override("vsetv="), "");
  EXPECT_EQ(SiteLabelOf(providers[0], sites), ": http://www.vsetv.com");
}

}  // namespace
}  // namespace brelvik
