// The list export: text bytes, and the workbook and the page read back by
// independent readers (python3-xlrd, Python's html.parser), every cell in order.
#include "outputs/list_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_write.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

namespace fs = std::filesystem;

const ListColumns kRussianTitles{"Название канала", "Код канала"};

using test::ReadFile;
using test::TempDir;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// A Python 3 that can import `module`: the one on PATH, else the system's,
// where the distribution's python3-xlrd lives.
std::optional<std::string> PythonWith(const std::string& module) {
  for (const std::string candidate : {"python3", "/usr/bin/python3"}) {
    const std::string probe = candidate + " -c 'import " + module + "' >/dev/null 2>&1";
    if (std::system(probe.c_str()) == 0) return candidate;
  }
  return std::nullopt;
}

// Runs `script` on `file`; its standard output and error, and whether it exited 0.
std::pair<std::string, bool> RunPython(const std::string& python, const fs::path& dir,
                                       const std::string& script, const fs::path& file) {
  const fs::path script_path = dir / "reader.py";
  std::ofstream(script_path) << script;
  const std::string command =
      python + " '" + script_path.string() + "' '" + file.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return {"popen failed", false};
  std::string output;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return {output, status == 0};
}

// Prints what xlrd reads, one line per fact: warnings it logged, the code
// page, CONTINUE records after the SST, the compound document's DIFAT
// sectors, then per sheet its name and every row (cells joined by \x1f).
constexpr const char* kXlrdReader = R"(
import io, struct, sys, xlrd
from xlrd import compdoc
path = sys.argv[1]
log = io.StringIO()
book = xlrd.open_workbook(path, logfile=log, formatting_info=True)
data = open(path, 'rb').read()
stream = compdoc.CompDoc(data, logfile=log).get_named_stream('Workbook')
continues, pos, after_sst = 0, 0, False
while pos + 4 <= len(stream):
    rc, size = struct.unpack_from('<HH', stream, pos)
    if rc == 0x00FC:
        after_sst = True
    elif rc == 0x003C and after_sst:
        continues += 1
    elif rc != 0:
        after_sst = False
    pos += 4 + size
out = ['warning\t' + line for line in log.getvalue().splitlines() if line.strip()]
out.append('codepage\t%d' % book.codepage)
out.append('continues\t%d' % continues)
out.append('difat\t%d' % struct.unpack_from('<I', data, 0x48)[0])
for sheet in book.sheets():
    out.append('sheet\t%s\t%d\t%d' % (sheet.name, sheet.nrows, sheet.ncols))
    title_font = book.font_list[book.xf_list[sheet.cell_xf_index(0, 0)].font_index]
    out.append('title bold\t%d' % title_font.bold)
    for r in range(sheet.nrows):
        cells = sheet.row(r)
        if any(c.ctype != xlrd.XL_CELL_TEXT for c in cells):
            out.append('not text\t%d' % r)
        out.append('row\t' + '\x1f'.join(c.value for c in cells))
sys.stdout.buffer.write(('\n'.join(out) + '\n').encode('utf-8'))
)";

struct ReadSheet {
  std::string name;
  bool title_bold = false;
  std::vector<std::vector<std::string>> rows;
};

struct ReadBook {
  std::vector<std::string> warnings;
  std::vector<std::string> other;
  int codepage = 0;
  int continues = 0;
  int difat_sectors = 0;
  std::vector<ReadSheet> sheets;
};

ReadBook ParseXlrdOutput(const std::string& output) {
  ReadBook book;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    const std::string key = line.substr(0, tab);
    const std::string value = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (key == "warning") {
      book.warnings.push_back(value);
    } else if (key == "codepage") {
      book.codepage = std::stoi(value);
    } else if (key == "continues") {
      book.continues = std::stoi(value);
    } else if (key == "difat") {
      book.difat_sectors = std::stoi(value);
    } else if (key == "sheet") {
      book.sheets.push_back({Split(value, '\t').front(), false, {}});
    } else if (key == "title bold" && !book.sheets.empty()) {
      book.sheets.back().title_bold = value == "1";
    } else if (key == "row" && !book.sheets.empty()) {
      book.sheets.back().rows.push_back(Split(value, '\x1f'));
    } else if (!line.empty()) {
      book.other.push_back(line);
    }
  }
  return book;
}

