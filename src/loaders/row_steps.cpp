// Row-making steps shared by the loaders: "code>name" lines, Windows-1251
// rows, and the sorted, distinct rows of link pages.
#include "loaders/row_steps.h"

#include <string>
#include <utility>
#include <vector>

#include "support/codepage.h"
#include "support/text.h"

namespace brelvik {

ChannelRow RowFromPair(std::string_view line) {
  // Swapping the two fields around ">" and cutting the result again, as these
  // lines were once read, comes to the same two fields.
  return {std::string(ExtractFieldView(line, 2, ">")), std::string(ExtractFieldView(line, 1, ">"))};
}

void DecodeCp1251Rows(ChannelRows& rows) {
  for (ChannelRow& row : rows) {
    row.name = Cp1251ToUtf8(row.name);
    row.code = Cp1251ToUtf8(row.code);
  }
}

ChannelRows SortedLinkRows(std::string_view text, bool (*is_link)(std::string_view line),
                           NamelessLinks nameless) {
  SortedLineList pairs;
  std::string pair;
  ForEachLine(text, [&](std::string_view line) {
    if (!is_link(line)) return;
    pair.assign(ExtractFieldView(line, 1, "|"));
    pair += '>';
    pair += ExtractFieldView(line, 2, "|");
    pairs.Add(pair);
  });

  const std::vector<std::string> lines = ValidUtf8Lines(std::move(pairs).Lines());
  ChannelRows rows;
  rows.reserve(lines.size());
  for (const std::string& line : lines) {
    ChannelRow row = RowFromPair(line);
    if (row.name.empty() && nameless == NamelessLinks::kDropped) continue;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace brelvik
