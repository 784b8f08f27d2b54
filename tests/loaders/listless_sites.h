// Providers whose page or answer arrives but holds no channel list: a
// redesigned page for every loader that reads a page, and a channel package
// without entries. Shared by the load, command-line and window tests.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fixture.h"
#include "loaders/load_frame.h"
#include "loaders/loader_test_support.h"

namespace brelvik::test {

struct ListlessSite {
  const char* what;  // the provider key, also the case's name
  int index;         // the provider's place in the selector
  const char* path;  // where the page is served
  std::string page;
  std::vector<std::string> addresses;  // the address names pointed at the site
  ChannelRows rows;                    // what the load still gives
  EmptyListCause cause;

  // A site serving the page, and the addresses that lead the loader there.
  std::unique_ptr<ProviderSite> Serve() const { return std::make_unique<ProviderSite>(path, page); }
  ProviderSites SitesOf(const ProviderSite& site) const {
    ProviderSites sites;
    for (const std::string& name : addresses) site.Override(sites, name);
    return sites;
  }
  // The same as "NAME=URL" texts, as --site takes them.
  std::vector<std::string> SiteArguments(const ProviderSite& site) const {
    std::vector<std::string> arguments;
    for (const std::string& name : addresses) arguments.push_back(name + "=" + site.Url(""));
    return arguments;
  }
};

inline void PrintTo(const ListlessSite& c, std::ostream* os) { *os << c.what; }

inline const ChannelRows& AkadoFixedRows() {
  static const ChannelRows rows{
      {"Кинорейс 1", "3456"},  {"Кинорейс 2", "3457"},  {"Кинорейс 3", "3463"},
      {"Кинорейс 4", "47461"}, {"Кинорейс 5", "52580"},
  };
  return rows;
}

inline std::vector<ListlessSite> ListlessSites() {
  constexpr auto kMarker = EmptyListCause::kMarkerMissing;
  return {
      {"vsetv",
       0,
       "/channels.html",
       ReadFixture("vsetv/channels_redesign.html"),
       {"vsetv"},
       {},
       kMarker},
      {"teleguide",
       1,
       "/kanals.html",
       ReadFixture("teleguide/kanals_redesign.html"),
       {"teleguide"},
       {},
       kMarker},
      {"akado",
       2,
       "/channels/",
       ReadFixture("akado/channels_redesign.html"),
       {"akado"},
       AkadoFixedRows(),
       kMarker},
      {"ntvplus",
       3,
       "/tv/lite.xl",
       ReadFixture("ntvplus/lite_redesign.xl"),
       {"ntvplus"},
       {},
       kMarker},
      {"smartlab",
       6,
       "/CacheClient/ncdxml/ChannelPackage/list_channels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><response><channels/></response>",
       {"smartlab", "smartlab.service"},
       {},
       EmptyListCause::kNoEntries},
      {"ontimetv", 7, "/tv/", ReadFixture("ontimetv/tv_redesign.html"), {"ontimetv"}, {}, kMarker},
      {"tricolor",
       8,
       "/tvprogram",
       ReadFixture("tricolor/tvprogram_redesign.html"),
       {"tricolor", "tricolor.guide"},
       {},
       kMarker},
      {"zakon",
       9,
       "/",
       ReadFixture("zakon/index_redesign.html"),
       {"zakon", "zakon.tv"},
       {},
       kMarker},
  };
}

}  // namespace brelvik::test
