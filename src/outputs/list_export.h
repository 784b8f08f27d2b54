// The channel list saved as a file: tab-separated text, an Excel 97-2003
// workbook or an HTML page, each with a title row and the rows in table order.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "loaders/channel_row.h"

namespace brelvik {

enum class ListFormat { kText, kExcel, kHtml };

// The two column titles in the active language, UTF-8.
struct ListColumns {
  std::string name_title;
  std::string code_title;
};

// UTF-8 without a byte-order mark, name TAB code, every line ended by CR LF
// (the files mostly go to Windows users); the first line holds the titles. A
// tab, CR or LF inside a field becomes a space so that each row stays one
// line of two fields.
std::string ExportText(const ChannelRows& rows, const ListColumns& columns);

// An Excel 97-2003 workbook (BIFF8 in a compound document), strings in
// Unicode. Every sheet starts with the title row; as a sheet holds 65 536
// rows, a longer list goes on in further sheets ("Каналы", "Каналы 2", ... or
// "Channels", ... for "en") so that no row is lost.
std::string ExportExcel(const ChannelRows& rows, const ListColumns& columns,
                        std::string_view lang = "ru");

// An HTML5 page in UTF-8 with one table: a header row of the titles and one
// row per channel. `lang` is the page's language tag ("ru", "en").
std::string ExportHtml(const ChannelRows& rows, const ListColumns& columns,
                       std::string_view lang = "ru");

// The format a file name asks for by its extension, case-insensitively:
// ".txt", ".xls", ".htm" or ".html".
std::optional<ListFormat> FormatForExtension(std::string_view path);

// ".txt", ".xls" or ".htm".
std::string ExtensionFor(ListFormat format);

// The name with the format's extension appended, unless it already ends with
// it in any letter case (".html" counts for HTML too).
std::string WithExtension(std::string_view file_name, ListFormat format);

// Writes the rows in `format`, whole or not at all; throws FileWriteError.
void ExportList(const std::filesystem::path& path, ListFormat format, const ChannelRows& rows,
                const ListColumns& columns, std::string_view lang = "ru");

}  // namespace brelvik
