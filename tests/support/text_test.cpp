// Tests of the byte-string cutters, trimming, replacement and line lists.
#include "support/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace brelvik {
namespace {

using Lines = std::vector<std::string>;

struct ExtractCase {
  std::string text;
  int n;
  std::string delimiter;
  std::string expected;
};

TEST(ExtractFieldTest, Table) {
  const ExtractCase cases[] = {
      {"57>Kino Plus", 1, ">", "57"},
      {"57>Kino Plus", 2, ">", "Kino Plus"},
      {"57>Kino Plus", 3, ">", "Kino Plus"},
      {"a|b|c", 2, "|", "b"},
      {"a|b|c", 3, "|", "c"},
      {"a|b|c", 9, "|", "c"},
      {"a|b|c", INT_MAX, "|", "c"},
      {"abc", 2, ">", "abc"},
      {"a>>b", 2, ">", ""},
      {"a>>b", 3, ">", "b"},
      {">a", 1, ">", ""},
      {"a>", 2, ">", ""},
      {"a>b", 0, ">", "a>b"},
      {"a>b", -3, ">", "a>b"},
      {"", 1, ">", ""},
      {"", 5, ">", ""},
      {"a>b", 2, "", "a>b"},
      // A longer delimiter moves the rest on by one byte only.
      {"a::b", 2, "::", ":b"},
      {"a:::b", 2, "::", ""},
      {"a:::b", 3, "::", ":b"},
      {"a<>b<>c", 2, "<>", ">b"},
  };
  for (const ExtractCase& c : cases) {
    EXPECT_EQ(ExtractField(c.text, c.n, c.delimiter), c.expected)
        << "text \"" << c.text << "\" field " << c.n << " delimiter \"" << c.delimiter << "\"";
  }
}

struct BetweenCase {
  std::string start;
  std::string text;
  std::string end;
  std::string expected;
};

TEST(TextBetweenTest, Table) {
  const BetweenCase cases[] = {
      {"S", "xS1ES2E", "E", "1"},
      {"S", "xE1S2", "E", ""},
      {"S", "xSEy", "E", ""},
      {"S", "xy", "E", ""},
      {"S", "xS12", "E", ""},
      {"", "xS1E", "E", ""},
      {"S", "", "E", ""},
      {"S", "xS1E", "", ""},
      {"<td>", "<tr><td>First</td><td>Second</td>", "</td>", "First"},
      {"<b>", "<b></b>", "</b>", ""},
      // The end marker is looked for only after the whole start marker.
      {"ab", "xabab", "ba", ""},
      {"aa", "aaab", "b", "a"},
      {"\"", "name=\"Ren TV\" x", "\"", "Ren TV"},
  };
  for (const BetweenCase& c : cases) {
    EXPECT_EQ(TextBetween(c.start, c.text, c.end), c.expected)
        << "start \"" << c.start << "\" text \"" << c.text << "\" end \"" << c.end << "\"";
  }
}

TEST(TrimTest, Table) {
  const std::pair<std::string, std::string> cases[] = {
      {"  abc  ", "abc"},
      {"\t\r\n abc\r\n", "abc"},
      {std::string("\0a b\0", 5), "a b"},
      {"\x1F"
       "a\x20",
       "a"},
      {"\x7F"
       "a",
       "\x7F"
       "a"},
      // UTF-8 NBSP and Cyrillic lead bytes are above 32 and stay.
      {"\xC2\xA0"
       "a\xC2\xA0",
       "\xC2\xA0"
       "a\xC2\xA0"},
      {" Пер ", "Пер"},
      {"   ", ""},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Trim(text), expected) << "text \"" << text << "\"";
  }
}

TEST(ReplaceAllTest, Table) {
  struct Case {
    std::string text, from, to, expected;
  };
  const Case cases[] = {
      {"aaa", "aa", "b", "ba"},
      {"abab", "ab", "ab ab", "ab abab ab"},
      {"a&amp;b&amp;", "&amp;", "&", "a&b&"},
      {"Abc abc", "abc", "x", "Abc x"},
      {"abc", "", "x", "abc"},
      {"abc", "d", "x", "abc"},
      {"a-b-c", "-", "", "abc"},
      {"", "a", "b", ""},
      {"ППр", "П", "P", "PPр"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.expected)
        << "\"" << c.text << "\" \"" << c.from << "\" -> \"" << c.to << "\"";
  }
}

TEST(SplitLinesTest, Table) {
  const std::pair<std::string, Lines> cases[] = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\n\r\nb\r\n\r\n", {"a", "", "b", ""}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\n", {"", ""}},
      {"", {}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},
      {std::string("\0a", 2), {}},
      {"Пер\n", {"Пер"}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(SplitLines(text), expected) << "text \"" << text << "\"";
  }
}

