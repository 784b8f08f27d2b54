// The vsetv body: options of the channel selector to rows.
#include <gtest/gtest.h>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

std::string Select(const std::string& options) {
  return "<html><body><select name=ch><option value=\"\">--</option>" + options +
         "</select></body></html>";
}

class VsetvCases : public testing::TestWithParam<test::PageCase> {};

TEST_P(VsetvCases, CutsRows) { EXPECT_EQ(ParseVsetvPage(GetParam().page), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Pages, VsetvCases,
    testing::Values(
        test::PageCase{"worked example",
                       Select("<option value=channel_57>Kino Plus</option>"),
                       {{"Kino Plus", "57"}}},
        test::PageCase{
            "several options in page order",
            Select("<option value=channel_2>B</option><option value=channel_1>A</option>"),
            {{"B", "2"}, {"A", "1"}}},
        test::PageCase{"name containing > keeps its first part",
                       Select("<option value=channel_57>A>B</option>"),
                       {{"A", "57"}}},
        test::PageCase{"attribute after the number stays in the code",
                       Select("<option value=channel_57 selected>Kino</option>"),
                       {{"Kino", "57 selected"}}},
        test::PageCase{
            "line break between options gives an empty row",
            Select("<option value=channel_1>A</option>\n<option value=channel_2>B</option>"),
            {{"A", "1"}, {"", ""}, {"B", "2"}}},
        test::PageCase{
            "text without > gives its own name and code",
            Select("<option value=channel_1>A</option>\nplain\n<option value=channel_2>B</option>"),
            {{"A", "1"}, {"", ""}, {"plain", "plain"}, {"B", "2"}}},
        test::PageCase{"no start marker", "<select><option value=1>A</option></select>", {}},
        test::PageCase{"no end marker", "<option value=channel_1>A</option>", {}},
        test::PageCase{"empty page", "", {}},
        test::PageCase{
            "Windows-1251 names become UTF-8",
            Select("<option value=channel_1>\xCF\xE5\xF0\xE2\xFB\xE9 \xEA\xE0\xED\xE0\xEB</option>"
                   "<option value=channel_2>\xA8\xEB\xEA\xE0</option>"),
            {{"Первый канал", "1"}, {"Ёлка", "2"}}},
        test::PageCase{
            "character references decode after the cut, Windows-1251 around them",
            Select(
                "<option value=channel_1>Fast &amp; FunBox</option>"
                "<option value=channel_2>&quot;&#1058;&#x412;&quot; 3 \xCA\xE8\xED\xEE</option>"
                "<option value=channel_3>A&gt;B</option><option value=channel_4&amp;5>C</option>"),
            {{"Fast & FunBox", "1"}, {"\"ТВ\" 3 Кино", "2"}, {"A>B", "3"}, {"C", "4&5"}}}),
    test::CaseName());

TEST(VsetvFixture, ParsesTheServedPage) {
  const ChannelRows rows = ParseVsetvPage(test::ReadFixture("vsetv/channels.html"));
  ASSERT_EQ(rows.size(), 15u);
  EXPECT_EQ(rows.front(), (ChannelRow{"Kino Plus", "57"}));
  EXPECT_EQ(rows[1], (ChannelRow{"Первый канал", "1"}));
  EXPECT_EQ(rows.back(), (ChannelRow{"Карусель", "10"}));
}

}  // namespace
}  // namespace brelvik
