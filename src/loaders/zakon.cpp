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
  const std::string object = Trim(CutList(kObjectStart, page, kObjectEnd, empty));
  for (const std::string& line : SplitLines(object)) {
    const std::string joined = ExtractField(line, 1, ",") + ":" + ExtractField(line, 2, ",");
    const std::string pair =
        ReplaceAll(ExtractField(joined, 3, ":") + ">" + ExtractField(joined, 5, ":"), "'", "");
    rows.push_back(RowFromPair(pair));
  }
  // The page is Windows-1251; the table keeps UTF-8.
  DecodeCp1251Rows(rows);
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