class ExcelExport : public ::testing::Test {
 protected:
  // Writes the workbook through ExportList and reads it back with xlrd.
  ReadBook WriteAndRead(const ChannelRows& rows, std::string_view lang = "ru") {
    const std::optional<std::string> python = PythonWith("xlrd");
    if (!python) return {};
    const fs::path file = dir_.path() / "list.xls";
    ExportList(file, ListFormat::kExcel, rows, kRussianTitles, lang);
    const std::string bytes = ReadFile(file);
    EXPECT_EQ(bytes.substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    EXPECT_EQ(bytes.size() % 512, 0u);
    const auto [output, ok] = RunPython(*python, dir_.path(), kXlrdReader, file);
    EXPECT_TRUE(ok) << output.substr(0, 4000);
    ReadBook book = ParseXlrdOutput(output);
    EXPECT_TRUE(book.warnings.empty()) << output.substr(0, 4000);
    EXPECT_TRUE(book.other.empty()) << output.substr(0, 4000);
    EXPECT_EQ(book.codepage, 1200);
    return book;
  }

  void SetUp() override {
    if (!PythonWith("xlrd")) GTEST_SKIP() << "python3 with xlrd is not installed";
  }

  TempDir dir_;
};

// Every sheet starts with the title row and carries the next channels in order.
void ExpectRows(const ReadBook& book, const ChannelRows& rows,
                const std::vector<std::string>& sheet_names) {
  ASSERT_EQ(book.sheets.size(), sheet_names.size());
  std::size_t next = 0;
  for (std::size_t s = 0; s < book.sheets.size(); ++s) {
    const ReadSheet& sheet = book.sheets[s];
    EXPECT_EQ(sheet.name, sheet_names[s]);
    ASSERT_FALSE(sheet.rows.empty());
    EXPECT_EQ(sheet.rows[0],
              (std::vector<std::string>{kRussianTitles.name_title, kRussianTitles.code_title}));
    EXPECT_TRUE(sheet.title_bold);
    for (std::size_t r = 1; r < sheet.rows.size(); ++r, ++next) {
      ASSERT_LT(next, rows.size());
      ASSERT_EQ(sheet.rows[r], (std::vector<std::string>{rows[next].name, rows[next].code}))
          << "sheet " << s << " row " << r;
    }
  }
  EXPECT_EQ(next, rows.size());
}

// Cyrillic (UTF-16 in the file), Latin-1 and ASCII (8-bit), a character
// beyond the BMP (a surrogate pair), duplicates and an empty name.
ChannelRows MixedRows(std::size_t count) {
  ChannelRows rows;
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    switch (i % 5) {
      case 0:
        rows.push_back({"Первый канал " + n, n});
        break;
      case 1:
        rows.push_back({"Channel " + n, "c" + n});
        break;
      case 2:
        rows.push_back({"Télé Ünïcode " + n, n});
        break;
      case 3:
        rows.push_back({"Кино 🎬 " + n, n});
        break;
      default:
        rows.push_back({"Россия 1", "101"});
        break;
    }
  }
  return rows;
}

TEST_F(ExcelExport, SmallTableEveryCellInOrder) {
  const ChannelRows rows = {{"Первый канал", "1"}, {"НТВ", "4"},        {"BBC World", "bbc"},
                            {"", "empty-name"},    {"Россия 1", "101"}, {"Россия 1", "101"},
                            {"Кино 🎬", "7"}};
  const ReadBook book = WriteAndRead(rows);
  ExpectRows(book, rows, {"Каналы"});
  EXPECT_EQ(book.continues, 0);
}

TEST_F(ExcelExport, EmptyTableHoldsOnlyTitles) {
  const ReadBook book = WriteAndRead({}, "en");
  ExpectRows(book, {}, {"Channels"});
  ASSERT_EQ(book.sheets.size(), 1u);
  EXPECT_EQ(book.sheets[0].rows.size(), 1u);
}

