// The akado loader: five fixed channels, then the channel links of the
// provider's channel table, one sorted line per distinct link.
#include <algorithm>
#include <string>
#include <vector>

#include "loaders/loaders.h"
#include "support/codepage.h"
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

// The page is UTF-8 and so is the table: one malformed sequence anywhere in
// the list discards the whole list rather than letting garbage through.
std::vector<std::string> WellFormedOrNothing(std::vector<std::string> lines) {
  const bool well_formed = std::all_of(lines.begin(), lines.end(),
                                       [](const std::string& line) { return IsValidUtf8(line); });
  if (!well_formed) lines.clear();
  return lines;
}
}  // namespace

ChannelRows ParseAkadoPage(std::string_view page) {
  std::string text = TextBetween(kTableHeadEnd, page, kSpecialRows);
  // Each link becomes one line: target, "|", link text.
  text = ReplaceAll(text, "<a href=\"", "\r\n");
  text = ReplaceAll(text, ".html\">", "|");
  text = ReplaceAll(text, "</a>", "\r\n");
  text = Trim(text);

  // A line that is not a link would only add a nameless line to the list,
  // which gives no row, so it is left out.
  SortedLineList pairs;
  for (const std::string& line : SplitLines(text)) {
    if (line.find('|') == std::string::npos) continue;
    pairs.Add(ExtractField(line, 1, "|") + ">" + ExtractField(line, 2, "|"));
  }

  ChannelRows rows = FixedRows();
  for (const std::string& line : WellFormedOrNothing(pairs.Lines())) {
    const std::string rewritten = ExtractField(line, 2, ">") + ">" + ExtractField(line, 1, ">");
    std::string name = ExtractField(rewritten, 1, ">");
    if (name.empty()) continue;  // a link without text
    rows.push_back({std::move(name), ExtractField(rewritten, 2, ">")});
  }
  return rows;
}

Loader AkadoLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("akado") + "/"; },
      [](LoadContext& ctx) {
        return ParseAkadoPage(ctx.Get(ctx.Sites().Address("akado") + "/channels/"));
      },
  };
}

}  // namespace brelvik
