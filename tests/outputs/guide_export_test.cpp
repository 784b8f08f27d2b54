// The guide exports: the XMLTV channel list byte for byte and through the
// XMLTV validator, the grabber channel file read back by an XML parser.
#include "outputs/guide_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "outputs/guide_channel_id.h"
#include "outputs/list_export.h"
#include "support/version.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

constexpr const char* kSite = ": http://www.vsetv.com";

// Cyrillic, markup characters, quotes, control characters in a name and a
// code, a tab, two rows under one code, renamed rows and a row without a code.
const ListedChannels kChannels = {
    {{"Первый канал", "1"}, "Первый канал"},   {{"Tom & Jerry <HD>", "2"}, "Tom&Jerry"},
    {{"\"Кино\" 'ТВ'", "3"}, "\"Кино\" 'ТВ'"}, {{"Бел\x01ый", "4\x02"}, "Бел\x01ый"},
    {{"Россия 1", "5"}, "Россия-1"},           {{"Без кода", " "}, "Без кода"},
    {{"Россия 1 HD", "5"}, "Россия 1"},        {{"Tab\there", "6"}, "Tab\there"},
};

TEST(XmltvExport, OneChannelPerIdWithShownThenProviderNames) {
  GuideExportReport report;
  const std::string xml = ExportXmltv(kChannels, kSite, "ru", report);
  EXPECT_EQ(xml, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
                             "<tv generator-info-name=\"Brelvik ") +
                     std::string(ProgramVersion()) +
                     "\" source-info-url=\"http://www.vsetv.com\">\n"
                     "  <channel id=\"1\">\n"
                     "    <display-name lang=\"ru\">Первый канал</display-name>\n"
                     "  </channel>\n"
                     "  <channel id=\"2\">\n"
                     "    <display-name lang=\"ru\">Tom &amp; Jerry &lt;HD&gt;</display-name>\n"
                     "    <display-name lang=\"ru\">Tom&amp;Jerry</display-name>\n"
                     "  </channel>\n"
                     "  <channel id=\"3\">\n"
                     "    <display-name lang=\"ru\">&quot;Кино&quot; 'ТВ'</display-name>\n"
                     "  </channel>\n"
                     "  <channel id=\"4\">\n"
                     "    <display-name lang=\"ru\">Белый</display-name>\n"
                     "  </channel>\n"
                     "  <channel id=\"5\">\n"
                     "    <display-name lang=\"ru\">Россия 1</display-name>\n"
                     "    <display-name lang=\"ru\">Россия 1 HD</display-name>\n"
                     "    <display-name lang=\"ru\">Россия-1</display-name>\n"
                     "  </channel>\n"
                     "  <channel id=\"6\">\n"
                     "    <display-name lang=\"ru\">Tab&#9;here</display-name>\n"
                     "  </channel>\n"
                     "</tv>\n");
  // The control characters of row 4's name and code; the row without a code;
  // "Россия 1 HD" written into the channel of "Россия 1".
  EXPECT_EQ(report,
            (GuideExportReport{.dropped_characters = 2, .rows_without_id = 1, .merged_rows = 1}));

  // A row with a code but no name gives no channel: a display name must hold text.
  GuideExportReport nameless_report;
  EXPECT_EQ(ExportXmltv({{{"", "7"}, ""}}, "", "en", nameless_report),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
            "<tv generator-info-name=\"Brelvik " +
                std::string(ProgramVersion()) +
                "\">\n"
                "</tv>\n");
  EXPECT_EQ(nameless_report, GuideExportReport{.rows_without_name = 1});
}

