// The teleguide loader: channel numbers and names from the links of the
// channel index page, one sorted line per distinct channel.
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/byte_scan.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kGroupStart = "<div id=\"programm_group\">";
constexpr std::string_view kFooter = "<div id=\"footer\">";
constexpr std::string_view kLinkStart =
    "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal";
constexpr std::string_view kTitle = ".html\" title=\"";
constexpr std::string_view kAlt = "\"alt=\"";

// The list's text as the steps read it, one whole-text replacement after the
// other: a group's start becomes a line break, a link's start goes, and what
// stands between number, title and alternative text becomes "|".
std::string ListText(std::string_view cut) {
  std::string text = ReplaceAll(cut, kGroupStart, "\r\n");
  text = ReplaceAll(text, kLinkStart, "");
  text = ReplaceAll(text, kTitle, "|");
  return ReplaceAll(text, kAlt, "|");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether taking out a link start between `before` and `after` could make a
// title or an alternative text.
bool CouldJoin(char before, char after) {
  return CouldSpan(kTitle, before, after) || CouldSpan(kAlt, before, after);
}

// The same lines in one pass over the page after the first group start, up
// to the first footer after it (which cannot start inside another marker, so
// the first one the pass meets is the list's end). Group starts, link
// starts, titles and alternative texts never overlap one another (only an
// alternative text may overlap one before it, which a leftmost scan handles
// as the steps do). Taking out a link start could join the text around it
// into a title or an alternative text that the later steps would replace;
// where that could happen inside the fields read, the pass gives up and the
// steps run instead; so it does at a NUL byte. Once a line's fields are read
// (or it does not start with a digit), only what ends the line matters: a
// line break or a group start.
template <typename Cutter>
CutEnd CutLinks(std::string_view list, Cutter& cutter) {
  char last = '\n';
  bool joined = false;
  std::size_t piece = 0;
  std::size_t at = 0;
  while (true) {
    const bool settled =
        cutter.FieldsDone() || (cutter.LineBegun() && !IsDigit(cutter.LineFirst()));
    at = settled ? FindFirstOf<'<', '\r', '\n', '\0'>(list, at)
                 : FindFirstOf<'<', '.', '"', '\r', '\n', '\0'>(list, at);
    if (at == list.size()) return CutEnd::kNoMarker;
    const std::string_view rest = list.substr(at);
    const char c = list[at];
    const bool end = c == '<' && StartsWith(rest, kFooter);
    std::size_t marker = 0;  // the length of the marker at `at`
    enum { kNone, kGroup, kLink, kSeparator, kBreak } what = kNone;
    if (end || c == '\0') {
      what = kBreak;
    } else if (c == '\r' || c == '\n') {
      what = kBreak;
      marker = 1;
    } else if (c == '<' && StartsWith(rest, kGroupStart)) {
      what = kGroup;
      marker = kGroupStart.size();
    } else if (c == '<' && !settled && StartsWith(rest, kLinkStart)) {
      what = kLink;
      marker = kLinkStart.size();
    } else if (c == '.' && StartsWith(rest, kTitle)) {
      what = kSeparator;
      marker = kTitle.size();
    } else if (c == '"' && StartsWith(rest, kAlt)) {
      what = kSeparator;
      marker = kAlt.size();
    }
    if (what == kNone) {
      ++at;
      continue;
    }
    if (at > piece) {
      if (joined && CouldJoin(last, list[piece])) return CutEnd::kGaveUp;
      joined = false;
      cutter.Append(list.substr(piece, at - piece));
      last = list[at - 1];
    }
    if (end) break;
    if (c == '\0') return CutEnd::kGaveUp;
    switch (what) {
      case kGroup:
        joined = false;
        cutter.Break('\r');
        cutter.Break('\n');
        last = '\n';
        break;
      case kLink:
        joined = true;
        break;
      case kSeparator:
        if (joined && CouldJoin(last, c)) return CutEnd::kGaveUp;
        joined = false;
        cutter.Separator();
        last = '"';
        break;
      default:
        joined = false;
        cutter.Break(c);
        last = c;
        break;
    }
    at += marker;
    piece = at;
  }
  cutter.Finish();
  return CutEnd::kAtMarker;
}

}  // namespace

ChannelRows ParseTeleguidePage(std::string_view page, EmptyListCause* empty) {
  SortedLinks links;
  const auto take = [&links](const CutLine& line) {
    if (line.StartsWithDigit()) links.Add(line.Field(1), line.Field(2));
  };
  CutListInOnePass(
      page, kGroupStart, kFooter, false, empty,
      [&](std::string_view list) {
        LineCutter<2, decltype(take)> cutter('|', true, take);
        return CutLinks(list, cutter);
      },
      [&](std::string_view cut) {
        ForEachLine(TrimView(ListText(cut)),
                    [&](std::string_view line) { take(CutLine::Of(line, '|', 2)); });
      },
      [&] { links.Clear(); });
  return links.Rows(NamelessLinks::kKept, empty);
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
