// The akado loader: five fixed channels, then the channel links of the
// provider's channel table, one sorted line per distinct link.
#include <iterator>
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kTableHeadEnd = "</a></th></tr></thead>";
constexpr std::string_view kSpecialRows = "class=\"tv-special\"";

// Channels the page does not list but the provider broadcasts.
const ChannelRows& FixedRows() {
  static const ChannelRows rows{
      {"Кинорейс 1", "3456"},  {"Кинорейс 2", "3457"},  {"Кинорейс 3", "3463"},
      {"Кинорейс 4", "47461"}, {"Кинорейс 5", "52580"},
  };
  return rows;
}

bool IsLink(std::string_view line) { return line.find('|') != std::string_view::npos; }
}  // namespace

ChannelRows ParseAkadoPage(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList(kTableHeadEnd, page, kSpecialRows, empty);
  // Each link becomes one line: target, "|", link text.
  text = ReplaceAll(text, "<a href=\"", "\r\n");
  text = ReplaceAll(text, ".html\">", "|");
  text = ReplaceAll(text, "</a>", "\r\n");
  text = Trim(text);

  // A line that is not a link would only add a nameless line to the list,
  // which gives no row, so it is left out; so is a link without text.
  ChannelRows links = SortedLinkRows(text, IsLink, NamelessLinks::kDropped, empty);
  DecodeHtmlRows(links);
  ChannelRows rows = FixedRows();
  rows.insert(rows.end(), std::make_move_iterator(links.begin()),
              std::make_move_iterator(links.end()));
  return rows;
}

Loader AkadoLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("akado") + "/"; },
      [](LoadContext& ctx) {
        return ParseAkadoPage(ctx.Get(ctx.Sites().Address("akado") + "/channels/"),
                              &ctx.empty_list);
      },
  };
}

}  // namespace brelvik