// SplitLines restated byte by byte, to hold the sixteen-bytes-a-step split
// against on lines longer and shorter than a step.
Lines SplitByteByByte(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  Lines lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      line += text[i];
      continue;
    }
    lines.push_back(line);
    line.clear();
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

TEST(SplitLinesTest, SameAsSplittingByteByByte) {
  std::mt19937 random(99);
  const char bytes[] = {'a', 'b', '\r', '\n', '\0', ' '};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int i = static_cast<int>(random() % 120); i > 0; --i) {
      // Mostly letters, so that lines run past a step of the scan.
      text += random() % 8 ? 'x' : bytes[random() % sizeof bytes];
    }
    ASSERT_EQ(SplitLines(text), SplitByteByByte(text)) << testing::PrintToString(text);
  }
}

TEST(TextBetweenTest, FindsMarkersPastTheFirstBytes) {
  // Markers whose first byte is everywhere, and a long text around them.
  const std::string filler(5000, '<');
  EXPECT_EQ(TextBetween("<<a", filler + "<<a" + filler + "<<b" + filler, "<<b"), filler);
  EXPECT_EQ(TextBetween("<a", filler + "<a middle <b", "<b"), " middle ");
  EXPECT_EQ(TextBetween("<a", "<a middle <", "<b"), "");
}

TEST(JoinLinesTest, EachLineEndsInCrLfAndSplitsBack) {
  const Lines lines = {"first", "", "third"};
  const std::string text = JoinLines(lines);
  EXPECT_EQ(text, "first\r\n\r\nthird\r\n");
  EXPECT_EQ(SplitLines(text), lines);
  EXPECT_EQ(JoinLines({}), "");
}

TEST(SortedLineListTest, PassesOverLinesEqualIgnoringCase) {
  SortedLineList list;
  EXPECT_TRUE(list.Add("BBC"));
  EXPECT_FALSE(list.Add("bbc"));
  EXPECT_FALSE(list.Add("Bbc"));
  EXPECT_TRUE(list.Add("Первый"));
  EXPECT_FALSE(list.Add("ПЕРВЫЙ"));
  EXPECT_TRUE(list.Add("BBC World"));
  EXPECT_EQ(list.Count(), 3u);
  // The first spelling is the one kept.
  EXPECT_EQ(list.Lines(), (Lines{"BBC", "BBC World", "Первый"}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_TRUE(list.Add("bbc"));
}

TEST(SortedLineListTest, OrdersDigitsLatinCyrillic) {
  SortedLineList list;
  const std::string a = "а", b = "б", zh = "ж", ya = "я";
  const std::string yo_tree = "ёлка", ye_tree = "елка";
  for (const std::string& line : {ya, std::string("zeta"), b, std::string("2x2"), a,
                                  std::string("Alpha"), yo_tree, zh, ye_tree, std::string("10")}) {
    list.Add(line);
  }
  const Lines lines = list.Lines();
  ASSERT_EQ(lines.size(), 10u);
  // Digits, Latin, then Cyrillic; ё differs from е only by its accent, which
  // the comparison still sees.
  EXPECT_EQ(lines, (Lines{"10", "2x2", "Alpha", "zeta", a, b, ye_tree, yo_tree, zh, ya}));
}

TEST(SortedLineListTest, AddTextSplitsAndSkipsDuplicates) {
  SortedLineList list;
  list.AddText("b\r\nA\rB\na\r\n");
  EXPECT_EQ(list.Lines(), (Lines{"A", "b"}));
  list.AddText("");
  EXPECT_EQ(list.Count(), 2u);
}

TEST(SortedLineListTest, EmptyAndMalformedLinesDoNotBreakIt) {
  SortedLineList list;
  EXPECT_TRUE(list.Add(""));
  EXPECT_FALSE(list.Add(""));
  EXPECT_TRUE(list.Add("\xC0\x80zz"));
  EXPECT_TRUE(list.Add("a"));
  EXPECT_EQ(list.Lines().front(), "");
}

TEST(SortedLineListTest, ManyLinesKeepOrderAndCount) {
  SortedLineList list;
  for (int i = 0; i < 20000; ++i) list.Add("Channel " + std::to_string(i % 5000));
  EXPECT_EQ(list.Count(), 5000u);
  const Lines lines = list.Lines();
  EXPECT_EQ(lines.front(), "Channel 0");
  EXPECT_EQ(lines[1], "Channel 1");
  EXPECT_EQ(lines[2], "Channel 10");
}

}  // namespace
}  // namespace brelvik
