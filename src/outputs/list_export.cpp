// The list export: the choice of format, the text and HTML writers (the
// Excel workbook has a file of its own), and writing the file.
#include "outputs/list_export.h"

#include <algorithm>
#include <vector>

#include "outputs/excel_workbook.h"
#include "support/codepage.h"
#include "support/file_write.h"

namespace brelvik {
namespace {

bool IsRussian(std::string_view lang) { return lang.substr(0, 2) == "ru"; }

char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  const std::string_view tail = text.substr(text.size() - ending.size());
  return std::equal(tail.begin(), tail.end(), ending.begin(),
                    [](char a, char b) { return AsciiLowerChar(a) == AsciiLowerChar(b); });
}

void AppendTextField(std::string& out, std::string_view field) {
  for (const char c : field) out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

const char* HtmlEntity(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&#39;";
    default:
      return nullptr;
  }
}

void AppendHtmlText(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (const char* entity = HtmlEntity(text[i])) {
      out += entity;
      ++i;
      continue;
    }
    char32_t cp = NextCodePoint(text, i);
    // Control characters other than white space are not allowed in HTML text.
    if ((cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') || (cp >= 0x7F && cp < 0xA0)) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
}

}  // namespace

std::string ExportText(const ChannelRows& rows, const ListColumns& columns) {
  std::string out;
  std::size_t size = columns.name_title.size() + columns.code_title.size() + 3;
  for (const ChannelRow& row : rows) size += row.name.size() + row.code.size() + 3;
  out.reserve(size);
  const auto line = [&out](std::string_view name, std::string_view code) {
    AppendTextField(out, name);
    out += '\t';
    AppendTextField(out, code);
    out += "\r\n";
  };
  line(columns.name_title, columns.code_title);
  for (const ChannelRow& row : rows) line(row.name, row.code);
  return out;
}

std::string ExportExcel(const ChannelRows& rows, const ListColumns& columns,
                        std::string_view lang) {
  return ExcelWorkbook(rows, columns, lang);
}

std::string ExportHtml(const ChannelRows& rows, const ListColumns& columns, std::string_view lang) {
  std::string out;
  std::size_t size = 512;
  for (const ChannelRow& row : rows) size += row.name.size() + row.code.size() + 32;
  out.reserve(size);
  out += "<!DOCTYPE html>\n<html lang=\"";
  AppendHtmlText(out, lang);
  out += "\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  out += IsRussian(lang) ? "Список каналов" : "Channel list";
  out +=
      "</title>\n"
      "<style>table{border-collapse:collapse}th,td{border:1px solid #999;padding:2px 8px;"
      "text-align:left}</style>\n"
      "</head>\n<body>\n<table>\n<thead>\n<tr><th>";
  AppendHtmlText(out, columns.name_title);
  out += "</th><th>";
  AppendHtmlText(out, columns.code_title);
  out += "</th></tr>\n</thead>\n<tbody>\n";
  for (const ChannelRow& row : rows) {
    out += "<tr><td>";
    AppendHtmlText(out, row.name);
    out += "</td><td>";
    AppendHtmlText(out, row.code);
    out += "</td></tr>\n";
  }
  out += "</tbody>\n</table>\n</body>\n</html>\n";
  return out;
}

std::optional<ListFormat> FormatForExtension(std::string_view path) {
  if (EndsWithNoCase(path, ".txt")) return ListFormat::kText;
  if (EndsWithNoCase(path, ".xls")) return ListFormat::kExcel;
  if (EndsWithNoCase(path, ".htm") || EndsWithNoCase(path, ".html")) return ListFormat::kHtml;
  if (EndsWithNoCase(path, ".channels.xml")) return ListFormat::kGrabberChannels;
  if (EndsWithNoCase(path, ".xml")) return ListFormat::kXmltv;
  return std::nullopt;
}

std::optional<ListFormat> FormatForFilterIndex(int index) {
  constexpr ListFormat kInDialogOrder[] = {ListFormat::kText, ListFormat::kExcel, ListFormat::kHtml,
                                           ListFormat::kXmltv, ListFormat::kGrabberChannels};
  if (index < 0 || index >= static_cast<int>(std::size(kInDialogOrder))) return std::nullopt;
  return kInDialogOrder[index];
}

std::string ExtensionFor(ListFormat format) {
  switch (format) {
    case ListFormat::kText:
      return ".txt";
    case ListFormat::kExcel:
      return ".xls";
    case ListFormat::kHtml:
      return ".htm";
    case ListFormat::kXmltv:
      return ".xml";
    case ListFormat::kGrabberChannels:
      return ".channels.xml";
  }
  return {};
}

std::string WithExtension(std::string_view file_name, ListFormat format) {
  if (FormatForExtension(file_name) == format) return std::string(file_name);
  return std::string(file_name) + ExtensionFor(format);
}

ListExportRequest ListExportFor(const ChannelTable& table, ListFormat format, Language language,
                                std::string_view site_label) {
  const UiTexts& texts = TextsFor(language);
  return {format, table.Listed(), {std::string(texts.name_column), std::string(texts.code_column)},
          language == Language::kRu ? "ru" : "en", std::string(site_label)};
}

std::string ListExportBytes(const ListExportRequest& request, GuideExportReport& report) {
  const auto shown_rows = [&request] {
    ChannelRows rows;
    rows.reserve(request.channels.size());
    for (const ListedChannel& channel : request.channels) rows.push_back(channel.row);
    return rows;
  };
  switch (request.format) {
    case ListFormat::kText:
      return ExportText(shown_rows(), request.columns);
    case ListFormat::kExcel:
      return ExportExcel(shown_rows(), request.columns, request.lang);
    case ListFormat::kHtml:
      return ExportHtml(shown_rows(), request.columns, request.lang);
    case ListFormat::kXmltv:
      return ExportXmltv(request.channels, request.site_label, request.lang, report);
    case ListFormat::kGrabberChannels:
      return ExportGrabberChannels(request.channels, request.site_label, request.lang, report);
  }
  return {};
}

GuideExportReport ExportList(const std::filesystem::path& path, const ListExportRequest& request) {
  GuideExportReport report;
  WriteFileAtomically(path, ListExportBytes(request, report));
  return report;
}

GuideExportReport ExportList(const std::filesystem::path& path, ListFormat format,
                             const ChannelRows& rows, const ListColumns& columns,
                             std::string_view lang) {
  ListExportRequest request{format, {}, columns, std::string(lang), {}};
  request.channels.reserve(rows.size());
  for (const ChannelRow& row : rows) request.channels.push_back({row, row.name});
  return ExportList(path, request);
}

std::vector<std::string> ExportNotices(const GuideExportReport& report, Language language) {
  const UiTexts& texts = TextsFor(language);
  std::vector<std::string> notices;
  const auto notice = [&notices](std::string_view text, std::size_t count) {
    if (count > 0) notices.push_back(std::string(text) + std::to_string(count) + ".");
  };
  notice(texts.xml_dropped_characters, report.dropped_characters);
  notice(texts.rows_without_id, report.rows_without_id);
  notice(texts.rows_without_name, report.rows_without_name);
  notice(texts.merged_rows, report.merged_rows);
  return notices;
}

}  // namespace brelvik
