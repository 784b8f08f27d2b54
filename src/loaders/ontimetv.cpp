// The ontimetv loader: channel names and codes from the channel blocks of one
// category page (Windows-1251), in page order.
#include <string>
#include <vector>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/byte_scan.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kLeftSide = "<div id=\"tv_left_side\">";
constexpr std::string_view kTableEnd = "</table>";
constexpr std::string_view kChannelBlock = "<div class=\"normal_div1\">";
constexpr std::string_view kBlockEnd = "</div>";
constexpr std::string_view kCodeStart = "ch0=";
constexpr std::string_view kCodeEnd = "\" title=";
constexpr std::string_view kReplacement = "&#65533;";

// The list's text as the steps read it, one whole-text replacement after the
// other. A block may span several lines of the page; it must become one line,
// so both kinds of line break go. Dropping only the line feeds would leave the
// carriage returns of a CR LF page cutting blocks into markup rows. Only the
// bars made here may separate fields: name | ... | code | ...
std::string ListText(std::string_view cut) {
  std::string text(cut);
  std::erase(text, '\n');
  std::erase(text, '\r');
  text = ReplaceAll(text, kChannelBlock, "\r\n");
  std::erase(text, '|');
  text = ReplaceAll(text, kBlockEnd, "|");
  text = ReplaceAll(text, kCodeStart, "|");
  text = ReplaceAll(text, kCodeEnd, "|");
  return ReplaceAll(text, kReplacement, "");
}

// Whether dropping a byte between `before` and `after` could make a marker
// that a later step replaces.
bool CouldJoin(char before, char after) {
  for (const std::string_view marker :
       {kChannelBlock, kBlockEnd, kCodeStart, kCodeEnd, kReplacement}) {
    if (CouldSpan(marker, before, after)) return true;
  }
  return false;
}

// The same lines in one pass over the page after the left side's start, up to
// the table's end (whose marker cannot start inside another). The markers
// never overlap one another, and what replaces them cannot make another, so
// each is replaced where it stands unless dropping the page's line breaks or
// bars joins text into one: where the bytes on both sides could be part of
// one, the pass gives up and the steps run instead. Once a block's three
// fields are read only what starts the next block matters. A NUL byte ends
// the text, as the steps' line split reads it.
template <typename Cutter>
CutEnd CutBlocks(std::string_view list, Cutter& cutter) {
  // The bytes before the current point as the steps see them before the bars
  // go, and after: a marker stands in both as its own bytes, but a block
  // start after the bars go as its line break.
  char last = '\n';
  char last_kept = '\n';
  bool joined = false;
  const auto joins = [&](char next) {
    return joined && (CouldJoin(last, next) || CouldJoin(last_kept, next));
  };
  std::size_t piece = 0;
  std::size_t at = 0;
  while (true) {
    at = cutter.FieldsDone() ? FindFirstOf<'<', '|', '\r', '\n', '\0'>(list, at)
                             : FindFirstOf<'<', 'c', '"', '&', '|', '\r', '\n', '\0'>(list, at);
    if (at == list.size()) return CutEnd::kNoMarker;
    const std::string_view rest = list.substr(at);
    const char c = list[at];
    const bool end = c == '<' && StartsWith(rest, kTableEnd);
    std::string_view marker;
    bool dropped = false;
    if (end || c == '\0') {
    } else if (c == '\r' || c == '\n' || c == '|') {
      dropped = true;
      marker = rest.substr(0, 1);
    } else {
      for (const std::string_view m :
           {kChannelBlock, kBlockEnd, kCodeStart, kCodeEnd, kReplacement}) {
        if (m.front() == c && StartsWith(rest, m) && (m == kChannelBlock || !cutter.FieldsDone())) {
          marker = m;
        }
      }
      if (marker.empty()) {
        ++at;
        continue;
      }
    }
    if (at > piece) {
      if (joins(list[piece])) return CutEnd::kGaveUp;
      joined = false;
      cutter.Append(list.substr(piece, at - piece));
      last = last_kept = list[at - 1];
    }
    if (end) break;
    if (c == '\0') {
      // The line split reads a NUL byte as the text's end, yet the list is
      // there only if its end marker is.
      cutter.Finish();
      return FindMarker(list, kTableEnd, at) == std::string_view::npos ? CutEnd::kNoMarker
                                                                       : CutEnd::kAtMarker;
    }
    if (dropped) {
      joined = true;
      if (c == '|') last = '|';
    } else {
      if (joins(c)) return CutEnd::kGaveUp;
      joined = false;
      last = marker.back();
      last_kept = marker.back();
      if (marker == kChannelBlock) {
        cutter.Break('\r');
        cutter.Break('\n');
        last_kept = '\n';
      } else if (marker != kReplacement) {
        cutter.Separator();
      }
    }
    at += marker.size();
    piece = at;
  }
  cutter.Finish();
  return CutEnd::kAtMarker;
}

}  // namespace

ChannelRows ParseOntimetvPage(std::string_view page, EmptyListCause* empty) {
  ChannelRows rows;
  std::size_t index = 0;
  std::string pair;
  const auto take = [&](const CutLine& block) {
    // The first line is whatever precedes the first block.
    if (index++ == 0) return;
    pair.assign(TrimView(block.Field(3)));
    pair += '>';
    pair += block.Field(1);
    if (TrimView(pair) == ">") return;  // neither code nor name
    // The page is Windows-1251; the table keeps UTF-8, into which the
    // references (Unicode code points whatever the page's code page) decode.
    rows.push_back(Cp1251RowFromPair(pair, true));
  };
  CutListInOnePass(
      page, kLeftSide, kTableEnd, false, empty,
      [&](std::string_view list) {
        LineCutter<3, decltype(take)> cutter('|', false, take);
        return CutBlocks(list, cutter);
      },
      [&](std::string_view cut) {
        ForEachLine(ListText(cut), [&](std::string_view line) { take(CutLine::Of(line, '|', 3)); });
      },
      [&] {
        rows.clear();
        index = 0;
      });
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoChannelLine);
  return rows;
}

Loader OntimetvLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("ontimetv"); },
      [](LoadContext& ctx) {
        return ParseOntimetvPage(ctx.Get(ctx.Sites().Address("ontimetv") + "/tv/?cat=11"),
                                 &ctx.empty_list);
      },
  };
}

}  // namespace brelvik
