// Pages and answers that arrive without a channel list: why each body found
// none, that the cause reaches the load's result, and the notice's wording.
#include "loaders/empty_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string_view>

#include "fixture.h"
#include "loaders/listless_sites.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

using Body = std::function<EmptyListCause(std::string_view)>;

template <ChannelRows (*Parse)(std::string_view, EmptyListCause*)>
Body Cause() {
  return [](std::string_view page) {
    EmptyListCause cause = EmptyListCause::kNoEntries;  // anything: the body must set it
    Parse(page, &cause);
    return cause;
  };
}

EmptyListCause TricolorCause(std::string_view page) { return ParseTricolorPage(page).empty_list; }

struct CauseCase {
  const char* what;
  Body body;
  std::string page;
  EmptyListCause cause;
};

void PrintTo(const CauseCase& c, std::ostream* os) { *os << c.what; }

class EmptyListCauses : public testing::TestWithParam<CauseCase> {};

TEST_P(EmptyListCauses, BodySaysWhyItFoundNoList) {
  EXPECT_EQ(GetParam().body(GetParam().page), GetParam().cause);
}

constexpr auto kNone = EmptyListCause::kNone;
constexpr auto kMarker = EmptyListCause::kMarkerMissing;
constexpr auto kNoLine = EmptyListCause::kNoChannelLine;
constexpr auto kUtf8 = EmptyListCause::kMalformedUtf8;

INSTANTIATE_TEST_SUITE_P(
    Pages, EmptyListCauses,
    testing::Values(
        CauseCase{"vsetv served", Cause<ParseVsetvPage>(), test::ReadFixture("vsetv/channels.html"),
                  kNone},
        CauseCase{"vsetv redesigned", Cause<ParseVsetvPage>(),
                  test::ReadFixture("vsetv/channels_redesign.html"), kMarker},
        CauseCase{"vsetv without the selector's end", Cause<ParseVsetvPage>(),
                  "<option value=channel_1>A</option>", kMarker},
        CauseCase{"vsetv with an empty selector", Cause<ParseVsetvPage>(),
                  "<select><option value=channel_</select>", kNoLine},
        CauseCase{"teleguide served", Cause<ParseTeleguidePage>(),
                  test::ReadFixture("teleguide/kanals.html"), kNone},
        CauseCase{"teleguide redesigned", Cause<ParseTeleguidePage>(),
                  test::ReadFixture("teleguide/kanals_redesign.html"), kMarker},
        CauseCase{"teleguide groups without a channel link", Cause<ParseTeleguidePage>(),
                  "<div id=\"programm_group\"><h2>Кино</h2>\n <a href=\"/kanal5.html\">x</a>"
                  "<div id=\"footer\">",
                  kNoLine},
        CauseCase{"teleguide malformed UTF-8", Cause<ParseTeleguidePage>(),
                  test::ReadFixture("teleguide/kanals_malformed_utf8.html"), kUtf8},
        CauseCase{"akado served", Cause<ParseAkadoPage>(), test::ReadFixture("akado/channels.html"),
                  kNone},
        CauseCase{"akado redesigned", Cause<ParseAkadoPage>(),
                  test::ReadFixture("akado/channels_redesign.html"), kMarker},
        CauseCase{"akado table of links without text", Cause<ParseAkadoPage>(),
                  "</a></th></tr></thead><tr><td><a href=\"5.html\"></a></td></tr>"
                  "class=\"tv-special\"",
                  kNoLine},
        CauseCase{"akado malformed UTF-8", Cause<ParseAkadoPage>(),
                  test::ReadFixture("akado/channels_malformed_utf8.html"), kUtf8},
        CauseCase{"ntvplus served", Cause<ParseNtvplusPage>(), test::ReadFixture("ntvplus/lite.xl"),
                  kNone},
        CauseCase{"ntvplus redesigned", Cause<ParseNtvplusPage>(),
                  test::ReadFixture("ntvplus/lite_redesign.xl"), kMarker},
        CauseCase{"ntvplus with only the date selector", Cause<ParseNtvplusPage>(),
                  "</a></h1></div><select><option value=\"08.12\">8 декабря</option></select>"
                  "<div class=\"rightentry\">",
                  kNoLine},
        CauseCase{"ntvplus malformed UTF-8", Cause<ParseNtvplusPage>(),
                  test::ReadFixture("ntvplus/lite_malformed_utf8.xl"), kUtf8},
        CauseCase{"ontimetv served", Cause<ParseOntimetvPage>(),
                  test::ReadFixture("ontimetv/tv_cat11.html"), kNone},
        CauseCase{"ontimetv redesigned", Cause<ParseOntimetvPage>(),
                  test::ReadFixture("ontimetv/tv_redesign.html"), kMarker},
        CauseCase{"ontimetv without channel blocks", Cause<ParseOntimetvPage>(),
                  "<div id=\"tv_left_side\"><h2>Kino</h2><table><tr><td></td></tr></table>",
                  kNoLine},
        CauseCase{"zakon served", Cause<ParseZakonPage>(), test::ReadFixture("zakon/index.html"),
                  kNone},
        CauseCase{"zakon redesigned", Cause<ParseZakonPage>(),
                  test::ReadFixture("zakon/index_redesign.html"), kMarker},
        CauseCase{"zakon with an empty object", Cause<ParseZakonPage>(), "var channels = {\n\t\n};",
                  kNoLine},
        CauseCase{"tricolor served", TricolorCause, test::ReadFixture("tricolor/tvprogram.html"),
                  kNone},
        CauseCase{"tricolor redesigned", TricolorCause,
                  test::ReadFixture("tricolor/tvprogram_redesign.html"), kMarker},
        CauseCase{"tricolor with a check box on the first line only", TricolorCause,
                  "<div class=\"check-group\"><label><input type=\"checkbox\" value=\"1\" "
                  "name=\"fc\"><span>A</span></label><table class=\"redbutton\">",
                  kNoLine},
        CauseCase{"tricolor malformed UTF-8", TricolorCause,
                  "<div class=\"check-group\">\r\n<label><input type=\"checkbox\" value=\"1\" "
                  "name=\"fc\"><span>\xD0</span></label><table class=\"redbutton\">",
                  kUtf8},
        CauseCase{"channel package served", Cause<ParseChannelPackage>(),
                  test::ReadFixture("smartlab/list_channels.xml"), kNone},
        CauseCase{"channel package without entries", Cause<ParseChannelPackage>(),
                  "<?xml version=\"1.0\"?><response><channels></channels></response>",
                  EmptyListCause::kNoEntries}),
    test::CaseName());

