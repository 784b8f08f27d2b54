// The vsetv loader: channel codes and names from the options of the site's
// channel selector.
#include <string>

#include "loaders/loaders.h"
#include "support/codepage.h"
#include "support/text.h"

namespace brelvik {

namespace {
constexpr std::string_view kOptionStart = "<option value=channel_";
constexpr std::string_view kSelectEnd = "</select>";
constexpr std::string_view kOptionEnd = "</option>";
}  // namespace

ChannelRows ParseVsetvPage(std::string_view page) {
  std::string text = TextBetween(kOptionStart, page, kSelectEnd);
  text.insert(0, kOptionStart);
  text = ReplaceAll(text, kOptionEnd, "</option>\r\n");
  text = ReplaceAll(text, kOptionStart, "");
  text = ReplaceAll(text, kOptionEnd, "");
  text = Trim(text);

  ChannelRows rows;
  for (const std::string& line : SplitLines(text)) {
    // "57>Kino Plus" becomes "Kino Plus>57": name first, then code.
    const std::string rewritten = ExtractField(line, 2, ">") + ">" + ExtractField(line, 1, ">");
    rows.push_back({ExtractField(rewritten, 1, ">"), ExtractField(rewritten, 2, ">")});
  }
  // The page is Windows-1251; the table keeps UTF-8.
  for (ChannelRow& row : rows) {
    row.name = Cp1251ToUtf8(row.name);
    row.code = Cp1251ToUtf8(row.code);
  }
  return rows;
}

Loader VsetvLoader() {
  return {
      [](const ProviderSites& sites) { return sites.Address("vsetv"); },
      [](LoadContext& ctx) {
        return ParseVsetvPage(ctx.Get(ctx.Sites().Address("vsetv") + "/channels.html"));
      },
  };
}

}  // namespace brelvik
