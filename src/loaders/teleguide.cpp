// The teleguide loader: channel numbers and names from the links of the
// channel index page, one sorted line per distinct channel.
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kGroupStart = "<div id=\"programm_group\">";
constexpr std::string_view kFooter = "<div id=\"footer\">";
constexpr std::string_view kLinkStart =
    "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal";

bool StartsWithDigit(std::string_view line) {
  return !line.empty() && line.front() >= '0' && line.front() <= '9';
}
}  // namespace

ChannelRows ParseTeleguidePage(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList(kGroupStart, page, kFooter, empty);
  text = ReplaceAll(text, kGroupStart, "\r\n");
  // A link line now starts with the channel's number: "57.html" title=...".
  text = ReplaceAll(text, kLinkStart, "");
  text = ReplaceAll(text, ".html\" title=\"", "|");
  text = ReplaceAll(text, "\"alt=\"", "|");
  text = Trim(text);

  // Only the whole text is trimmed, so an indented link line is not a channel.
  ChannelRows rows = SortedLinkRows(text, StartsWithDigit, NamelessLinks::kKept, empty);
  DecodeHtmlRows(rows);
  return rows;
}

Loader TeleguideLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("teleguide"); },
      [](LoadContext& ctx) {
        return ParseTeleguidePage(ctx.Get(ctx.Sites().Address("teleguide") + "/kanals.html"),
                                  &ctx.empty_list);
      },
  };
}

}  // namespace brelvik
