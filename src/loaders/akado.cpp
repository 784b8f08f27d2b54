// The akado loader: five fixed channels, then the channel links of the
// provider's channel table, one sorted line per distinct link.
#include <iterator>
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/byte_scan.h"
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

constexpr std::string_view kLinkStart = "<a href=\"";
constexpr std::string_view kLinkTarget = ".html\">";
constexpr std::string_view kLinkEnd = "</a>";

// The list's text as the steps read it, one whole-text replacement after the
// other: each link becomes one line, target, "|", link text.
std::string ListText(std::string_view cut) {
  std::string text = ReplaceAll(cut, kLinkStart, "\r\n");
  text = ReplaceAll(text, kLinkTarget, "|");
  return ReplaceAll(text, kLinkEnd, "\r\n");
}

// The same lines in one pass over the page after the table's head, up to the
// special rows (whose marker cannot start inside a link's). The three markers
// never overlap, and what replaces them (a line break, "|") cannot make any
// of them, so every marker of the cut is replaced and nothing else. Once a
// line's fields are read only the markers that end lines matter. A NUL byte,
// which the steps' line split reads as the text's end, leaves the cut to the
// steps.
template <typename Cutter>
CutEnd CutLinks(std::string_view list, Cutter& cutter) {
  std::size_t piece = 0;
  std::size_t at = 0;
  while (true) {
    at = cutter.FieldsDone() ? FindFirstOf<'<', 'c', '\r', '\n', '\0'>(list, at)
                             : FindFirstOf<'<', '.', 'c', '\r', '\n', '\0'>(list, at);
    if (at == list.size()) return CutEnd::kNoMarker;
    const std::string_view rest = list.substr(at);
    const char c = list[at];
    const bool end = c == 'c' && StartsWith(rest, kSpecialRows);
    std::size_t marker = 0;
    bool line_break = false;
    if (end || c == '\0' || c == '\r' || c == '\n') {
      marker = 1;
    } else if (c == '<' && (StartsWith(rest, kLinkStart) || StartsWith(rest, kLinkEnd))) {
      marker = StartsWith(rest, kLinkStart) ? kLinkStart.size() : kLinkEnd.size();
      line_break = true;
    } else if (c == '.' && StartsWith(rest, kLinkTarget)) {
      marker = kLinkTarget.size();
    } else {
      ++at;
      continue;
    }
    if (at > piece) cutter.Append(list.substr(piece, at - piece));
    if (end) break;
    if (c == '\0') return CutEnd::kGaveUp;
    if (line_break) {
      cutter.Break('\r');
      cutter.Break('\n');
    } else if (c == '.') {
      cutter.Separator();
    } else {
      cutter.Break(c);
    }
    at += marker;
    piece = at;
  }
  cutter.Finish();
  return CutEnd::kAtMarker;
}

}  // namespace

ChannelRows ParseAkadoPage(std::string_view page, EmptyListCause* empty) {
  // A line that is not a link would only add a nameless line to the list,
  // which gives no row, so it is left out; so is a link without text.
  SortedLinks links;
  const auto take = [&links](const CutLine& line) {
    if (line.separators > 0) links.Add(line.Field(1), line.Field(2));
  };
  CutListInOnePass(
      page, kTableHeadEnd, kSpecialRows, false, empty,
      [&](std::string_view list) {
        LineCutter<2, decltype(take)> cutter('|', true, take);
        return CutLinks(list, cutter);
      },
      [&](std::string_view cut) {
        ForEachLine(TrimView(ListText(cut)),
                    [&](std::string_view line) { take(CutLine::Of(line, '|', 2)); });
      },
      [&] { links.Clear(); });
  ChannelRows rows = FixedRows();
  ChannelRows found = links.Rows(NamelessLinks::kDropped, empty);
  rows.insert(rows.end(), std::make_move_iterator(found.begin()),
              std::make_move_iterator(found.end()));
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
