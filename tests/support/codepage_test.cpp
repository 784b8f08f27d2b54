// Tests of the Windows-1251/UTF-8 conversions, UTF-8 validation and cutting,
// and case mapping.
#include "support/codepage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik {
namespace {

TEST(Cp1251ToUtf8Test, Table) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xCF\xE5\xF0\xE2\xFB\xE9", "Первый"},
      {"\xC0\xDF\xE0\xFF", "АЯая"},
      {"\xA8\xB8", "Ёё"},
      {"\x88", "€"},
      {"\xB9", "№"},
      {"\x99", "™"},
      {"\xA0", "\xC2\xA0"},
      {"\x98", "\xEF\xBF\xBD"},
      {"TV \xD2\xC2 1000", "TV ТВ 1000"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"", ""},
  };
  for (const auto& [cp1251, utf8] : cases) {
    EXPECT_EQ(Cp1251ToUtf8(cp1251), utf8) << "input \"" << cp1251 << "\"";
  }
}

TEST(Cp1251ToUtf8Test, EveryAssignedByteRoundTrips) {
  std::string all;
  for (int b = 1; b <= 0xFF; ++b) {
    if (b != 0x98) all.push_back(static_cast<char>(b));
  }
  const std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8Length(utf8), all.size());
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
  // Each byte on its own, so a table shifted by one cannot hide in the run.
  for (char c : all) {
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(std::string(1, c))), std::string(1, c))
        << "byte " << static_cast<int>(static_cast<unsigned char>(c));
  }
}

TEST(Cp1251ToUtf8Test, MostlyAsciiTextIsFast) {
  std::string page;
  while (page.size() < 32 * 1024 * 1024) {
    page +=
        "<tr><td class=\"name\">\xCF\xE5\xF0\xE2\xFB\xE9 \xEA\xE0\xED\xE0\xEB</td><td>1</td>"
        "</tr>\r\n<!-- padding padding padding padding padding -->\r\n";
  }
  const auto start = std::chrono::steady_clock::now();
  const std::string utf8 = Cp1251ToUtf8(page);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(utf8.size(), page.size());
  // Generous bound (a loaded, shared machine); the fast path does far better.
  EXPECT_LT(seconds, 32.0 / 50.0) << page.size() / seconds / 1e6 << " MB/s";
}

struct Utf8Case {
  const char* name;
  std::string bytes;
  bool valid;
};

const Utf8Case kUtf8Cases[] = {
    {"ascii", "plain text", true},
    {"empty", "", true},
    {"cyrillic", "Первый канал", true},
    {"two_byte_min", "\xC2\x80", true},
    {"three_byte_min", "\xE0\xA0\x80", true},
    {"before_surrogates", "\xED\x9F\xBF", true},
    {"after_surrogates", "\xEE\x80\x80", true},
    {"four_byte", "\xF0\x9F\x93\xBA", true},
    {"max_code_point", "\xF4\x8F\xBF\xBF", true},
    {"nul", std::string("a\0b", 3), true},
    {"overlong_nul", "\xC0\x80", false},
    {"overlong_c1", "\xC1\xBF", false},
    {"overlong_three", "\xE0\x80\x80", false},
    {"overlong_four", "\xF0\x8F\xBF\xBF", false},
    {"surrogate", "\xED\xA0\x80", false},
    {"low_surrogate", "\xED\xBF\xBF", false},
    {"above_max", "\xF4\x90\x80\x80", false},
    {"f5_lead", "\xF5\x80\x80\x80", false},
    {"ff_byte", "a\xFF", false},
    {"stray_continuation", "\x80", false},
    {"stray_after_char", "\xD0\x9F\x9F", false},
    {"truncated_three", "\xE2\x82", false},
    {"truncated_at_end", "abc\xD0", false},
    {"bad_continuation", "\xD0\x41", false},
    {"bad_third", "\xE2\x82\x41", false},
    {"invalid_after_long_ascii", "0123456789abcdef0123456789\xC0\x80", false},
};

class Utf8ValidityTest : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ValidityTest, ValidationAndConversionAgree) {
  const Utf8Case& c = GetParam();
  // An exact-size heap copy, so a sanitizer build flags any read past the end.
  const std::vector<char> heap(c.bytes.begin(), c.bytes.end());
  const std::string_view bytes(heap.data(), heap.size());
  EXPECT_EQ(IsValidUtf8(bytes), c.valid);
  EXPECT_EQ(ValidUtf8(bytes), c.valid ? c.bytes : "");
  if (!c.valid) {
    EXPECT_EQ(Utf8ToCp1251(bytes), "");
    EXPECT_EQ(Utf8ToCp1251("prefix " + c.bytes + " suffix"), "");
  }
  // Counting and cutting stay within the text whatever it holds.
  const std::size_t length = Utf8Length(bytes);
  EXPECT_LE(length, bytes.size());
  EXPECT_EQ(Utf8Truncate(bytes, length), bytes);
  for (std::size_t n = 0; n < length; ++n) EXPECT_LT(Utf8Truncate(bytes, n).size(), bytes.size());
  // Case mapping decodes ill-formed bytes with replacement characters.
  EXPECT_TRUE(IsValidUtf8(RussianLower(bytes)));
  EXPECT_TRUE(IsValidUtf8(RussianUpper(bytes)));
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ValidityTest, testing::ValuesIn(kUtf8Cases),
                         [](const testing::TestParamInfo<Utf8Case>& info) {
                           return std::string(info.param.name);
                         });

