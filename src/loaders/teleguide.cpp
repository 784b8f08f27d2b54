// The teleguide loader: channel numbers and names from the links of the
// channel index page, one sorted line per distinct channel.
#include <algorithm>
#include <string>
#include <vector>

#include "loaders/loaders.h"
#include "support/codepage.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kGroupStart = "<div id=\"programm_group\">";
constexpr std::string_view kFooter = "<div id=\"footer\">";
constexpr std::string_view kLinkStart =
    "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal";

bool StartsWithDigit(const std::string& line) {
  return !line.empty() && line.front() >= '0' && line.front() <= '9';
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

ChannelRows ParseTeleguidePage(std::string_view page) {
  std::string text = TextBetween(kGroupStart, page, kFooter);
  text = ReplaceAll(text, kGroupStart, "\r\n");
  // A link line now starts with the channel's number: "57.html" title=...".
  text = ReplaceAll(text, kLinkStart, "");
  text = ReplaceAll(text, ".html\" title=\"", "|");
  text = ReplaceAll(text, "\"alt=\"", "|");
  text = Trim(text);

  // Only the whole text is trimmed, so an indented link line is not a channel.
  SortedLineList pairs;
  for (const std::string& line : SplitLines(text)) {
    if (!StartsWithDigit(line)) continue;
    pairs.Add(ExtractField(line, 1, "|") + ">" + ExtractField(line, 2, "|"));
  }

  ChannelRows rows;
  for (const std::string& line : WellFormedOrNothing(pairs.Lines())) {
    const std::string rewritten = ExtractField(line, 2, ">") + ">" + ExtractField(line, 1, ">");
    rows.push_back({ExtractField(rewritten, 1, ">"), ExtractField(rewritten, 2, ">")});
  }
  return rows;
}

Loader TeleguideLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("teleguide"); },
      [](LoadContext& ctx) {
        return ParseTeleguidePage(ctx.Get(ctx.Sites().Address("teleguide") + "/kanals.html"));
      },
  };
}

}  // namespace brelvik