// 20 000 rows make an SST of several records: strings split across CONTINUE
// records in both 8-bit and UTF-16 form.
TEST_F(ExcelExport, SharedStringsRunIntoContinueRecords) {
  const ChannelRows rows = MixedRows(20000);
  const ReadBook book = WriteAndRead(rows);
  ExpectRows(book, rows, {"Каналы"});
  EXPECT_GT(book.continues, 10);
}

// Strings longer than a record: each split must keep surrogate pairs whole
// and repeat the option byte. Different lead-ins move the split points.
TEST_F(ExcelExport, LongStringsSplitOverSeveralRecords) {
  std::string emoji;
  for (int i = 0; i < 3000; ++i) emoji += "🎬";
  std::string latin(20000, 'a');
  ChannelRows rows;
  for (int lead = 0; lead < 6; ++lead) {
    rows.push_back({std::string(lead, 'x') + emoji, "e" + std::to_string(lead)});
    rows.push_back({std::string(lead, 'y') + latin, "l" + std::to_string(lead)});
  }
  std::string too_long;
  for (int i = 0; i < 33000; ++i) too_long += "Ж";
  rows.push_back({too_long, "cut"});
  const ReadBook book = WriteAndRead(rows);
  ChannelRows expected = rows;
  expected.back().name.resize(32767 * 2);  // a cell holds 32 767 characters
  ExpectRows(book, expected, {"Каналы"});
  EXPECT_GT(book.continues, 10);
}

// A sheet holds 65 536 rows (titles and 65 535 channels); the rest go on in
// a second sheet. The file is big enough to need DIFAT sectors.
TEST_F(ExcelExport, LongListGoesOnInASecondSheet) {
  ChannelRows rows = MixedRows(70000);
  for (ChannelRow& row : rows) row.name += " — a longer name that makes the file larger";
  const ReadBook book = WriteAndRead(rows);
  ExpectRows(book, rows, {"Каналы", "Каналы 2"});
  ASSERT_EQ(book.sheets.size(), 2u);
  EXPECT_EQ(book.sheets[0].rows.size(), 65536u);
  EXPECT_EQ(book.sheets[1].rows.size(), 70000u - 65535u + 1u);
  EXPECT_GT(book.difat_sectors, 0);
}

TEST(TextExport, TabSeparatedCrLfLines) {
  const ChannelRows rows = {{"Первый канал", "1"}, {"", "2"}, {"Tab\there", "line\nbreak\r"}};
  EXPECT_EQ(ExportText(rows, kRussianTitles),
            "Название канала\tКод канала\r\n"
            "Первый канал\t1\r\n"
            "\t2\r\n"
            "Tab here\tline break \r\n");
  EXPECT_EQ(ExportText({}, {"Name", "Code"}), "Name\tCode\r\n");
}

// Prints the page's doctype, language, charset, title, table count, nesting
// errors, then every table row as section, cell tag and text.
constexpr const char* kHtmlReader = R"(
import sys
from html.parser import HTMLParser
VOID = {'meta', 'br', 'link', 'img', 'hr', 'input'}
class Reader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.out, self.stack, self.row, self.cell, self.section = [], [], None, None, ''
        self.title, self.tables = None, 0
    def handle_decl(self, decl):
        self.out.append('doctype\t' + decl)
    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == 'html':
            self.out.append('lang\t' + str(attrs.get('lang')))
        if tag == 'meta' and 'charset' in attrs:
            self.out.append('charset\t' + attrs['charset'])
        if tag in VOID:
            return
        self.stack.append(tag)
        if tag == 'table':
            self.tables += 1
        elif tag in ('thead', 'tbody'):
            self.section = tag
        elif tag == 'tr':
            self.row = []
        elif tag in ('th', 'td'):
            self.cell = ''
        elif tag == 'title':
            self.title = ''
    def handle_endtag(self, tag):
        if not self.stack or self.stack.pop() != tag:
            self.out.append('nesting\t' + tag)
        if tag in ('th', 'td'):
            self.row.append(tag + ':' + self.cell)
            self.cell = None
        elif tag == 'tr':
            self.out.append('row\t' + self.section + '\x1f' + '\x1f'.join(self.row))
        elif tag == 'title':
            self.out.append('title\t' + self.title)
    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        elif self.stack and self.stack[-1] == 'title':
            self.title += data
