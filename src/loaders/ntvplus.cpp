// The ntvplus loader: channel codes and names from the options of the channel
// selector on the programme page, one sorted line per distinct option.
#include <algorithm>
#include <string>
#include <vector>

#include "loaders/loaders.h"
#include "support/codepage.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kHeadingEnd = "</a></h1></div>";
constexpr std::string_view kRightEntry = "<div class=\"rightentry\">";

// An option of the channel selector: value and text. The date selector's
// values ("08.12") start with a digit too but carry a full stop third.
bool IsChannelLine(const std::string& line) {
  if (line.empty() || line[0] < '0' || line[0] > '9') return false;
  return line.size() < 3 || line[2] != '.';
}

// The page is UTF-8 and so is the table: one malformed sequence anywhere in
// the list discards the whole list rather than letting garbage through.
std::vector<std::string> WellFormedOrNothing(std::vector<std::string> lines) {
  const bool well_formed = std::all_of(lines.begin(), lines.end(),
                                       [](const std::string& line) { return IsValidUtf8(line); });
  if (!well_formed) lines.clear();
  return lines;
}
}  // namespace

ChannelRows ParseNtvplusPage(std::string_view page) {
  std::string text = TextBetween(kHeadingEnd, page, kRightEntry);
  // Each option becomes one line: value, "|", text.
  text = ReplaceAll(text, "</option>", "\r\n");
  text = ReplaceAll(text, "<option value=\"", "\r\n");
  text = ReplaceAll(text, "\">", "|");
  text = ReplaceAll(text, ">\r\n", "");
  text = ReplaceAll(text, "</optgroup><optgroup label=\"", "");
  text = Trim(text);

  // A line that is not a channel would only add a nameless line to the list,
  // which gives no row, so it is left out.
  SortedLineList pairs;
  for (const std::string& line : SplitLines(text)) {
    if (!IsChannelLine(line)) continue;
    pairs.Add(ExtractField(line, 1, "|") + ">" + ExtractField(line, 2, "|"));
  }

  ChannelRows rows;
  for (const std::string& line : WellFormedOrNothing(pairs.Lines())) {
    const std::string rewritten = ExtractField(line, 2, ">") + ">" + ExtractField(line, 1, ">");
    std::string name = ExtractField(rewritten, 1, ">");
    if (name.empty()) continue;  // an option without text
    rows.push_back({std::move(name), ExtractField(rewritten, 2, ">")});
  }
  return rows;
}

Loader NtvplusLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("ntvplus") + "/"; },
      [](LoadContext& ctx) {
        return ParseNtvplusPage(ctx.Get(ctx.Sites().Address("ntvplus") + "/tv/lite.xl"));
      },
  };
}

}  // namespace brelvik
