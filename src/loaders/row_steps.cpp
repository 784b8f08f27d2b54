// Row-making steps shared by the loaders: the cut, "code>name" lines,
// Windows-1251 rows, HTML references, and the sorted, distinct rows of link pages.
#include "loaders/row_steps.h"

#include <string>
#include <utility>
#include <vector>

#include "support/codepage.h"
#include "support/html_references.h"
#include "support/text.h"

namespace brelvik {

std::string CutList(std::string_view start, std::string_view page, std::string_view end,
                    EmptyListCause* cause) {
  std::string cut = TextBetween(start, page, end);
  if (cause != nullptr) {
    const std::size_t at = page.find(start);
    const bool marked = !start.empty() && !end.empty() && at != std::string_view::npos &&
                        page.find(end, at + start.size()) != std::string_view::npos;
    *cause = marked ? EmptyListCause::kNone : EmptyListCause::kMarkerMissing;
  }
  return cut;
}

void NoteEmptyList(EmptyListCause* cause, EmptyListCause what) {
  if (cause != nullptr && *cause == EmptyListCause::kNone) *cause = what;
}

void DecodeHtmlRows(ChannelRows& rows) {
  for (ChannelRow& row : rows) {
    row.name = DecodeHtmlReferences(row.name);
    row.code = DecodeHtmlReferences(row.code);
  }
}

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
                           NamelessLinks nameless, EmptyListCause* cause) {
  SortedLineList pairs;
  std::string pair;
  ForEachLine(text, [&](std::string_view line) {
    if (!is_link(line)) return;
    pair.assign(ExtractFieldView(line, 1, "|"));
    pair += '>';
    pair += ExtractFieldView(line, 2, "|");
    pairs.Add(pair);
  });

  const std::size_t held = pairs.Count();
  const std::vector<std::string> lines = ValidUtf8Lines(std::move(pairs).Lines());
  if (held > 0 && lines.empty()) NoteEmptyList(cause, EmptyListCause::kMalformedUtf8);
  ChannelRows rows;
  rows.reserve(lines.size());
  for (const std::string& line : lines) {
    ChannelRow row = RowFromPair(line);
    if (row.name.empty() && nameless == NamelessLinks::kDropped) continue;
    rows.push_back(std::move(row));
  }
  if (rows.empty()) NoteEmptyList(cause, EmptyListCause::kNoChannelLine);
  return rows;
}

}  // namespace brelvik