// A view that ends inside a character: bytes after the view's end must never be
// read, even though they would complete the character.
TEST(Utf8ViewTest, NothingPastTheViewIsRead) {
  const std::string euro = "a€";
  for (std::size_t size = 2; size < euro.size(); ++size) {
    const std::string_view view(euro.data(), size);
    EXPECT_FALSE(IsValidUtf8(view)) << size;
    EXPECT_EQ(Utf8ToCp1251(view), "") << size;
    EXPECT_EQ(Utf8Truncate(view, 5), view) << size;
    EXPECT_EQ(Utf8Length(view), 2u) << size;
  }
}

TEST(Utf8ToCp1251Test, Table) {
  const std::pair<std::string, std::string> cases[] = {
      {"Первый", "\xCF\xE5\xF0\xE2\xFB\xE9"},
      {"Ёё", "\xA8\xB8"},
      {"€", "\x88"},
      {"«Россия»", "\xAB\xD0\xEE\xF1\xF1\xE8\xFF\xBB"},
      {"中", "?"},
      {"a中b📺c", "a?b?c"},
      {"ẞ", "?"},
      {"\xEF\xBF\xBD", "?"},
      {"\xC2\x98", "?"},
      {"", ""},
  };
  for (const auto& [utf8, cp1251] : cases) {
    EXPECT_EQ(Utf8ToCp1251(utf8), cp1251) << "input \"" << utf8 << "\"";
  }
}

TEST(Utf8LengthTest, CountsCharacters) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("abc"), 3u);
  EXPECT_EQ(Utf8Length("Первый HD"), 9u);
  EXPECT_EQ(Utf8Length("a€📺"), 3u);
}

TEST(Utf8TruncateTest, CutsOnCharacterBoundaries) {
  std::string name;
  for (int i = 0; i < 150; ++i) name += "Ж1";  // 300 characters, 450 bytes
  const std::string cut = Utf8Truncate(name, 200);
  EXPECT_EQ(Utf8Length(cut), 200u);
  EXPECT_EQ(cut.size(), 300u);
  EXPECT_TRUE(IsValidUtf8(cut));
  EXPECT_EQ(name.compare(0, cut.size(), cut), 0);

  const std::string code = "Код канала номер сорок два";
  EXPECT_EQ(Utf8Truncate(code, 20), "Код канала номер сор");
  EXPECT_EQ(Utf8Truncate("Первый", 20), "Первый");
  EXPECT_EQ(Utf8Truncate("Первый", 0), "");
  EXPECT_EQ(Utf8Truncate("a📺b", 2), "a📺");
  // A sequence cut short at the end is kept as far as it goes, never beyond.
  EXPECT_EQ(Utf8Truncate("ab\xE2\x82", 3), "ab\xE2\x82");
  EXPECT_EQ(Utf8Truncate("\xE2\x82"
                         "a",
                         1),
            "\xE2\x82");
}

TEST(CaseMappingTest, Table) {
  EXPECT_EQ(RussianLower("ПЕРВЫЙ КАНАЛ HD"), "первый канал hd");
  EXPECT_EQ(RussianLower("ЁЛКА"), "ёлка");
  EXPECT_EQ(RussianLower("ABC-1"), "abc-1");
  EXPECT_EQ(RussianUpper("ёлка"), "ЁЛКА");
  EXPECT_EQ(RussianUpper("первый канал hd"), "ПЕРВЫЙ КАНАЛ HD");
  EXPECT_EQ(RussianUpper("abc-1"), "ABC-1");
  EXPECT_EQ(RussianLower(""), "");
  EXPECT_EQ(RussianLower("A\xC0"
                         "Б"),
            "a\xEF\xBF\xBD"
            "б");

  EXPECT_EQ(AsciiLower("ПЕРВЫЙ КАНАЛ HD"), "ПЕРВЫЙ КАНАЛ hd");
  EXPECT_EQ(AsciiLower("AZaz@[`{"), "azaz@[`{");
  EXPECT_EQ(AsciiLower("\xC0\xDF"), "\xC0\xDF");
}

}  // namespace
}  // namespace brelvik
