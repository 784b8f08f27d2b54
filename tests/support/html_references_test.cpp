// HTML character references: named and numeric ones decoded, everything that
// is not a well-formed reference to a printable character kept as written,
// and the named table held against Python's copy of the HTML5 list.
#include "support/html_references.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "loaders/loader_test_support.h"
#include "support/codepage.h"

namespace brelvik {
namespace {

struct ReferenceCase {
  const char* what;
  std::string text;
  std::string decoded;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) { *os << c.what; }

class HtmlReferences : public testing::TestWithParam<ReferenceCase> {};

TEST_P(HtmlReferences, Decode) {
  const std::string decoded = DecodeHtmlReferences(GetParam().text);
  EXPECT_EQ(decoded, GetParam().decoded);
  EXPECT_TRUE(IsValidUtf8(decoded));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HtmlReferences,
    testing::Values(
        ReferenceCase{"no reference", "Kino Plus", "Kino Plus"},
        ReferenceCase{"the four of a channel list", "&amp; &quot;x&quot; &#1058;&#x422;&#X422;",
                      "& \"x\" ТТТ"},
        ReferenceCase{"named ones pages use", "&nbsp;&laquo;&raquo;&ndash;&mdash;&hellip;&apos;",
                      "\u00A0«»–—…'"},
        ReferenceCase{"names are case-sensitive", "&AMP;&Amp;&eacute;&Eacute;", "&&Amp;éÉ"},
        ReferenceCase{"HTML5 values, not HTML 4's", "&lang;&rang;", "\u27E8\u27E9"},
        ReferenceCase{"numero sign", "Канал &numero;1", "Канал №1"},
        ReferenceCase{"one pass only", "Fast &amp;amp; FunBox", "Fast &amp; FunBox"},
        ReferenceCase{"leading zeros and a four-byte character", "&#0065;&#x0001F4FA;", "A📺"},
        ReferenceCase{"numbers 128 to 159 are Windows-1252's", "&#150;&#x80;&#153;", "–€™"},
        ReferenceCase{"Windows-1252's gaps stay", "&#129;&#x8D;", "&#129;&#x8D;"},
        ReferenceCase{"controls stay", "&#0;&#9;&#10;&#x0D;&#127;", "&#0;&#9;&#10;&#x0D;&#127;"},
        ReferenceCase{"surrogates stay", "&#xD800;&#57343;", "&#xD800;&#57343;"},
        ReferenceCase{"beyond U+10FFFF stays", "&#x110000;&#99999999999999999999;",
                      "&#x110000;&#99999999999999999999;"},
        ReferenceCase{"the last code point decodes", "&#x10FFFF;", "\U0010FFFF"},
        ReferenceCase{"without a semicolon stays", "&amp &#1058 &#x422", "&amp &#1058 &#x422"},
        ReferenceCase{"unknown names stay", "&foo; &ampx; &verylongname;",
                      "&foo; &ampx; &verylongname;"},
        ReferenceCase{"empty references stay", "&; &#; &#x; &", "&; &#; &#x; &"},
        ReferenceCase{"digits of the wrong base stay", "&#12a; &#xG;", "&#12a; &#xG;"},
        ReferenceCase{"a bare ampersand before a reference", "AT&T &&amp;", "AT&T &&"},
        ReferenceCase{"at the very end", "a&amp", "a&amp"},
        ReferenceCase{"UTF-8 around stays as it is", "Т&#1042; 3 &#x2014; Ёлка", "ТВ 3 — Ёлка"}),
    test::CaseName());

// Every name the decoder knows has HTML5's value, and it knows the HTML 4 set.
TEST(HtmlReferenceTable, MatchesPythonsHtml5Table) {
  const char* script =
      "python3 -c \"import html.entities as h, sys\n"
      "for n, v in sorted(h.html5.items()):\n"
      "    if n.endswith(';'): sys.stdout.buffer.write(('%s\\t%s\\t%d\\n' % (n, v, "
      "n[:-1] in h.name2codepoint)).encode('utf-8'))\" 2>/dev/null";
  FILE* pipe = ::popen(script, "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  if (::pclose(pipe) != 0 || output.empty()) GTEST_SKIP() << "python3 is not installed";

  std::istringstream lines(output);
  std::string line;
  int known = 0;
  int html4 = 0;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    const std::size_t tab2 = line.rfind('\t');
    const std::string name = line.substr(0, tab);
    const std::string value = line.substr(tab + 1, tab2 - tab - 1);
    const std::string reference = "&" + name;
    const std::string decoded = DecodeHtmlReferences(reference);
    if (decoded != reference) {
      ++known;
      EXPECT_EQ(decoded, value) << reference;
    }
    if (line.substr(tab2 + 1) == "1") {
      ++html4;
      EXPECT_NE(decoded, reference) << reference << " of HTML 4 is not decoded";
    }
  }
  EXPECT_EQ(html4, 252);
  EXPECT_EQ(known, 261);
}

}  // namespace
}  // namespace brelvik
