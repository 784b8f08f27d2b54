// The zakon loader: channel codes and names from the "channels" object that
// a script of the television site's front page declares (Windows-1251).
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/byte_scan.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kObjectStart = "var channels = {";
constexpr std::string_view kObjectEnd = "};";
// The object's lines in one pass over the page after its start, up to its
// end (which, "};", is the first one after the start); false (given up) for a
// NUL byte, which the steps' line split reads as the text's end but the trim
// before it does not.
template <typename Cutter>
CutEnd CutEntries(std::string_view list, Cutter& cutter) {
  std::size_t piece = 0;
  std::size_t at = 0;
  while (true) {
    at = FindFirstOf<'}', '\r', '\n', '\0'>(list, at);
    if (at == list.size()) return CutEnd::kNoMarker;
    const char c = list[at];
    if (c == '}' && !StartsWith(list.substr(at), kObjectEnd)) {
      ++at;
      continue;
    }
    if (at > piece) cutter.Append(list.substr(piece, at - piece));
    if (c == '}') break;
    if (c == '\0') return CutEnd::kGaveUp;
    cutter.Break(c);
    piece = ++at;
  }
  cutter.Finish();
  return CutEnd::kAtMarker;
}

}  // namespace

ChannelRows ParseZakonPage(std::string_view page, EmptyListCause* empty) {
  ChannelRows rows;
  // One entry per line: 'key':{'id':'CODE','name':'NAME',...}, read by
  // position, so a comma or colon inside a name cuts it there. A script's
  // strings are not HTML: "&amp;" there stays as it is.
  std::string joined;
  std::string pair;
  const auto take = [&](const CutLine& line) {
    joined.assign(line.Field(1));
    joined += ':';
    joined += line.Field(2);
    pair.assign(ExtractFieldView(joined, 3, ":"));
    pair += '>';
    pair += ExtractFieldView(joined, 5, ":");
    std::erase(pair, '\'');
    // The page is Windows-1251; the table keeps UTF-8.
    rows.push_back(Cp1251RowFromPair(pair, false));
  };
  CutListInOnePass(
      page, kObjectStart, kObjectEnd, false, empty,
      [&](std::string_view list) {
        LineCutter<2, decltype(take)> cutter(',', true, take);
        return CutEntries(list, cutter);
      },
      [&](std::string_view cut) {
        ForEachLine(TrimView(cut), [&](std::string_view line) { take(CutLine::Of(line, ',', 2)); });
      },
      [&] { rows.clear(); });
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoChannelLine);
  return rows;
}

Loader ZakonLoader() {
  return {
      // Only the main site is probed; the list comes from the television site.
      [](const ProviderSites& sites) { return sites.Address("zakon"); },
      [](LoadContext& ctx) {
        return ParseZakonPage(ctx.Get(ctx.Sites().Address("zakon.tv") + "/"), &ctx.empty_list);
      },
  };
}

}  // namespace brelvik
