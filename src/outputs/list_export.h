// The channel list saved as a file: tab-separated text, an Excel 97-2003
// workbook or an HTML page, each with a title row and the rows in table order;
// or, for guide grabbers, an XMLTV channel list or a grabber channel file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/channel_row.h"
#include "outputs/channel_table.h"
#include "outputs/guide_export.h"
#include "support/ui_texts.h"

namespace brelvik {

// In the order of the save dialog's filter entries.
enum class ListFormat { kText, kExcel, kHtml, kXmltv, kGrabberChannels };

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
// ".txt", ".xls", ".htm", ".html", ".channels.xml" or (any other) ".xml".
std::optional<ListFormat> FormatForExtension(std::string_view path);

// The format of the save dialog's filter entry `index` (0-based).
std::optional<ListFormat> FormatForFilterIndex(int index);

// ".txt", ".xls", ".htm", ".xml" or ".channels.xml".
std::string ExtensionFor(ListFormat format);

// The name with the format's extension appended, unless it already ends with
// it in any letter case (".html" counts for HTML too), so that the saved name
// always names its format: an XMLTV list typed as "a.channels.xml" becomes
// "a.channels.xml.xml".
std::string WithExtension(std::string_view file_name, ListFormat format);

// One export of the table.
struct ListExportRequest {
  ListFormat format = ListFormat::kText;
  ListedChannels channels;  // in table order, with the provider's names
  ListColumns columns;      // titles of the text, Excel and HTML files
  std::string lang = "ru";  // language tag of the page, the sheets and the display names
  std::string site_label;   // ": http://host", where the guide formats take the site from
};

// The request for the table as it stands, in the texts of `language`.
ListExportRequest ListExportFor(const ChannelTable& table, ListFormat format, Language language,
                                std::string_view site_label);

// The bytes of the request's file; the report tells what a guide format had
// to leave out (nothing for the others).
std::string ListExportBytes(const ListExportRequest& request, GuideExportReport& report);

// Writes the request's file, whole or not at all; throws FileWriteError. The
// report tells what a guide format had to leave out (nothing for the others).
GuideExportReport ExportList(const std::filesystem::path& path, const ListExportRequest& request);

// The same for rows that carry the names they were loaded with, from no site.
GuideExportReport ExportList(const std::filesystem::path& path, ListFormat format,
                             const ChannelRows& rows, const ListColumns& columns,
                             std::string_view lang = "ru");

// What to tell the user about a report, one text per fact; none when nothing
// was left out.
std::vector<std::string> ExportNotices(const GuideExportReport& report, Language language);

}  // namespace brelvik
