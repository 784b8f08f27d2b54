// The row-making steps the loaders share, and the sorted line list and UTF-8
// check under them, each held against a plain restatement of the same rules.
#include "loaders/row_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "loaders/loader_references.h"
#include "support/codepage.h"
#include "support/text.h"

namespace brelvik {
namespace {

using Lines = std::vector<std::string>;

using ReferenceList = test::ReferenceSortedLines;

// Lines built from pieces that collide under case folding, differ only by an
// accent, break UTF-8, or carry the separators the loaders cut at.
std::string RandomLine(std::mt19937& random) {
  static const std::vector<std::string> pieces{"a",
                                               "A",
                                               "b",
                                               "B",
                                               "е",
                                               "Е",
                                               "ё",
                                               "Ё",
                                               "ж",
                                               "Ж",
                                               "1",
                                               "10",
                                               "2",
                                               " ",
                                               "-",
                                               ">",
                                               "|",
                                               "ß",
                                               "SS",
                                               "é",
                                               "É",
                                               "\xD0",
                                               "\xC0\x80",
                                               "\xED\xA0\x80",
                                               "\xF0\x9F\x93\xBA",
                                               "\t",
                                               "."};
  std::string line;
  const int count = static_cast<int>(random() % 7);
  for (int i = 0; i < count; ++i) line += pieces[random() % pieces.size()];
  return line;
}

TEST(SortedLineListReference, SameAnswersAndOrderAsPerLineSortKeys) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 200; ++round) {
    SortedLineList list;
    ReferenceList reference;
    const int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      const std::string line = RandomLine(random);
      ASSERT_EQ(list.Add(line), reference.Add(line)) << "line \"" << line << "\"";
    }
    const Lines expected = reference.Sorted();
    EXPECT_EQ(list.Count(), expected.size());
    EXPECT_EQ(list.Lines(), expected);
    EXPECT_EQ(std::move(list).Lines(), expected);
  }
}

// The lines a batch keeps, in its order.
Lines BatchLines(const SortedLineBatch& batch) {
  Lines lines;
  for (const std::uint32_t n : batch.Order()) lines.emplace_back(batch.Line(n));
  return lines;
}

// Lines of the characters the weight table keys and of those next to them
// that it must leave to ICU: case pairs, letters with and without accents,
// "l" before the middle dot (a contraction), combining marks, Cyrillic
// letters that start contractions with a combining breve or diaeresis,
// punctuation, a character far beyond the table, and malformed UTF-8.
std::string TableLine(std::mt19937& random) {
  static const std::vector<std::string> pieces{
      "a", "A",  "e", "é", "É", "l",  "L", "·", "\u0301", "\u0308", "и",    "И",
      "й", "е",  "ё", "Ё", "ß", "ss", "æ", "-", "\u2013", "№",      " ",    "\t",
      "1", "10", ">", "|", "«", "»",  "ґ", "ї", "\u00A0", "\u4E2D", "\xD0", "\x01"};
  std::string line;
  for (int i = static_cast<int>(random() % 8); i > 0; --i) line += pieces[random() % pieces.size()];
  return line;
}

TEST(SortedLineListReference, TableKeysOrderAndEquateAsIcuKeys) {
  std::mt19937 random(8128);
  for (int round = 0; round < 400; ++round) {
    SortedLineList list;
    SortedLineBatch batch;
    ReferenceList reference;
    // Most rounds hold only characters the table keys, some end with others.
    const bool table_only = round % 4 != 0;
    const int count = 1 + static_cast<int>(random() % 50);
    for (int i = 0; i < count; ++i) {
      std::string line = TableLine(random);
      if (table_only &&
          (line.find("\xD0") != std::string::npos || line.find("\u4E2D") != std::string::npos)) {
        continue;
      }
      ASSERT_EQ(list.Add(line), reference.Add(line)) << "line \"" << line << "\"";
      batch.Add(line);
    }
    const Lines expected = reference.Sorted();
    EXPECT_EQ(list.Lines(), expected);
    EXPECT_EQ(BatchLines(batch), expected);
    EXPECT_EQ(list.AllValidUtf8(),
              std::all_of(expected.begin(), expected.end(),
                          [](const std::string& l) { return IsValidUtf8(l); }));
  }
}

TEST(SortedLineListReference, LongLinesAndManyLines) {
  SortedLineList list;
  ReferenceList reference;
  // Keys far longer than a short line's, and enough lines to grow the set.
  for (int i = 0; i < 3000; ++i) {
    const std::string line = std::string(static_cast<std::size_t>(i % 700), i % 2 ? 'Z' : 'z') +
                             "Канал " + std::to_string(i % 1500);
    EXPECT_EQ(list.Add(line), reference.Add(line)) << i;
  }
  EXPECT_EQ(list.Lines(), reference.Sorted());
  SortedLineBatch batch;
  for (int i = 0; i < 3000; ++i) {
    batch.Add(std::string(static_cast<std::size_t>(i % 700), i % 2 ? 'Z' : 'z') + "Канал " +
              std::to_string(i % 1500));
  }
  EXPECT_EQ(BatchLines(batch), reference.Sorted());
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_TRUE(list.Add("z"));
}