class ListlessLoads : public testing::TestWithParam<test::ListlessSite> {};

// The load still ends as it always did (loaded, the rows the page gives) and
// carries the cause; tricolor still writes its (empty) trace file.
TEST_P(ListlessLoads, EndLoadedWithTheCause) {
  const test::ListlessSite& c = GetParam();
  const auto site = c.Serve();
  test::TempDir dir("listless");
  LoadOptions options;
  options.trace_file = dir.path() / "trace.txt";
  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider(c.what), http, c.SitesOf(*site), options);
  ASSERT_EQ(result.status, LoadStatus::kLoaded) << result.error;
  EXPECT_EQ(result.rows, c.rows);
  EXPECT_EQ(result.empty_list, c.cause);
  EXPECT_TRUE(result.warnings.empty());
  if (c.what == std::string_view("tricolor")) {
    EXPECT_TRUE(std::filesystem::exists(options.trace_file));
    EXPECT_EQ(test::ReadFile(options.trace_file), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Sites, ListlessLoads, testing::ValuesIn(test::ListlessSites()),
                         test::CaseName());

TEST(ListlessLoads, AListThatArrivesCarriesNoCause) {
  const test::ProviderSite site("/channels.html", test::ReadFixture("vsetv/channels.html"));
  HttpClient http;
  const LoadResult result = RunLoad(*FindProvider("vsetv"), http, site.SitesFor("vsetv"));
  ASSERT_EQ(result.status, LoadStatus::kLoaded);
  EXPECT_EQ(result.empty_list, EmptyListCause::kNone);
}

TEST(EmptyListMessage, NamesTheCauseInBothLanguages) {
  EXPECT_EQ(EmptyListMessage(EmptyListCause::kMarkerMissing, TextsFor(Language::kRu)),
            "Страница сайта получена, но списка каналов в ней не найдено. Возможно, сайт "
            "изменил оформление.\nПричина: на странице нет метки, с которой начинается или "
            "которой кончается список.");
  EXPECT_EQ(EmptyListMessage(EmptyListCause::kMalformedUtf8, TextsFor(Language::kEn)),
            "The site's page arrived, but no channel list was found in it. The site may have "
            "changed its layout.\nCause: the list's text is not well-formed UTF-8.");
  EXPECT_EQ(EmptyListMessage(EmptyListCause::kNoEntries, TextsFor(Language::kEn)),
            "The service answered, but its channel package holds no channel. The service may "
            "have changed its answer.\nCause: the answer holds no channel entry.");
  EXPECT_EQ(EmptyListMessage(EmptyListCause::kNone, TextsFor(Language::kRu)), "");
  // Each cause says something of its own.
  for (const Language language : {Language::kRu, Language::kEn}) {
    const UiTexts& texts = TextsFor(language);
    EXPECT_NE(EmptyListMessage(EmptyListCause::kMarkerMissing, texts),
              EmptyListMessage(EmptyListCause::kNoChannelLine, texts));
    EXPECT_NE(EmptyListMessage(EmptyListCause::kNoChannelLine, texts),
              EmptyListMessage(EmptyListCause::kMalformedUtf8, texts));
  }
}

}  // namespace
}  // namespace brelvik
