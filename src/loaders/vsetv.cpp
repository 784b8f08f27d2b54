// The vsetv loader: channel codes and names from the options of the site's
// channel selector.
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/byte_scan.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kOptionStart = "<option value=channel_";
constexpr std::string_view kSelectEnd = "</select>";
constexpr std::string_view kOptionEnd = "</option>";

// "57>Kino Plus": code, then name. The page is Windows-1251; the table keeps
// UTF-8, into which the references (Unicode code points whatever the page's
// code page) decode.
void AddRow(ChannelRows& rows, const CutLine& line) {
  rows.push_back(Cp1251Row(line.Field(2), line.Field(1), true));
}

// The list's text as the steps read it, one whole-text replacement after the
// other: each option's end becomes a line break, its start goes.
std::string ListText(std::string_view cut) {
  std::string text(kOptionStart);
  text.append(cut);
  text = ReplaceAll(text, kOptionEnd, "</option>\r\n");
  text = ReplaceAll(text, kOptionStart, "");
  return ReplaceAll(text, kOptionEnd, "");
}

// The same lines in one pass over the page from the first option start on,
// up to the first select end after it. The list is the cut with its option
// starts taken out and each option end made a line break; taking out a start
// could join the text around it into an option end that the steps would then
// take out without a break, so where the bytes on both sides could be part of
// one, the pass gives up and the steps run instead. A select end cannot start
// inside an option start or end, so the first one the pass meets is the
// list's end.
template <typename Cutter>
CutEnd CutOptions(std::string_view list, Cutter& cutter) {
  char last = '\n';     // the text's last byte before the current point
  bool joined = false;  // an option start was just taken out after `last`
  std::size_t piece = 0;
  std::size_t at = 0;
  while (true) {
    at = FindFirstOf<'<', '\r', '\n', '\0'>(list, at);
    if (at == list.size()) return CutEnd::kNoMarker;
    const std::string_view rest = list.substr(at);
    const char c = list[at];
    const bool list_end = c == '<' && at > 0 && StartsWith(rest, kSelectEnd);
    const bool option_start = c == '<' && !list_end && StartsWith(rest, kOptionStart);
    const bool option_end = c == '<' && !list_end && !option_start && StartsWith(rest, kOptionEnd);
    if (c == '<' && !list_end && !option_start && !option_end) {
      ++at;
      continue;
    }
    if (at > piece) {
      if (joined && CouldSpan(kOptionEnd, last, list[piece])) return CutEnd::kGaveUp;
      joined = false;
      cutter.Append(list.substr(piece, at - piece));
      last = list[at - 1];
    }
    if (list_end) break;
    if (c == '\0') return CutEnd::kGaveUp;
    if (option_start) {
      joined = true;
      at += kOptionStart.size();
    } else {
      joined = false;
      if (option_end) {
        cutter.Break('\r');
        cutter.Break('\n');
        last = '\n';
        at += kOptionEnd.size();
      } else {
        cutter.Break(c);
        last = c;
        ++at;
      }
    }
    piece = at;
  }
  cutter.Finish();
  return CutEnd::kAtMarker;
}

}  // namespace

ChannelRows ParseVsetvPage(std::string_view page, EmptyListCause* empty) {
  ChannelRows rows;
  const auto add = [&rows](const CutLine& line) { AddRow(rows, line); };
  CutListInOnePass(
      page, kOptionStart, kSelectEnd, true, empty,
      [&](std::string_view list) {
        LineCutter<2, decltype(add)> cutter('>', true, add);
        return CutOptions(list, cutter);
      },
      [&](std::string_view cut) {
        ForEachLine(TrimView(ListText(cut)),
                    [&](std::string_view line) { add(CutLine::Of(line, '>', 2)); });
      },
      [&] { rows.clear(); });
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoChannelLine);
  return rows;
}

Loader VsetvLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("vsetv"); },
      [](LoadContext& ctx) {
        return ParseVsetvPage(ctx.Get(ctx.Sites().Address("vsetv") + "/channels.html"),
                              &ctx.empty_list);
      },
  };
}

}  // namespace brelvik
