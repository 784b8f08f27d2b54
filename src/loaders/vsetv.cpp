// The vsetv loader: channel codes and names from the options of the site's
// channel selector.
#include <string>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kOptionStart = "<option value=channel_";
constexpr std::string_view kSelectEnd = "</select>";
constexpr std::string_view kOptionEnd = "</option>";
}  // namespace

ChannelRows ParseVsetvPage(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList(kOptionStart, page, kSelectEnd, empty);
  text.insert(0, kOptionStart);
  text = ReplaceAll(text, kOptionEnd, "</option>\r\n");
  text = ReplaceAll(text, kOptionStart, "");
  text = ReplaceAll(text, kOptionEnd, "");
  text = Trim(text);

  ChannelRows rows;
  for (const std::string& line : SplitLines(text)) {
    // "57>Kino Plus": code, then name.
    rows.push_back(RowFromPair(line));
  }
  // The page is Windows-1251; the table keeps UTF-8, into which the
  // references (Unicode code points whatever the page's code page) decode.
  DecodeCp1251Rows(rows);
  DecodeHtmlRows(rows);
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
