// The ntvplus loader: channel codes and names from the options of the channel
// selector on the programme page, one sorted line per distinct option.
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/byte_scan.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kHeadingEnd = "</a></h1></div>";
constexpr std::string_view kRightEntry = "<div class=\"rightentry\">";

// An option of the channel selector: value and text. The date selector's
// values ("08.12") start with a digit too but carry a full stop third.
bool IsChannelLine(const CutLine& line) {
  return line.StartsWithDigit() && (line.length < 3 || line.third != '.');
}

constexpr std::string_view kOptionEnd = "</option>";
constexpr std::string_view kOptionStart = "<option value=\"";
constexpr std::string_view kValueEnd = "\">";
constexpr std::string_view kJoinedBreak = ">\r\n";
constexpr std::string_view kGroupJoint = "</optgroup><optgroup label=\"";

// The list's text as the steps read it, one whole-text replacement after the
// other: each option becomes one line, value, "|", text.
std::string ListText(std::string_view cut) {
  std::string text = ReplaceAll(cut, kOptionEnd, "\r\n");
  text = ReplaceAll(text, kOptionStart, "\r\n");
  text = ReplaceAll(text, kValueEnd, "|");
  text = ReplaceAll(text, kJoinedBreak, "");
  return ReplaceAll(text, kGroupJoint, "");
}

// The same lines in one pass over the page after the heading, up to the
// right entry (whose marker cannot start inside another). Option ends,
// option starts and value ends never overlap but where an option start's
// closing quote is followed by ">", and the leftmost one is the one the steps
// replace. Then the steps drop every ">" of the page that a line break
// follows (a CR LF of the page, or an option's), and last every group joint
// that is still whole (one whose quote does not start a value end). Dropping
// a ">" and its break could join the text around them into a group joint;
// where the bytes on both sides could be part of one, the pass gives up and
// the steps run instead; so it does at a NUL byte.
template <typename Cutter>
CutEnd CutOptions(std::string_view list, Cutter& cutter) {
  char last = '\n';     // the last byte before the current point, joints not yet dropped
  bool joined = false;  // a ">" and its line break were just dropped after `last`
  const auto joins = [&](char next) { return joined && CouldSpan(kGroupJoint, last, next); };
  std::size_t piece = 0;
  std::size_t at = 0;
  while (true) {
    at = FindFirstOf<'<', '"', '>', '\r', '\n', '\0'>(list, at);
    if (at == list.size()) return CutEnd::kNoMarker;
    const std::string_view rest = list.substr(at);
    const char c = list[at];
    const bool end = c == '<' && StartsWith(rest, kRightEntry);
    enum { kNone, kBreak, kMarkerBreak, kSeparator, kDropped, kJoint } what = kNone;
    std::size_t marker = 1;
    if (end || c == '\0' || c == '\r' || c == '\n') {
      what = kBreak;
    } else if (c == '<' && (StartsWith(rest, kOptionEnd) || StartsWith(rest, kOptionStart))) {
      what = kMarkerBreak;
      marker = StartsWith(rest, kOptionEnd) ? kOptionEnd.size() : kOptionStart.size();
    } else if (c == '<' && StartsWith(rest, kGroupJoint) &&
               (rest.size() == kGroupJoint.size() || rest[kGroupJoint.size()] != '>')) {
      what = kJoint;
      marker = kGroupJoint.size();
    } else if (c == '"' && StartsWith(rest, kValueEnd)) {
      what = kSeparator;
      marker = kValueEnd.size();
    } else if (c == '>' && StartsWith(rest.substr(1), "\r\n")) {
      what = kDropped;
      marker = 3;
    } else if (c == '>' && (StartsWith(rest.substr(1), kOptionEnd) ||
                            StartsWith(rest.substr(1), kOptionStart))) {
      what = kDropped;
      marker =
          1 + (StartsWith(rest.substr(1), kOptionEnd) ? kOptionEnd.size() : kOptionStart.size());
    }
    if (what == kNone) {
      ++at;
      continue;
    }
    if (at > piece) {
      if (joins(list[piece])) return CutEnd::kGaveUp;
      joined = false;
      cutter.Append(list.substr(piece, at - piece));
      last = list[at - 1];
    }
    if (end) break;
    if (c == '\0') return CutEnd::kGaveUp;
    switch (what) {
      case kMarkerBreak:
        joined = false;
        cutter.Break('\r');
        cutter.Break('\n');
        last = '\n';
        break;
      case kJoint:
        if (joins('<')) return CutEnd::kGaveUp;
        joined = false;
        last = '"';
        break;
      case kSeparator:
        joined = false;
        cutter.Separator();
        last = '|';
        break;
      case kDropped:
        joined = true;
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

ChannelRows ParseNtvplusPage(std::string_view page, EmptyListCause* empty) {
  // A line that is not a channel would only add a nameless line to the list,
  // which gives no row, so it is left out; so is an option without text.
  SortedLinks links;
  const auto take = [&links](const CutLine& line) {
    if (IsChannelLine(line)) links.Add(line.Field(1), line.Field(2));
  };
  CutListInOnePass(
      page, kHeadingEnd, kRightEntry, false, empty,
      [&](std::string_view list) {
        LineCutter<2, decltype(take)> cutter('|', true, take);
        return CutOptions(list, cutter);
      },
      [&](std::string_view cut) {
        ForEachLine(TrimView(ListText(cut)),
                    [&](std::string_view line) { take(CutLine::Of(line, '|', 2)); });
      },
      [&] { links.Clear(); });
  return links.Rows(NamelessLinks::kDropped, empty);
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