// One id for every output: the playlist's tvg-id, the XMLTV channel id and
// the grabber's xmltv_id all come from here.
TEST(GuideChannelId, QuotesGoBeforeTheTrimAndWhatXmlCannotHoldIsDropped) {
  const struct {
    const char* code;
    const char* id;
  } cases[] = {
      {"5", "5"},
      {"\" 8 \"", "8"},  // the quotes went first, then the trim
      {" \"8\" ", "8"},
      {"\xC2\xA0"
       "8\xE3\x80\x80",
       "8"},  // no-break and ideographic spaces
      {"\xEF\xBB\xBF"
       "8",
       "8"},                               // a byte-order mark
      {"ch 8", "ch 8"},                    // a space inside stays
      {"a\x01\tb\x7F", "ab"},              // control characters
      {"8\xEF\xBF\xBE\xEF\xBF\xBF", "8"},  // U+FFFE, U+FFFF
      {" \xEF\xBF\xBE 9", "9"},            // trimmed once they are gone
      {"\"\"", ""},
      {" ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GuideChannelId({"Name", c.code}), c.id) << c.code;
}

// The grabber file: one channel per code and id (the built-in stv list has
// "Disney" and "Канал Disney" under one code), the other names kept as
// comments; rows without a code or a name are left out and counted; and
// the file holds what a grabber's channel-file check accepts.
TEST(GrabberChannelsExport, OneChannelPerCodeAndIdWithNamedRowsOnly) {
  const struct {
    const char* what;
    ListedChannels channels;
    std::vector<std::string> lines;  // the <channel> lines
    GuideExportReport report;
  } cases[] = {
      {"a shared code",
       {{{"Disney", "5"}, "Disney"},
        {{"Канал Disney", "5"}, "Канал Disney"},
        {{"НТВ", "7"}, "НТВ"},
        {{"Disney", "5"}, "Disney"}},
       {"<channel site=\"www.vsetv.com\" site_id=\"5\" lang=\"ru\" xmltv_id=\"5\">Disney</channel>"
        " <!-- also: Канал Disney -->",
        "<channel site=\"www.vsetv.com\" site_id=\"7\" lang=\"ru\" xmltv_id=\"7\">НТВ</channel>"},
       {.merged_rows = 2}},
      {"a comment cannot hold \"--\" or a line break",
       {{{"A", "1"}, "A"}, {{"B--C\nD-", "1"}, "B"}},
       {"<channel site=\"www.vsetv.com\" site_id=\"1\" lang=\"ru\" xmltv_id=\"1\">A</channel>"
        " <!-- also: B- -C D- -->"},
       {.merged_rows = 1}},
      {"codes that differ but give one id stay apart",
       {{{"A", "8"}, "A"}, {{"A", "\" 8 \""}, "A"}},
       {"<channel site=\"www.vsetv.com\" site_id=\"8\" lang=\"ru\" xmltv_id=\"8\">A</channel>",
        "<channel site=\"www.vsetv.com\" site_id=\"&quot; 8 &quot;\" lang=\"ru\" "
        "xmltv_id=\"8\">A</channel>"},
       {}},
      {"rows without a name or a code",
       {{{"", "3"}, "Старое"},
        {{" \x01", "4"}, " \x01"},
        {{"Без кода", ""}, "Без кода"},
        {{"\xEF\xBF\xBF", "6"}, ""}},
       {},
       {.rows_without_id = 1, .rows_without_name = 3}},
  };
  for (const auto& c : cases) {
    GuideExportReport report;
    const std::string xml = ExportGrabberChannels(c.channels, kSite, "ru", report);
    std::vector<std::string> lines;
    std::istringstream in(xml);
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("  <channel ")) lines.push_back(line.substr(2));
    }
    EXPECT_EQ(lines, c.lines) << c.what;
    EXPECT_EQ(report, c.report) << c.what;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_buffer(xml.data(), xml.size())) << xml;
    std::set<std::string> site_ids;
    for (const pugi::xml_node channel : doc.child("channels").children("channel")) {
      EXPECT_TRUE(site_ids.insert(channel.attribute("site_id").value()).second) << c.what;
      EXPECT_STRNE(channel.text().get(), "") << c.what;
    }
  }
}

// Runs a command; its standard output and error together, and its exit status.
std::pair<std::string, int> RunCommand(const std::string& command) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {"popen failed", -1};
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  return {output, ::pclose(pipe)};
}

constexpr const char* kXmltvDtd = "/usr/share/xmltv/xmltv.dtd";

// The validator also holds every file to what a full guide needs: programmes,
// and ids of the dotted form it recommends. A channel list has none of the
// former and provider codes are not of the latter, so those two reports are
// expected; anything else (not well-formed, not valid against the DTD, bad
// UTF-8, unknown entities, duplicate ids) fails.
TEST(XmltvExport, PassesTheXmltvValidator) {
  if (std::system("command -v tv_validate_file >/dev/null 2>&1") != 0 || !fs::exists(kXmltvDtd)) {
    GTEST_SKIP() << "xmltv-util is not installed (scripts/bootstrap installs it)";
  }
  TempDir dir;
  ListedChannels channels = kChannels;
  channels.push_back({{"BBC One", "bbc1.bbc.co.uk"}, "BBC One"});
  for (const std::string lang : {"ru", "en"}) {
    const fs::path file = dir.path() / "guide.xml";
    ExportList(file, {ListFormat::kXmltv, channels, {}, lang, kSite});
    const auto [output, status] = RunCommand("tv_validate_file --dtd-file " +
                                             std::string(kXmltvDtd) + " '" + file.string() + "'");
    std::vector<std::string> unexpected;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
      const bool expected = line == "No programme entries found." ||
                            line.find(" errors found.") != std::string::npos ||
                            (line.find("Invalid channel-id '") != std::string::npos &&
                             line.find("bbc1") == std::string::npos);
      if (!expected) unexpected.push_back(line);
    }
    EXPECT_TRUE(unexpected.empty()) << output;
    EXPECT_NE(output.find("No programme entries found."), std::string::npos) << output;

    // What a parser reads: unique ids and every name once, unescaped.
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(file.c_str())) << ReadFile(file);
    std::set<std::string> ids;
    std::vector<std::string> names;
    for (const pugi::xml_node channel : doc.child("tv").children("channel")) {
      EXPECT_TRUE(ids.insert(channel.attribute("id").value()).second);
      for (const pugi::xml_node name : channel.children("display-name")) {
        EXPECT_EQ(name.attribute("lang").value(), lang);
        names.push_back(name.text().get());
      }
    }
    EXPECT_EQ(ids, (std::set<std::string>{"1", "2", "3", "4", "5", "6", "bbc1.bbc.co.uk"}));
    EXPECT_EQ(names, (std::vector<std::string>{"Первый канал", "Tom & Jerry <HD>", "Tom&Jerry",
                                               "\"Кино\" 'ТВ'", "Белый", "Россия 1", "Россия 1 HD",
                                               "Россия-1", "Tab\there", "BBC One"}));
  }
}

