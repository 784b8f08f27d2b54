// The smartlab and moyo loaders: the service's XML answer read by position,
// and the whole load against loopback servers.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <stdexcept>

#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "loaders/loaders.h"

namespace brelvik {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr const char* kServicePath = "/CacheClient/ncdxml/ChannelPackage/list_channels";

std::string Entry(const std::string& code, const std::string& name) {
  return "<channel><id>" + code + "</id><number>7</number><name>" + name + "</name></channel>";
}

std::string Answer(const std::string& entries) {
  return std::string(kDeclaration) + "<response><channels>" + entries + "</channels></response>";
}

struct AnswerCase {
  const char* what;
  std::string answer;
  ChannelRows rows;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.what; }

class ChannelPackageAnswers : public testing::TestWithParam<AnswerCase> {};

TEST_P(ChannelPackageAnswers, ReadsRowsByPosition) {
  EXPECT_EQ(ParseChannelPackage(GetParam().answer), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ChannelPackageAnswers,
    testing::Values(
        AnswerCase{"worked example",
                   Answer(Entry("101", "Kino Plus") + Entry("102", "Sport")),
                   {{"Kino Plus", "101"}, {"Sport", "102"}}},
        AnswerCase{"indented with CR LF and tabs",
                   std::string(kDeclaration) +
                       "\r\n<response>\r\n\t<channels>\r\n\t\t<channel>\r\n\t\t\t<id>101</id>\r\n"
                       "\t\t\t<number>7</number>\r\n\t\t\t<name>Kino Plus</name>\r\n"
                       "\t\t</channel>\r\n\t</channels>\r\n</response>\r\n",
                   {{"Kino Plus", "101"}}},
        AnswerCase{"element names do not matter",
                   "<?xml version=\"1.0\"?><a><b><c><x>101</x><y>7</y><z>Kino Plus</z></c>"
                   "<d><p>102</p><q/><r>Sport</r></d></b><tail/></a>",
                   {{"Kino Plus", "101"}, {"Sport", "102"}}},
        AnswerCase{
            "first element is the code, third the name, whatever their names",
            Answer("<channel><name>Kino Plus</name><number>7</number><id>101</id></channel>"),
            {{"101", "Kino Plus"}}},
        AnswerCase{"children from position 3 on, and attributes, are not read",
                   Answer("<channel id=\"9\"><id>101</id><n/><name lang=\"ru\">Sport</name>"
                          "<logo><img/><img/></logo></channel>"),
                   {{"Sport", "101"}}},
        AnswerCase{"a name containing > is cut at it", Answer(Entry("7", "A&gt;B")), {{"A", "B"}}},
        AnswerCase{"spaces around a name or code stay",
                   Answer(Entry(" 101 ", "  Kino  ")),
                   {{"  Kino  ", " 101 "}}},
        AnswerCase{"two equal entries give two rows",
                   Answer(Entry("101", "Kino") + Entry("101", "Kino")),
                   {{"Kino", "101"}, {"Kino", "101"}}},
        AnswerCase{"container without children", Answer(""), {}},
        AnswerCase{"CDATA, escapes and Cyrillic",
                   Answer(Entry("<![CDATA[1<2]]>", "<![CDATA[Первый канал]]>") +
                          Entry("&#x31;&#50;", "Дом &amp; Сад")),
                   {{"Первый канал", "1<2"}, {"Дом & Сад", "12"}}},
        AnswerCase{"declared Windows-1251 becomes UTF-8",
                   "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r><c><e><i>1</i><n/>"
                   "<t>\xCF\xE5\xF0\xE2\xFB\xE9</t></e></c></r>",
                   {{"Первый", "1"}}}),
    test::CaseName());

struct FailureCase {
  const char* what;
  std::string answer;
  std::string message;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class ChannelPackageFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(ChannelPackageFailures, RaiseAClearError) {
  try {
    ParseChannelPackage(GetParam().answer);
    FAIL() << "no error raised";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ChannelPackageFailures,
    testing::Values(
        FailureCase{"truncated document",
                    Answer(Entry("101", "Kino") + Entry("102", "Sport")).substr(0, 104),
                    "malformed XML: no element found at byte 104"},
        FailureCase{
            "an entry with two children after a good one",
            Answer(Entry("101", "Kino") + "<channel><id>102</id><name>Sport</name></channel>"),
            "unexpected XML: channel entry 1 has fewer than three children"},
        FailureCase{"no declaration, so no node 1", "<response><channels/></response>",
                    "unexpected XML: no node 1 at the document's top level"},
        FailureCase{
            "a comment before the root takes position 1",
            std::string(kDeclaration) + "<!-- cache -->" + "<response><channels/></response>",
            "unexpected XML: node 1 at the document's top level has no child 0"},
        FailureCase{"root without children", std::string(kDeclaration) + "<response/>",
                    "unexpected XML: node 1 at the document's top level has no child 0"},
        FailureCase{"empty name", Answer(Entry("101", "")),
                    "unexpected XML: child 2 of channel entry 0 is empty"},
        FailureCase{"blank code", Answer(Entry(" \r\n ", "Kino")),
                    "unexpected XML: child 0 of channel entry 0 is empty"},
        FailureCase{"name holding an element", Answer(Entry("101", "<b>Kino</b>")),
                    "unexpected XML: child 2 of channel entry 0 does not hold a single text"},
        FailureCase{"name holding two texts", Answer(Entry("101", "Ki<!-- x -->no")),
                    "unexpected XML: child 2 of channel entry 0 does not hold a single text"},
        FailureCase{"code position holding text, not an element",
                    Answer("<channel>101<number>7</number><name>Kino</name></channel>"),
                    "unexpected XML: child 0 of channel entry 0 is not an element"},
        FailureCase{"malformed UTF-8 in a name", Answer(Entry("101", "Kino \xD0")),
                    "malformed XML: not well-formed (invalid token) at byte 108"},
        FailureCase{"two elements at the top level", Answer(Entry("101", "Kino")) + "<response/>",
                    "malformed XML: junk after document element at byte 146"},
        // What XML 1.0 forbids and a lenient reader lets through as raw text.
        FailureCase{"an undeclared entity", Answer(Entry("1", "&xxe;")),
                    "malformed XML: undefined entity at byte 101"},
        FailureCase{"a bare & in a text", Answer(Entry("1", "Tom & Jerry")),
                    "malformed XML: not well-formed (invalid token) at byte 106"},
        FailureCase{"a < in an attribute value",
                    Answer("<channel id=\"a<b\"><id>1</id><n/><name>Kino</name></channel>"),
                    "malformed XML: not well-formed (invalid token) at byte 72"},
        FailureCase{"offsets count the bytes as served in Windows-1251",
                    "<?xml version=\"1.0\" encoding=\"windows-1251\"?><r><c><e><i>1</i><n/>"
                    "<t>\xCF\xE5\xF0 & </t></e></c></r>",
                    "malformed XML: not well-formed (invalid token) at byte 74"},
        FailureCase{"an entity-expanding DOCTYPE",
                    std::string(kDeclaration) +
                        "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">"
                        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;\">]>"
                        "<r><c>" +
                        Entry("1", "&d;&d;&d;&d;&d;&d;&d;&d;") + "</c></r>",
                    "unexpected XML: a document type declaration is refused"}),
    test::CaseName());

// Removes the whitespace between tags, as a service might send its answer.
std::string Compact(const std::string& xml) {
  return std::regex_replace(xml, std::regex(">[ \t\r\n]+<"), "><");
}

TEST(ChannelPackageFixtures, ServedAnswersWithAndWithoutIndentation) {
  const ChannelRows smartlab{{"Kino Plus", "101"}, {"Sport", "102"},      {"Первый канал", "1015"},
                             {"Россия 1", "1016"}, {"Дом & Сад", "2044"}, {"Кино ", " HD"},
                             {"Kino Plus", "101"}};
  const ChannelRows moyo{{"Первый канал", "40361501"},
                         {"Россия 1", "40361502"},
                         {"НТВ", "40361517"},
                         {"Карусель", "40361610"},
                         {"Euronews", "40361733"}};
  const std::string smartlab_answer = test::ReadFixture("smartlab/list_channels.xml");
  const std::string moyo_answer = test::ReadFixture("moyo/list_channels.xml");
  EXPECT_EQ(ParseChannelPackage(smartlab_answer), smartlab);
  EXPECT_EQ(ParseChannelPackage(Compact(smartlab_answer)), smartlab);
  EXPECT_EQ(ParseChannelPackage(moyo_answer), moyo);
  EXPECT_EQ(ParseChannelPackage(Compact(moyo_answer)), moyo);
}

struct ServiceCase {
  const char* key;
  const char* service;
  const char* target;
};

class ChannelPackageLoad : public testing::TestWithParam<ServiceCase> {};

// The probe goes to the provider's site, the request to its service, with the
// query exactly as the service expects it.
TEST_P(ChannelPackageLoad, ProbesTheSiteAndAsksTheService) {
  const ServiceCase& c = GetParam();
  const test::ProviderSite site("/", "<html></html>", "text/html");
  test::ProviderSite service(kServicePath, test::ReadFixture("smartlab/list_channels.xml"),
                             "text/xml; charset=utf-8");
  ProviderSites sites;
  site.Override(sites, c.key);
  service.Override(sites, c.service);
  HttpClient http;

  const LoadResult loaded = RunLoad(*FindProvider(c.key), http, sites);
  ASSERT_EQ(loaded.status, LoadStatus::kLoaded) << loaded.error;
  EXPECT_EQ(loaded.site_label, ": " + site.Url(""));
  ASSERT_EQ(loaded.rows.size(), 7u);
  EXPECT_EQ(loaded.rows[2], (ChannelRow{"Первый канал", "1015"}));
  EXPECT_TRUE(loaded.warnings.empty());

  service.Serve(Answer(""));
  const LoadResult empty = RunLoad(*FindProvider(c.key), http, sites);
  EXPECT_EQ(empty.status, LoadStatus::kLoaded) << empty.error;
  EXPECT_TRUE(empty.rows.empty());

  service.Serve(Answer(Entry("101", "Kino") + "<channel><id>102</id><name>Sport</name></channel>"));
  const LoadResult broken = RunLoad(*FindProvider(c.key), http, sites);
  EXPECT_EQ(broken.status, LoadStatus::kFailed);
  EXPECT_EQ(broken.error, "unexpected XML: channel entry 1 has fewer than three children");
  EXPECT_TRUE(broken.rows.empty());

  ASSERT_EQ(site.RequestCount(), 3u);
  EXPECT_TRUE(test::IsProbe(site.Requests()[0]));
  const auto requests = service.Requests();
  const auto page_requests = service.PageRequests();
  ASSERT_EQ(requests.size(), 3u);
  ASSERT_EQ(page_requests.size(), 3u);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(page_requests[i].target, c.target);
    EXPECT_EQ(requests[i].method, "GET");
    EXPECT_TRUE(test::IsPageRequest(requests[i], kServicePath));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Providers, ChannelPackageLoad,
    testing::Values(ServiceCase{"smartlab", "smartlab.service",
                                "/CacheClient/ncdxml/ChannelPackage/list_channels?"
                                "to=99999&channelPackageId=1529084&locationId=100901&from=0"},
                    ServiceCase{"moyo", "moyo.service",
                                "/CacheClient/ncdxml/ChannelPackage/list_channels?"
                                "from=0&to=99999&channelPackageId=40361377&locationId=1000050"}),
    [](const testing::TestParamInfo<ServiceCase>& info) { return std::string(info.param.key); });

TEST(ChannelPackageLoad, ServiceErrorsAndAnUnavailableSite) {
  const test::ProviderSite site("/", "ok", "text/html");
  const test::ProviderSite service(kServicePath, "boom", "text/plain", 500);
  test::LoopbackServer missing([](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
  });
  HttpClient http;
  ProviderSites sites;
  site.Override(sites, "smartlab");
  service.Override(sites, "smartlab.service");
  EXPECT_TRUE(test::FailedOnServerError(RunLoad(*FindProvider("smartlab"), http, sites)));

  // An unavailable site ends the load before the service is asked.
  ASSERT_EQ(sites.Override("smartlab=" + missing.Url("")), "");
  const LoadResult unavailable = RunLoad(*FindProvider("smartlab"), http, sites);
  EXPECT_EQ(unavailable.status, LoadStatus::kNoConnect);
  EXPECT_EQ(service.RequestCount(), 1u);
}

}  // namespace
}  // namespace brelvik
