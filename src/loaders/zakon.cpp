// The zakon loader: channel codes and names from the "channels" object that
// a script of the television site's front page declares (Windows-1251).
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kObjectStart = "var channels = {";
constexpr std::string_view kObjectEnd = "};";
}  // namespace

ChannelRows ParseZakonPage(std::string_view page, EmptyListCause* empty) {
  ChannelRows rows;
  // One entry per line: 'key':{'id':'CODE','name':'NAME',...}, read by
  // position, so a comma or colon inside a name cuts it there. A script's
  // strings are not HTML: "&amp;" there stays as it is.
  const std::string_view object = TrimView(CutList(kObjectStart, page, kObjectEnd, empty));
  std::string joined;
  std::string pair;
  ForEachLine(object, [&](std::string_view line) {
    joined.assign(ExtractFieldView(line, 1, ","));
    joined += ':';
    joined += ExtractFieldView(line, 2, ",");
    pair.assign(ExtractFieldView(joined, 3, ":"));
    pair += '>';
    pair += ExtractFieldView(joined, 5, ":");
    std::erase(pair, '\'');
    // The page is Windows-1251; the table keeps UTF-8.
    rows.push_back(Cp1251RowFromPair(pair, false));
  });
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
