// Steps the loaders share to turn the lines cut from a provider's page into
// channel rows.
#pragma once

#include <string>
#include <string_view>

#include "loaders/channel_row.h"
#include "loaders/empty_list.h"

namespace brelvik {

// TextBetween(start, page, end); also sets `*cause` (when given) to
// kMarkerMissing when either marker is missing, to kNone otherwise.
std::string CutList(std::string_view start, std::string_view page, std::string_view end,
                    EmptyListCause* cause);

// Sets `*cause` to `what` unless it is not given or already says why.
void NoteEmptyList(EmptyListCause* cause, EmptyListCause what);

// Decodes the HTML character references in the name and code of every row.
void DecodeHtmlRows(ChannelRows& rows);

// The row of a "code>name" line: its second field at ">" is the name, its
// first the code, so a name holding ">" keeps its first part and a line
// without ">" is both name and code.
ChannelRow RowFromPair(std::string_view line);

// Decodes the rows cut from a Windows-1251 page to the table's UTF-8.
void DecodeCp1251Rows(ChannelRows& rows);

// What becomes of a link whose text is empty.
enum class NamelessLinks { kKept, kDropped };

// The sorted, distinct rows of a UTF-8 link page. Each line of `text` (split
// as SplitLines does) that `is_link` accepts is read as "value|text" (first and
// second field at "|") and held as "value>text" in a SortedLineList, which
// passes over lines equal but for case. Each held line, in the list's order,
// then gives RowFromPair's row. If any held line is not well-formed UTF-8
// there are no rows at all, and `*cause` (when given) is noted kMalformedUtf8;
// when no line gives a row it is noted kNoChannelLine.
ChannelRows SortedLinkRows(std::string_view text, bool (*is_link)(std::string_view line),
                           NamelessLinks nameless, EmptyListCause* cause = nullptr);

}  // namespace brelvik
