// The one-pass loader bodies held against the steps as first written: the same
// rows in the same order and the same empty-list cause on every fixture page,
// on generated pages, and on both damaged at random with pieces of their
// markers, line breaks, NUL bytes, references and malformed UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fixture.h"
#include "loaders/generated_pages.h"
#include "loaders/loader_references.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

using Parse = ChannelRows (*)(std::string_view, EmptyListCause*);

struct Body {
  const char* what;
  const char* fixtures;  // the provider's fixture folder
  Parse fast;
  Parse reference;
  std::string (*generate)(int channels);
  std::vector<std::string_view> markers;
};

void PrintTo(const Body& body, std::ostream* os) { *os << body.what; }

std::vector<std::string> FixturePages(const std::string& folder) {
  std::vector<std::string> pages;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(BRELVIK_FIXTURES) + "/" + folder)) {
    pages.push_back(test::ReadFixture(folder + "/" + entry.path().filename().string()));
  }
  return pages;
}

testing::AssertionResult SameAsReference(const Body& body, const std::string& page) {
  EmptyListCause cause = EmptyListCause::kNone;
  EmptyListCause reference_cause = EmptyListCause::kNone;
  const ChannelRows rows = body.fast(page, &cause);
  const ChannelRows expected = body.reference(page, &reference_cause);
  if (rows == expected && cause == reference_cause) return testing::AssertionSuccess();
  testing::AssertionResult failure = testing::AssertionFailure();
  failure << body.what << ": " << rows.size() << " rows, cause " << static_cast<int>(cause)
          << "; the steps give " << expected.size() << " rows, cause "
          << static_cast<int>(reference_cause);
  for (std::size_t i = 0; i < std::max(rows.size(), expected.size()); ++i) {
    if (i >= rows.size() || i >= expected.size() || !(rows[i] == expected[i])) {
      failure << "; first difference at row " << i;
      break;
    }
  }
  return failure << "\npage: " << testing::PrintToString(page);
}

class OnePassBodies : public testing::TestWithParam<Body> {};

TEST_P(OnePassBodies, SameRowsOnEveryFixture) {
  const std::vector<std::string> pages = FixturePages(GetParam().fixtures);
  ASSERT_FALSE(pages.empty());
  for (const std::string& page : pages) EXPECT_TRUE(SameAsReference(GetParam(), page));
}

TEST_P(OnePassBodies, SameRowsOnGeneratedPages) {
  for (const int channels : {0, 1, 7, 250}) {
    const std::string page = GetParam().generate(channels);
    EXPECT_TRUE(SameAsReference(GetParam(), page)) << channels << " channels";
    EXPECT_FALSE(GetParam().fast(page, nullptr).empty() && channels > 0) << channels;
  }
}