TEST(ValidUtf8LinesTest, AllOrNothing) {
  const std::pair<Lines, Lines> cases[] = {
      {{"Первый", "", "Kino"}, {"Первый", "", "Kino"}},
      {{"Первый", "\xD0", "Kino"}, {}},
      {{"a", "b", "\xED\xA0\x80"}, {}},  // a surrogate
      {{"\xC0\x80"}, {}},                // an overlong NUL
      {{}, {}},
  };
  for (const auto& [lines, expected] : cases) EXPECT_EQ(ValidUtf8Lines(lines), expected);
}

// The row of a pair line as first read: swap the fields at ">", cut again.
ChannelRow SwappedRow(const std::string& line) {
  const std::string rewritten = ExtractField(line, 2, ">") + ">" + ExtractField(line, 1, ">");
  return {ExtractField(rewritten, 1, ">"), ExtractField(rewritten, 2, ">")};
}

TEST(RowFromPairTest, Table) {
  const std::pair<std::string, ChannelRow> cases[] = {
      {"57>Kino Plus", {"Kino Plus", "57"}},
      {"57>Kino>Plus", {"Kino", "57"}},
      {"Kino", {"Kino", "Kino"}},
      {">Kino", {"Kino", ""}},
      {"57>", {"", "57"}},
      {"", {"", ""}},
  };
  for (const auto& [line, row] : cases) EXPECT_EQ(RowFromPair(line), row) << line;
}

TEST(RowFromPairTest, AgreesWithSwappingTheFields) {
  std::mt19937 random(7);
  for (int round = 0; round < 5000; ++round) {
    const std::string line = RandomLine(random) + RandomLine(random);
    ASSERT_EQ(RowFromPair(line), SwappedRow(line)) << line;
  }
}

TEST(Cp1251RowTest, NamesAndCodes) {
  EXPECT_EQ(Cp1251Row("\xCF\xE5\xF0\xE2\xFB\xE9", "1", false), (ChannelRow{"Первый", "1"}));
  EXPECT_EQ(Cp1251Row("Kino", "\xA8", false), (ChannelRow{"Kino", "Ё"}));
  // References decode after the code page, whatever its letters.
  EXPECT_EQ(Cp1251Row("&quot;\xCA&#1058;&quot;", "&amp;", true), (ChannelRow{"\"КТ\"", "&"}));
  EXPECT_EQ(Cp1251Row("&quot;\xCA&#1058;", "&amp;", false), (ChannelRow{"&quot;К&#1058;", "&amp;"}));
  EXPECT_EQ(Cp1251RowFromPair("57>\xCA\xE8\xED\xEE>x", false), (ChannelRow{"Кино", "57"}));
}

bool StartsWithDigit(std::string_view line) {
  return !line.empty() && line[0] >= '0' && line[0] <= '9';
}

// The link-page step as the loaders first wrote it, line for line.
ChannelRows ReferenceLinkRows(std::string_view text, NamelessLinks nameless) {
  ReferenceList pairs;
  for (const std::string& line : SplitLines(text)) {
    if (!StartsWithDigit(line)) continue;
    pairs.Add(ExtractField(line, 1, "|") + ">" + ExtractField(line, 2, "|"));
  }
  Lines lines = pairs.Sorted();
  if (!std::all_of(lines.begin(), lines.end(),
                   [](const std::string& l) { return IsValidUtf8(l); })) {
    lines.clear();
  }
  ChannelRows rows;
  for (const std::string& line : lines) {
    ChannelRow row = SwappedRow(line);
    if (row.name.empty() && nameless == NamelessLinks::kDropped) continue;
    rows.push_back(row);
  }
  return rows;
}

TEST(SortedLinkRowsTest, WorkedExample) {
  const std::string text = "57|Kino Plus\r\n4|НТВ\n4|нтв\r4|НТВ Мир\nnot a link\n  5|indented\n9|";
  EXPECT_EQ(SortedLinkRows(text, StartsWithDigit, NamelessLinks::kKept),
            (ChannelRows{{"НТВ", "4"}, {"НТВ Мир", "4"}, {"Kino Plus", "57"}, {"", "9"}}));
  EXPECT_EQ(SortedLinkRows(text, StartsWithDigit, NamelessLinks::kDropped),
            (ChannelRows{{"НТВ", "4"}, {"НТВ Мир", "4"}, {"Kino Plus", "57"}}));
  // A malformed line that is not a link costs nothing; a malformed link, all.
  EXPECT_EQ(SortedLinkRows("\xD0\n1|A", StartsWithDigit, NamelessLinks::kKept),
            (ChannelRows{{"A", "1"}}));
  EXPECT_TRUE(SortedLinkRows("2|\xD0\n1|A", StartsWithDigit, NamelessLinks::kKept).empty());
}

TEST(SortedLinkRowsTest, AgreesWithTheStepsAsFirstWritten) {
  std::mt19937 random(1729);
  const std::vector<std::string> breaks{"\r\n", "\n", "\r", "|", std::string(1, '\0')};
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) {
      text += std::to_string(random() % 12) + RandomLine(random);
      text += breaks[random() % breaks.size()] + RandomLine(random);
      text += breaks[random() % breaks.size()];
    }
    for (const NamelessLinks nameless : {NamelessLinks::kKept, NamelessLinks::kDropped}) {
      ASSERT_EQ(SortedLinkRows(text, StartsWithDigit, nameless), ReferenceLinkRows(text, nameless))
          << text;
    }
  }
}

}  // namespace
}  // namespace brelvik
