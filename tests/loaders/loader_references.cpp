// The loader bodies as first written, step by step; see loader_references.h.
#include "loaders/loader_references.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <iterator>
#include <stdexcept>
#include <utility>

#include "support/codepage.h"
#include "support/html_references.h"
#include "support/text.h"

namespace brelvik::test {

ReferenceSortedLines::ReferenceSortedLines() {
  UErrorCode status = U_ZERO_ERROR;
  collator_.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !collator_) throw std::runtime_error("cannot create the collator");
  collator_->setStrength(icu::Collator::SECONDARY);
}

ReferenceSortedLines::~ReferenceSortedLines() = default;

bool ReferenceSortedLines::Add(const std::string& line) {
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(line);
  std::string key(collator_->getSortKey(text, nullptr, 0), '\0');
  collator_->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                        static_cast<int32_t>(key.size()));
  key.pop_back();  // the terminating zero byte
  return lines_.emplace(key, line).second;
}

std::vector<std::string> ReferenceSortedLines::Sorted() const {
  std::vector<std::string> lines;
  for (const auto& [key, line] : lines_) lines.push_back(line);
  return lines;
}

namespace {

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

// "code>name": swap the fields around ">", then cut the result again.
ChannelRow RowFromPair(const std::string& line) {
  const std::string rewritten = ExtractField(line, 2, ">") + ">" + ExtractField(line, 1, ">");
  return {ExtractField(rewritten, 1, ">"), ExtractField(rewritten, 2, ">")};
}

void DecodeCp1251Rows(ChannelRows& rows) {
  for (ChannelRow& row : rows) {
    row.name = Cp1251ToUtf8(row.name);
    row.code = Cp1251ToUtf8(row.code);
  }
}

enum class Nameless { kKept, kDropped };

ChannelRows SortedLinkRows(const std::string& text, bool (*is_link)(const std::string& line),
                           Nameless nameless, EmptyListCause* cause) {
  ReferenceSortedLines pairs;
  for (const std::string& line : SplitLines(text)) {
    if (!is_link(line)) continue;
    pairs.Add(ExtractField(line, 1, "|") + ">" + ExtractField(line, 2, "|"));
  }
  const std::size_t held = pairs.Count();
  const std::vector<std::string> lines = ValidUtf8Lines(pairs.Sorted());
  if (held > 0 && lines.empty()) NoteEmptyList(cause, EmptyListCause::kMalformedUtf8);
  ChannelRows rows;
  for (const std::string& line : lines) {
    ChannelRow row = RowFromPair(line);
    if (row.name.empty() && nameless == Nameless::kDropped) continue;
    rows.push_back(std::move(row));
  }
  if (rows.empty()) NoteEmptyList(cause, EmptyListCause::kNoChannelLine);
  return rows;
}

}  // namespace

ChannelRows ParseVsetvPageReference(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList("<option value=channel_", page, "</select>", empty);
  text.insert(0, "<option value=channel_");
  text = ReplaceAll(text, "</option>", "</option>\r\n");
  text = ReplaceAll(text, "<option value=channel_", "");
  text = ReplaceAll(text, "</option>", "");
  text = Trim(text);
  ChannelRows rows;
  for (const std::string& line : SplitLines(text)) rows.push_back(RowFromPair(line));
  DecodeCp1251Rows(rows);
  DecodeHtmlRows(rows);
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoChannelLine);
  return rows;
}

ChannelRows ParseTeleguidePageReference(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList("<div id=\"programm_group\">", page, "<div id=\"footer\">", empty);
  text = ReplaceAll(text, "<div id=\"programm_group\">", "\r\n");
  text = ReplaceAll(text, "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal",
                    "");
  text = ReplaceAll(text, ".html\" title=\"", "|");
  text = ReplaceAll(text, "\"alt=\"", "|");
  text = Trim(text);
  ChannelRows rows = SortedLinkRows(
      text,
      [](const std::string& line) { return !line.empty() && line[0] >= '0' && line[0] <= '9'; },
      Nameless::kKept, empty);
  DecodeHtmlRows(rows);
  return rows;
}

ChannelRows ParseAkadoPageReference(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList("</a></th></tr></thead>", page, "class=\"tv-special\"", empty);
  text = ReplaceAll(text, "<a href=\"", "\r\n");
  text = ReplaceAll(text, ".html\">", "|");
  text = ReplaceAll(text, "</a>", "\r\n");
  text = Trim(text);
  ChannelRows links = SortedLinkRows(
      text, [](const std::string& line) { return line.find('|') != std::string::npos; },
      Nameless::kDropped, empty);
  DecodeHtmlRows(links);
  ChannelRows rows{
      {"Кинорейс 1", "3456"},  {"Кинорейс 2", "3457"},  {"Кинорейс 3", "3463"},
      {"Кинорейс 4", "47461"}, {"Кинорейс 5", "52580"},
  };
  rows.insert(rows.end(), std::make_move_iterator(links.begin()),
              std::make_move_iterator(links.end()));
  return rows;
}

