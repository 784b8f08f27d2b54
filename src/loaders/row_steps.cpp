// Row-making steps shared by the loaders: the cut, "code>name" lines,
// Windows-1251 rows, HTML references, and the sorted, distinct rows of link pages.
#include "loaders/row_steps.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/byte_scan.h"
#include "support/codepage.h"
#include "support/html_references.h"
#include "support/text.h"

namespace brelvik {

namespace {

// Decodes the references of a field in place; most fields hold none.
void DecodeHtmlField(std::string& field) {
  if (field.find('&') != std::string::npos) field = DecodeHtmlReferences(field);
}

}  // namespace

std::string_view CutList(std::string_view start, std::string_view page, std::string_view end,
                         EmptyListCause* cause) {
  // As TextBetweenView, searching the page once.
  const std::size_t at = FindMarker(page, start);
  const std::size_t stop = at == std::string_view::npos || end.empty()
                               ? std::string_view::npos
                               : FindMarker(page, end, at + start.size());
  if (cause != nullptr) {
    *cause =
        stop == std::string_view::npos ? EmptyListCause::kMarkerMissing : EmptyListCause::kNone;
  }
  if (stop == std::string_view::npos) return {};
  return page.substr(at + start.size(), stop - at - start.size());
}

void NoteEmptyList(EmptyListCause* cause, EmptyListCause what) {
  if (cause != nullptr && *cause == EmptyListCause::kNone) *cause = what;
}

void DecodeHtmlRows(ChannelRows& rows) {
  for (ChannelRow& row : rows) {
    DecodeHtmlField(row.name);
    DecodeHtmlField(row.code);
  }
}

ChannelRow RowFromPair(std::string_view line) {
  // Swapping the two fields around ">" and cutting the result again, as these
  // lines were once read, comes to the same two fields.
  return {std::string(ExtractFieldView(line, 2, ">")), std::string(ExtractFieldView(line, 1, ">"))};
}

ChannelRow Cp1251Row(std::string_view name, std::string_view code, bool html) {
  ChannelRow row;
  AppendCp1251AsUtf8(row.name, name);
  AppendCp1251AsUtf8(row.code, code);
  if (html) {
    DecodeHtmlField(row.name);
    DecodeHtmlField(row.code);
  }
  return row;
}

ChannelRow Cp1251RowFromPair(std::string_view line, bool html) {
  return Cp1251Row(ExtractFieldView(line, 2, ">"), ExtractFieldView(line, 1, ">"), html);
}

CutLine CutLine::Of(std::string_view line, char separator, int fields) {
  CutLine cut;
  const std::string_view delimiter(&separator, 1);
  for (int k = 0; k < fields; ++k) cut.fields[k] = ExtractFieldView(line, k + 1, delimiter);
  const auto count = static_cast<int>(std::count(line.begin(), line.end(), separator));
  cut.separators = std::min(count, fields);
  cut.length = std::min<std::size_t>(line.size(), 3);
  cut.first = line.empty() ? 0 : line[0];
  cut.third = line.size() < 3 ? 0 : line[2];
  return cut;
}

ChannelRows SortedLinks::Rows(NamelessLinks nameless, EmptyListCause* cause) const {
  const std::vector<std::uint32_t> order = pairs_.Order();
  ChannelRows rows;
  // Only the lines kept count: a malformed one passed over costs nothing.
  const bool valid = !pairs_.AnyMalformed() ||
                     std::all_of(order.begin(), order.end(),
                                 [this](std::uint32_t n) { return pairs_.IsValidUtf8(n); });
  if (!valid) {
    NoteEmptyList(cause, EmptyListCause::kMalformedUtf8);
  } else {
    rows.reserve(order.size());
    pairs_.ForEachLine(order, [&](std::string_view line) {
      ChannelRow row = RowFromPair(line);
      if (row.name.empty() && nameless == NamelessLinks::kDropped) return;
      DecodeHtmlField(row.name);
      DecodeHtmlField(row.code);
      rows.push_back(std::move(row));
    });
  }
  if (rows.empty()) NoteEmptyList(cause, EmptyListCause::kNoChannelLine);
  return rows;
}

ChannelRows SortedLinkRows(std::string_view text, bool (*is_link)(std::string_view line),
                           NamelessLinks nameless, EmptyListCause* cause) {
  SortedLinks links;
  ForEachLine(text, [&](std::string_view line) {
    if (is_link(line)) links.Add(ExtractFieldView(line, 1, "|"), ExtractFieldView(line, 2, "|"));
  });
  return links.Rows(nameless, cause);
}

}  // namespace brelvik