TEST(GrabberChannelsExport, RoundTripsThroughAnXmlParserToTheSameRows) {
  ListedChannels channels = kChannels;
  channels.push_back({{"Line\r\nbreak", "a&b\"c<d>"}, "Line"});
  TempDir dir;
  const fs::path file = dir.path() / "vsetv.channels.xml";
  const GuideExportReport report =
      ExportList(file, {ListFormat::kGrabberChannels, channels, {}, "ru", kSite});
  EXPECT_EQ(report,
            (GuideExportReport{.dropped_characters = 2, .rows_without_id = 1, .merged_rows = 1}));
  const std::string bytes = ReadFile(file);
  EXPECT_NE(bytes.find("<channel site=\"www.vsetv.com\" site_id=\"2\" lang=\"ru\" xmltv_id=\"2\">"
                       "Tom &amp; Jerry &lt;HD&gt;</channel>\n"),
            std::string::npos)
      << bytes;

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_buffer(bytes.data(), bytes.size())) << bytes;
  ChannelRows read;
  for (const pugi::xml_node channel : doc.child("channels").children("channel")) {
    EXPECT_STREQ(channel.attribute("site").value(), "www.vsetv.com");
    EXPECT_STREQ(channel.attribute("lang").value(), "ru");
    const ChannelRow row{channel.text().get(), channel.attribute("site_id").value()};
    EXPECT_EQ(channel.attribute("xmltv_id").value(), GuideChannelId(row));
    read.push_back(row);
  }
  ChannelRows expected;
  for (const ListedChannel& channel : channels) {
    // "Россия 1 HD" shares code 5 with "Россия 1": one channel of that name.
    if (!GuideChannelId(channel.row).empty() && channel.row.name != "Россия 1 HD") {
      expected.push_back(channel.row);
    }
  }
  expected[3] = {"Белый", "4"};  // without its control characters
  EXPECT_EQ(read, expected);
}

TEST(GuideExport, SiteAddressAndHost) {
  struct Case {
    const char* label;
    const char* address;
    const char* host;
  };
  const Case cases[] = {
      {": http://www.vsetv.com", "http://www.vsetv.com", "www.vsetv.com"},
      {": http://127.0.0.1:8080", "http://127.0.0.1:8080", "127.0.0.1"},
      {": https://user@tv.example.org:443/path?q", "https://user@tv.example.org:443/path?q",
       "tv.example.org"},
      {": http://[::1]:80", "http://[::1]:80", "[::1]"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SiteAddress(c.label), c.address) << c.label;
    EXPECT_EQ(SiteHost(c.label), c.host) << c.label;
  }
}

TEST(GuideExport, NoticesSayWhatWasLeftOut) {
  EXPECT_TRUE(ExportNotices({}, Language::kRu).empty());
  EXPECT_EQ(
      ExportNotices(
          {.dropped_characters = 3, .rows_without_id = 1, .rows_without_name = 2, .merged_rows = 4},
          Language::kEn),
      (std::vector<std::string>{
          "Characters that XML cannot hold were dropped: 3.",
          "Rows without a channel code were left out: 1.",
          "Rows with a code but without a name were left out: 2.",
          "Rows merged into the channel of an earlier row with the same id: 4."}));
  EXPECT_EQ(ExportNotices({.dropped_characters = 2}, Language::kRu),
            (std::vector<std::string>{"Удалено символов, которые XML не может содержать: 2."}));
}

}  // namespace
}  // namespace brelvik