ChannelRows ParseNtvplusPageReference(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList("</a></h1></div>", page, "<div class=\"rightentry\">", empty);
  text = ReplaceAll(text, "</option>", "\r\n");
  text = ReplaceAll(text, "<option value=\"", "\r\n");
  text = ReplaceAll(text, "\">", "|");
  text = ReplaceAll(text, ">\r\n", "");
  text = ReplaceAll(text, "</optgroup><optgroup label=\"", "");
  text = Trim(text);
  ChannelRows rows = SortedLinkRows(
      text,
      [](const std::string& line) {
        if (line.empty() || line[0] < '0' || line[0] > '9') return false;
        return line.size() < 3 || line[2] != '.';
      },
      Nameless::kDropped, empty);
  DecodeHtmlRows(rows);
  return rows;
}

ChannelRows ParseOntimetvPageReference(std::string_view page, EmptyListCause* empty) {
  std::string text = CutList("<div id=\"tv_left_side\">", page, "</table>", empty);
  text = ReplaceAll(text, "\n", "");
  text = ReplaceAll(text, "\r", "");
  text = ReplaceAll(text, "<div class=\"normal_div1\">", "\r\n");
  text = ReplaceAll(text, "|", "");
  text = ReplaceAll(text, "</div>", "|");
  text = ReplaceAll(text, "ch0=", "|");
  text = ReplaceAll(text, "\" title=", "|");
  text = ReplaceAll(text, "&#65533;", "");
  const std::vector<std::string> blocks = SplitLines(text);
  ChannelRows rows;
  for (std::size_t i = 1; i < blocks.size(); ++i) {
    const std::string pair =
        Trim(ExtractField(blocks[i], 3, "|")) + ">" + ExtractField(blocks[i], 1, "|");
    if (Trim(pair) == ">") continue;
    rows.push_back(RowFromPair(pair));
  }
  DecodeCp1251Rows(rows);
  DecodeHtmlRows(rows);
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoChannelLine);
  return rows;
}

ChannelRows ParseZakonPageReference(std::string_view page, EmptyListCause* empty) {
  ChannelRows rows;
  const std::string object = Trim(CutList("var channels = {", page, "};", empty));
  for (const std::string& line : SplitLines(object)) {
    const std::string joined = ExtractField(line, 1, ",") + ":" + ExtractField(line, 2, ",");
    const std::string pair =
        ReplaceAll(ExtractField(joined, 3, ":") + ">" + ExtractField(joined, 5, ":"), "'", "");
    rows.push_back(RowFromPair(pair));
  }
  DecodeCp1251Rows(rows);
  if (rows.empty()) NoteEmptyList(empty, EmptyListCause::kNoChannelLine);
  return rows;
}

ChannelRows ParseBuiltinListReference(std::string_view text) {
  ChannelRows rows;
  for (const std::string& line : SplitLines(text)) {
    rows.push_back({ExtractField(line, 1, ";"), ExtractField(line, 2, ";")});
  }
  return rows;
}

namespace {

std::string TricolorCleanedText(std::string_view page, EmptyListCause* empty) {
  std::string text =
      CutList("<div class=\"check-group\">", page, "<table class=\"redbutton\">", empty);
  const std::pair<const char*, const char*> steps[] = {
      {"\n", ""},
      {"\t", ""},
      {"</label>", "</label>\r"},
      {"<div id=\"fav-ch-4\" class=\"active\">", ""},
      {"<label><input type=\"checkbox\" value=", ""},
      {" name=\"fc\"><span", ""},
      {"</span></label>", ""},
      {"\"", ""}};
  for (const auto& [from, to] : steps) text = ReplaceAll(text, from, to);
  for (int n = 1; n <= 40; ++n) {
    text = ReplaceAll(text, "</div><div id=fav-ch-" + std::to_string(n) + ">", "");
  }
  return ReplaceAll(text, "</div>", "");
}

}  // namespace

std::vector<std::string> TricolorReferenceLines(std::string_view page) {
  return SplitLines(ValidUtf8(TricolorCleanedText(page, nullptr)));
}

TricolorPage ParseTricolorPageReference(std::string_view page) {
  TricolorPage result;
  const std::string cleaned = TricolorCleanedText(page, &result.empty_list);
  result.lines = SplitLines(ValidUtf8(cleaned));
  if (!IsValidUtf8(cleaned)) NoteEmptyList(&result.empty_list, EmptyListCause::kMalformedUtf8);
  std::vector<std::string> pairs;
  for (std::size_t i = 1; i < result.lines.size(); ++i) {
    const std::string& line = result.lines[i];
    if (Trim(line).empty()) continue;
    pairs.push_back(Trim(ExtractField(line, 3, "|")) + ">" + ExtractField(line, 1, "|"));
  }
  for (const std::string& pair : pairs) {
    const std::string row_line =
        Trim(ExtractField(pair, 1, "|") + ">" + ExtractField(pair, 3, "|"));
    result.rows.push_back(RowFromPair(row_line));
  }
  DecodeHtmlRows(result.rows);
  if (result.rows.empty()) NoteEmptyList(&result.empty_list, EmptyListCause::kNoChannelLine);
  return result;
}

ChannelRow ChannelPackageRowReference(std::string_view name, std::string_view code) {
  const std::string line = std::string(name) + ">" + std::string(code);
  return {ExtractField(line, 1, ">"), ExtractField(line, 2, ">")};
}

}  // namespace brelvik::test
