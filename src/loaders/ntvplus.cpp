// The ntvplus loader: channel codes and names from the options of the channel
// selector on the programme page, one sorted line per distinct option.
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kHeadingEnd = "</a></h1></div>";
constexpr std::string_view kRightEntry = "<div class=\"rightentry\">";

// An option of the channel selector: value and text. The date selector's
// values ("08.12") start with a digit too but carry a full stop third.
bool IsChannelLine(std::string_view line) {
  if (line.empty() || line[0] < '0' || line[0] > '9') return false;
  return line.size() < 3 || line[2] != '.';
}
}  // namespace

ChannelRows ParseNtvplusPage(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList(kHeadingEnd, page, kRightEntry, empty);
  // Each option becomes one line: value, "|", text.
  text = ReplaceAll(text, "</option>", "\r\n");
  text = ReplaceAll(text, "<option value=\"", "\r\n");
  text = ReplaceAll(text, "\">", "|");
  text = ReplaceAll(text, ">\r\n", "");
  text = ReplaceAll(text, "</optgroup><optgroup label=\"", "");
  text = Trim(text);

  // A line that is not a channel would only add a nameless line to the list,
  // which gives no row, so it is left out; so is an option without text.
  ChannelRows rows = SortedLinkRows(text, IsChannelLine, NamelessLinks::kDropped, empty);
  DecodeHtmlRows(rows);
  return rows;
}

Loader NtvplusLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("ntvplus") + "/"; },
      [](LoadContext& ctx) {
        return ParseNtvplusPage(ctx.Get(ctx.Sites().Address("ntvplus") + "/tv/lite.xl"),
                                &ctx.empty_list);
      },
  };
}

}  // namespace brelvik