reader = Reader()
reader.feed(open(sys.argv[1], encoding='utf-8', errors='strict').read())
reader.close()
if reader.stack:
    reader.out.append('unclosed\t' + ' '.join(reader.stack))
reader.out.append('tables\t%d' % reader.tables)
sys.stdout.buffer.write(('\n'.join(reader.out) + '\n').encode('utf-8'))
)";

std::vector<std::string> HtmlRow(const std::string& section, const std::string& tag,
                                 const std::string& name, const std::string& code) {
  return {section, tag + ":" + name, tag + ":" + code};
}

TEST(HtmlExport, ParsedPageHoldsEveryCellEscapedAndInOrder) {
  const std::optional<std::string> python = PythonWith("html.parser");
  if (!python) GTEST_SKIP() << "python3 is not installed";
  struct Case {
    ChannelRows rows;
    std::string lang;
    std::string title;
  };
  const Case cases[] = {
      {{{"Первый канал", "1"},
        {"<b>Tom & \"Jerry\"</b>", "a&b"},
        {"It's > 5 &amp; more", "<1>"},
        {"", "7"},
        {"Кино 🎬", "8"}},
       "ru",
       "Список каналов"},
      {{}, "en", "Channel list"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const fs::path file = dir.path() / "list.htm";
    ExportList(file, ListFormat::kHtml, c.rows, kRussianTitles, c.lang);
    const std::string page = ReadFile(file);
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
    const auto [output, ok] = RunPython(*python, dir.path(), kHtmlReader, file);
    ASSERT_TRUE(ok) << output;

    std::vector<std::string> expected = {"doctype\tDOCTYPE html", "lang\t" + c.lang,
                                         "charset\tutf-8", "title\t" + c.title};
    std::vector<std::vector<std::string>> expected_rows = {
        HtmlRow("thead", "th", kRussianTitles.name_title, kRussianTitles.code_title)};
    for (const ChannelRow& row : c.rows) {
      expected_rows.push_back(HtmlRow("tbody", "td", row.name, row.code));
    }
    std::vector<std::string> facts;
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Split(output, '\n')) {
      if (line.rfind("row\t", 0) == 0) {
        rows.push_back(Split(line.substr(4), '\x1f'));
      } else if (!line.empty() && line != "tables\t1") {
        facts.push_back(line);
      }
    }
    EXPECT_NE(output.find("tables\t1\n"), std::string::npos) << output;
    EXPECT_EQ(facts, expected);
    EXPECT_EQ(rows, expected_rows);
  }
}

TEST(HtmlExport, ControlCharactersAndBrokenUtf8BecomeReplacementCharacters) {
  const std::string page = ExportHtml({{"a\x01"
                                        "b\xFF"
                                        "c",
                                        "\xD0"}},
                                      {"N", "C"});
  EXPECT_NE(page.find("<td>a\uFFFDb\uFFFDc</td><td>\uFFFD</td>"), std::string::npos);
}

