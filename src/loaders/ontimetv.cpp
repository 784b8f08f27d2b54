// The ontimetv loader: channel names and codes from the channel blocks of one
// category page (Windows-1251), in page order.
#include <string>
#include <vector>

#include "loaders/loaders.h"
#include "loaders/row_steps.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kLeftSide = "<div id=\"tv_left_side\">";
constexpr std::string_view kTableEnd = "</table>";
constexpr std::string_view kChannelBlock = "<div class=\"normal_div1\">";
}  // namespace

ChannelRows ParseOntimetvPage(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList(kLeftSide, page, kTableEnd, empty);
  // A block may span several lines of the page; it must become one line, so
  // both kinds of line break go. Dropping only the line feeds would leave the
  // carriage returns of a CR LF page cutting blocks into markup rows.
  text = ReplaceAll(text, "\n", "");
  text = ReplaceAll(text, "\r", "");
  text = ReplaceAll(text, kChannelBlock, "\r\n");
  // Only the bars made here may separate fields: name | ... | code | ...
  text = ReplaceAll(text, "|", "");
  text = ReplaceAll(text, "</div>", "|");
  text = ReplaceAll(text, "ch0=", "|");
  text = ReplaceAll(text, "\" title=", "|");
  text = ReplaceAll(text, "&#65533;", "");

  const std::vector<std::string> blocks = SplitLines(text);
  ChannelRows rows;
  // The first line is whatever precedes the first block.
  for (std::size_t i = 1; i < blocks.size(); ++i) {
    const std::string pair =
        Trim(ExtractField(blocks[i], 3, "|")) + ">" + ExtractField(blocks[i], 1, "|");
    if (Trim(pair) == ">") continue;  // neither code nor name
    rows.push_back(RowFromPair(pair));
  }
  // The page is Windows-1251; the table keeps UTF-8, into which the
  // references (Unicode code points whatever the page's code page) decode.
  DecodeCp1251Rows(rows);
  DecodeHtmlRows(rows);
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