TEST_P(OnePassBodies, SameRowsOnDamagedPages) {
  std::vector<std::string> pages = FixturePages(GetParam().fixtures);
  pages.push_back(GetParam().generate(12));
  std::uint32_t seed = 1;
  for (const std::string& page : pages) {
    for (int round = 0; round < 150; ++round, ++seed) {
      const std::string damaged =
          test::DamagedPage(page, GetParam().markers, seed, 1 + static_cast<int>(seed % 12));
      ASSERT_TRUE(SameAsReference(GetParam(), damaged)) << "seed " << seed;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Loaders, OnePassBodies,
    testing::Values(
        Body{"vsetv",
             "vsetv",
             ParseVsetvPage,
             test::ParseVsetvPageReference,
             test::GeneratedVsetvPage,
             {"<option value=channel_", "</option>", "</select>"}},
        Body{"teleguide",
             "teleguide",
             ParseTeleguidePage,
             test::ParseTeleguidePageReference,
             test::GeneratedTeleguidePage,
             {"<div id=\"programm_group\">",
              "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal",
              ".html\" title=\"", "\"alt=\"", "<div id=\"footer\">", "57"}},
        Body{"akado",
             "akado",
             ParseAkadoPage,
             test::ParseAkadoPageReference,
             test::GeneratedAkadoPage,
             {"<a href=\"", ".html\">", "</a>", "</a></th></tr></thead>", "class=\"tv-special\""}},
        Body{"ntvplus",
             "ntvplus",
             ParseNtvplusPage,
             test::ParseNtvplusPageReference,
             test::GeneratedNtvplusPage,
             {"</option>", "<option value=\"", "\">", ">\r\n", "</optgroup><optgroup label=\"",
              "</a></h1></div>", "<div class=\"rightentry\">", "08.12"}},
        Body{"ontimetv",
             "ontimetv",
             ParseOntimetvPage,
             test::ParseOntimetvPageReference,
             test::GeneratedOntimetvPage,
             {"<div class=\"normal_div1\">", "</div>", "ch0=", "\" title=", "&#65533;",
              "<div id=\"tv_left_side\">", "</table>"}},
        Body{"zakon",
             "zakon",
             ParseZakonPage,
             test::ParseZakonPageReference,
             test::GeneratedZakonPage,
             {"var channels = {", "};", "'", ",", ":"}}),
    [](const testing::TestParamInfo<Body>& info) { return std::string(info.param.what); });

// Pages where taking a marker out joins the text around it into another
// marker that a later step replaces, so the one pass must leave them to the
// steps; and pages with a NUL byte, which the steps' line split reads as the
// text's end.
TEST(OnePassBodiesJoins, SameRowsWhereARemovalMakesAMarker) {
  const std::pair<Parse, Parse> bodies[] = {
      {ParseVsetvPage, test::ParseVsetvPageReference},
      {ParseTeleguidePage, test::ParseTeleguidePageReference},
      {ParseNtvplusPage, test::ParseNtvplusPageReference},
      {ParseOntimetvPage, test::ParseOntimetvPageReference},
      {ParseZakonPage, test::ParseZakonPageReference},
      {ParseAkadoPage, test::ParseAkadoPageReference},
  };
  const std::string link = "<div id=\"programm_logo3\"><div id=\"programm_logo2\"><a href=\"/kanal";
  const std::string pages[] = {
      "<select><option value=channel_1>A</opt<option value=channel_2>ion>B</option></select>",
      "<select><option value=channel_1>A\r\n\0B</option></select>",
      "<div id=\"programm_group\">\n" + link + "57.ht" + link + "ml\" title=\"Kino\"alt=\"K\" />" +
          "\n" + link + "58.html\" title=\"Sport\"a" + link + "lt=\"S\" />\n<div id=\"footer\">",
      "<div id=\"programm_group\">\n" + link + "5\0" + "7.html\" title=\"K\"\n<div id=\"footer\">",
      "</a></h1></div><option value=\"1\">A</optgroup><opt>\r\ngroup label=\"G</option>"
      "<option value=\"2\">B</option><div class=\"rightentry\">",
      "</a></h1></div><option value=\"1\"><b>A</b></option><option value=\"2\">B</option>"
      "<div class=\"rightentry\">",
      "<div id=\"tv_left_side\"><div class=\"normal_div1\">A</di\nv><a href=\"?c|h0=1\" "
      "title=\"A\"><div class=\"norm\r\nal_div1\">B</div>ch0=2\" title=B</table>",
      "<div id=\"tv_left_side\"><div class=\"normal_div1\">A</div>ch0=1\0\" title=</table>",
      "var channels = {\n'1':{'id':'5','name':'A'},\n\0'2':{'id':'6','name':'B'}};",
      "</a></th></tr></thead><a href=\"1.html\">A\0</a>class=\"tv-special\"",
  };
  for (const auto& [fast, reference] : bodies) {
    for (const std::string& page : pages) {
      EmptyListCause cause = EmptyListCause::kNone;
      EmptyListCause reference_cause = EmptyListCause::kNone;
      EXPECT_EQ(fast(page, &cause), reference(page, &reference_cause)) << page;
      EXPECT_EQ(cause, reference_cause) << page;
    }
  }
}

TEST(OnePassTricolor, SameLinesRowsAndCauseAsTheSteps) {
  const std::vector<std::string_view> markers{"<div class=\"check-group\">",
                                              "<table class=\"redbutton\">",
                                              "</label>",
                                              "<div id=\"fav-ch-4\" class=\"active\">",
                                              "<label><input type=\"checkbox\" value=",
                                              " name=\"fc\"><span",
                                              "</span></label>",
                                              "</div><div id=fav-ch-",
                                              "</div>"};
  std::vector<std::string> pages = FixturePages("tricolor");
  pages.push_back(test::GeneratedTricolorPage(30));
  std::uint32_t seed = 1;
  for (const std::string& page : pages) {
    for (int round = 0; round < 100; ++round, ++seed) {
      const std::string damaged = round == 0 ? page : test::DamagedPage(page, markers, seed, 6);
      const TricolorPage parsed = ParseTricolorPage(damaged);
      const TricolorPage expected = test::ParseTricolorPageReference(damaged);
      ASSERT_EQ(parsed.lines, expected.lines) << seed;
      ASSERT_EQ(parsed.rows, expected.rows) << seed;
      ASSERT_EQ(parsed.empty_list, expected.empty_list) << seed;
    }
  }
}

TEST(OnePassBuiltinLists, SameRowsAsTheSteps) {
  for (const char* key : {"mailru", "idcmd", "stv"}) {
    const std::string_view text = BuiltinListText(key);
    EXPECT_EQ(ParseBuiltinList(text), test::ParseBuiltinListReference(text)) << key;
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
      const std::string damaged =
          test::DamagedPage(std::string(text.substr(0, 400)), {";", "\r\n"}, seed, 8);
      ASSERT_EQ(ParseBuiltinList(damaged), test::ParseBuiltinListReference(damaged)) << seed;
    }
  }
}

TEST(ChannelPackageRowTest, SameAsCuttingTheJoinedLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Первый", "1"}, {"A>B", "5"}, {"A>B>C", "5"}, {">", "5"}, {"A", "5>6"},
      {"", ""},        {"A>", "5"},  {">B", "5"},    {"A", ">"},
  };
  for (const auto& [name, code] : cases) {
    EXPECT_EQ(ChannelPackageRow(name, code), test::ChannelPackageRowReference(name, code))
        << name << " / " << code;
  }
  std::mt19937 random(5);
  for (int round = 0; round < 2000; ++round) {
    std::string name;
    std::string code;
    for (int i = random() % 6; i > 0; --i) name += "a>b"[random() % 3];
    for (int i = random() % 6; i > 0; --i) code += "c>d"[random() % 3];
    ASSERT_EQ(ChannelPackageRow(name, code), test::ChannelPackageRowReference(name, code))
        << name << " / " << code;
  }
}

}  // namespace
}  // namespace brelvik