TEST(ListFormats, ExtensionsAndFileNames) {
  struct Case {
    const char* path;
    std::optional<ListFormat> format;
  };
  const Case by_extension[] = {
      {"list.txt", ListFormat::kText},
      {"/a/b/LIST.TXT", ListFormat::kText},
      {"list.xls", ListFormat::kExcel},
      {"list.Xls", ListFormat::kExcel},
      {"list.htm", ListFormat::kHtml},
      {"list.HTML", ListFormat::kHtml},
      {"list.xml", ListFormat::kXmltv},
      {"list.XML", ListFormat::kXmltv},
      {"list.channels.xml", ListFormat::kGrabberChannels},
      {"list.Channels.XML", ListFormat::kGrabberChannels},
      {"channels.xml", ListFormat::kXmltv},
      {"list.xlsx", std::nullopt},
      {"list", std::nullopt},
      {"txt", std::nullopt},
      {"list.txt.bak", std::nullopt},
  };
  for (const Case& c : by_extension) EXPECT_EQ(FormatForExtension(c.path), c.format) << c.path;

  struct NameCase {
    const char* typed;
    ListFormat format;
    const char* saved;
  };
  const NameCase names[] = {
      {"list", ListFormat::kText, "list.txt"},
      {"list.txt", ListFormat::kText, "list.txt"},
      {"list.TXT", ListFormat::kText, "list.TXT"},
      {"list.xls", ListFormat::kText, "list.xls.txt"},
      {"list", ListFormat::kExcel, "list.xls"},
      {"list.XLS", ListFormat::kExcel, "list.XLS"},
      {"list", ListFormat::kHtml, "list.htm"},
      {"list.htm", ListFormat::kHtml, "list.htm"},
      {"list.Html", ListFormat::kHtml, "list.Html"},
      {"list.html.txt", ListFormat::kHtml, "list.html.txt.htm"},
      {"/home/u/vsetv_list", ListFormat::kExcel, "/home/u/vsetv_list.xls"},
      {"guide", ListFormat::kXmltv, "guide.xml"},
      {"guide.xml", ListFormat::kXmltv, "guide.xml"},
      {"guide.channels.xml", ListFormat::kXmltv, "guide.channels.xml.xml"},
      {"vsetv", ListFormat::kGrabberChannels, "vsetv.channels.xml"},
      {"vsetv.channels.xml", ListFormat::kGrabberChannels, "vsetv.channels.xml"},
      {"vsetv.CHANNELS.xml", ListFormat::kGrabberChannels, "vsetv.CHANNELS.xml"},
      {"vsetv.xml", ListFormat::kGrabberChannels, "vsetv.xml.channels.xml"},
  };
  for (const NameCase& c : names) {
    EXPECT_EQ(WithExtension(c.typed, c.format), c.saved) << c.typed;
    EXPECT_EQ(FormatForExtension(WithExtension(c.typed, c.format)), c.format) << c.typed;
  }

  // The save dialog's entries, in order.
  const std::optional<ListFormat> by_filter[] = {
      FormatForFilterIndex(-1), FormatForFilterIndex(0), FormatForFilterIndex(1),
      FormatForFilterIndex(2),  FormatForFilterIndex(3), FormatForFilterIndex(4),
      FormatForFilterIndex(5)};
  EXPECT_EQ(std::vector(std::begin(by_filter), std::end(by_filter)),
            (std::vector<std::optional<ListFormat>>{std::nullopt, ListFormat::kText,
                                                    ListFormat::kExcel, ListFormat::kHtml,
                                                    ListFormat::kXmltv, ListFormat::kGrabberChannels,
                                                    std::nullopt}));
}

// The request for a table carries both names of every row, in table order, and
// the three older formats write the shown names exactly as before.
TEST(ExportList, RequestForATableCarriesBothNames) {
  ChannelTable table;
  table.Assign({{"Б", "2"}, {"А", "1"}});
  table.SetName(1, "В");  // "Б" renamed: now last
  const ListExportRequest request =
      ListExportFor(table, ListFormat::kText, Language::kEn, ": http://x.tv");
  EXPECT_EQ(request.channels, (ListedChannels{{{"А", "1"}, "А"}, {{"В", "2"}, "Б"}}));
  EXPECT_EQ(request.columns.name_title, "Name of channel");
  EXPECT_EQ(request.lang, "en");
  EXPECT_EQ(request.site_label, ": http://x.tv");
  TempDir dir;
  EXPECT_EQ(ExportList(dir.path() / "a.txt", request), GuideExportReport{});
  EXPECT_EQ(ReadFile(dir.path() / "a.txt"), ExportText(table.Rows(), request.columns));
}

TEST(ExportList, UnwritablePathKeepsNothingAndThrows) {
  TempDir dir;
  std::ofstream(dir.path() / "plain") << "file";
  const fs::path file = dir.path() / "plain" / "list.txt";
  EXPECT_THROW(ExportList(file, ListFormat::kText, {{"A", "1"}}, kRussianTitles), FileWriteError);
  const fs::path good = dir.path() / "list.txt";
  ExportList(good, ListFormat::kText, {{"A", "1"}}, {"N", "C"});
  EXPECT_EQ(ReadFile(good), "N\tC\r\nA\t1\r\n");
}

}  // namespace
}  // namespace brelvik
