// brelvik-cli match: the JSON contract, --apply with the channel-id file,
// --write-playlist byte for byte, and bad playlists that stop everything.
#include <gtest/gtest.h>

#include <mutex>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "cli/cli.h"
#include "cli/cli_run.h"
#include "fixture.h"
#include "loaders/loader_test_support.h"
#include "outputs/channel_id_map.h"
#include "support/codepage.h"
#include "support/loopback_server.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

using test::Cli;
using test::CliRun;

void Write(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

constexpr std::string_view kPlaylist =
    "#EXTM3U url-tvg=\"http://epg.example/guide.xml\"\r\n"
    "#EXTINF:-1 tvg-name=\"Первый канал HD\" group-title=\"Эфир, общие\",Первый HD\r\n"
    "#EXTVLCOPT:http-user-agent=Player/1.0\r\n"
    "http://s.example/1.m3u8?a=1,2\r\n"
    "#EXTINF:-1 tvg-id=\"old\",RU: НТВ\n"
    "http://s.example/2\n"
    "#EXTINF:0,Кино без пары\r\n"
    "http://s.example/3\r\n";

class MatchCli : public testing::Test {
 protected:
  void SetUp() override { Write(dir_.path() / "list.m3u", kPlaylist); }
  std::vector<std::string> Args(std::vector<std::string> extra) {
    std::vector<std::string> args = {"match",      "vsetv",
                                     "--site",     "vsetv=" + server_.Url(""),
                                     "--playlist", (dir_.path() / "list.m3u").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }

  std::atomic<int> page_requests_{0};
  test::LoopbackServer server_{[this](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [this](const httplib::Request&, httplib::Response& res) {
      ++page_requests_;
      res.set_content(Utf8ToCp1251("<select><option value=channel_1>Первый канал HD</option>"
                                   "<option value=channel_7>НТВ</option>"
                                   "<option value=channel_9>Россия 24</option></select>"),
                      "text/html");
    });
  }};
  test::TempDir dir_{"match-cli"};
};

TEST_F(MatchCli, PrintsTheJsonContract) {
  const CliRun run = Cli(Args({"--format", "json", "--lang", "en"}));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "[\n"
      " {\"name\": \"НТВ\", \"code\": \"7\", \"playlist_name\": \"RU: НТВ\", "
      "\"playlist_index\": 1, \"score\": 100, \"status\": \"exact\", "
      "\"reason\": \"same after removing “RU:”\", \"also\": []},\n"
      " {\"name\": \"Первый канал HD\", \"code\": \"1\", \"playlist_name\": \"Первый канал HD\", "
      "\"playlist_index\": 0, \"score\": 100, \"status\": \"exact\", \"reason\": \"same name\", "
      "\"also\": []},\n"
      " {\"name\": \"Россия 24\", \"code\": \"9\", \"playlist_name\": null, "
      "\"playlist_index\": null, \"score\": 0, \"status\": \"none\", "
      "\"reason\": \"no playlist name comes close\", \"also\": []}\n"
      "]\n");
  EXPECT_EQ(run.err, "brelvik-cli: exact 2, auto 0, review 0, none 1\n");
  const CliRun ru = Cli(Args({"--format", "tsv"}));
  EXPECT_EQ(ru.err, "brelvik-cli: точно 2, авто 0, проверить 0, нет 1\n");
  EXPECT_NE(ru.out.find("НТВ\t7\tRU: НТВ\t100\texact\tто же после удаления «RU:»\t0\n"),
            std::string::npos);
}

TEST_F(MatchCli, AppliesPlaylistNamesToTheChannelIdFile) {
  const auto id_file = dir_.path() / "channels_id";
  ASSERT_EQ(Cli(Args({"--apply", "--channel-id", id_file.string()})).code, 0);
  EXPECT_EQ(test::ReadFile(id_file),
            CreateList({{"RU: НТВ", "7"}, {"Первый канал HD", "1"}, {"Первый HD", "1"},
                        {"Россия 24", "9"}}) +
                "\r\n");
  ASSERT_EQ(Cli(Args({"--channel-id", id_file.string()})).code, 0);
  EXPECT_EQ(test::ReadFile(id_file),
            CreateList({{"НТВ", "7"}, {"Первый канал HD", "1"}, {"Россия 24", "9"}}) + "\r\n");
}

TEST_F(MatchCli, WritesThePlaylistWithIdsAndEveryOtherByteAsItWas) {
  const auto target = dir_.path() / "out.m3u";
  ASSERT_EQ(Cli(Args({"--write-playlist", target.string()})).code, 0);
  std::string expected(kPlaylist);
  expected.replace(expected.find("#EXTINF:-1 tvg-name"), 10, "#EXTINF:-1 tvg-id=\"1\"");
  expected.replace(expected.find("\"old\""), 5, "\"7\"");
  EXPECT_EQ(test::ReadFile(target), expected);

  // The input itself, named as the target, is replaced whole.
  const auto input = (dir_.path() / "list.m3u").string();
  ASSERT_EQ(Cli(Args({"--write-playlist", input})).code, 0);
  EXPECT_EQ(test::ReadFile(input), expected);

  // A write that fails leaves the target as it was.
  Write(target, "precious");
  const CliRun failed = Cli(Args({"--write-playlist", (dir_.path() / "no" / "out.m3u").string()}));
  EXPECT_EQ(failed.code, 1);
  EXPECT_EQ(test::ReadFile(target), "precious");
}

// A playlist with several copies of a channel: every copy carries the row's
// code, in the JSON contract's "also", the channel-id file and the written
// playlist alike.
TEST_F(MatchCli, EveryCopyOfAChannelGetsItsCode) {
  const auto list = dir_.path() / "copies.m3u";
  Write(list,
        "#EXTM3U\n#EXTINF:-1,НТВ (576p)\nhttp://s.example/1\n"
        "#EXTINF:-1,NTV (1080p) [Geo-blocked]\nhttp://s.example/2\n"
        "#EXTINF:-1,Россия 24 +2\nhttp://s.example/3\n"
        "#EXTINF:-1,НТВ (576p)\nhttp://s.example/4\n");
  const auto id_file = dir_.path() / "channels_id";
  const auto written = dir_.path() / "out.m3u";
  std::vector<std::string> args = Args({"--format", "json", "--lang", "en", "--apply",
                                        "--channel-id", id_file.string(), "--write-playlist",
                                        written.string()});
  args[5] = list.string();
  const CliRun run = Cli(args);
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("\"playlist_name\": \"НТВ (576p)\", \"playlist_index\": 0, "
                         "\"score\": 100, \"status\": \"exact\", "
                         "\"reason\": \"same after removing “(576p)”\", \"also\": "
                         "[{\"playlist_name\": \"NTV (1080p) [Geo-blocked]\", \"playlist_index\": 1}]}"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(test::ReadFile(id_file),
            CreateList({{"НТВ (576p)", "7"},
                        {"NTV (1080p) [Geo-blocked]", "7"},
                        {"Первый канал HD", "1"},
                        {"Россия 24", "9"}}) +
                "\r\n");
  EXPECT_EQ(test::ReadFile(written),
            "#EXTM3U\n#EXTINF:-1 tvg-id=\"7\",НТВ (576p)\nhttp://s.example/1\n"
            "#EXTINF:-1 tvg-id=\"7\",NTV (1080p) [Geo-blocked]\nhttp://s.example/2\n"
            "#EXTINF:-1,Россия 24 +2\nhttp://s.example/3\n"
            "#EXTINF:-1 tvg-id=\"7\",НТВ (576p)\nhttp://s.example/4\n");
  const CliRun tsv = Cli(Args({"--format", "tsv", "--lang", "en"}));
  EXPECT_NE(tsv.out.find("\texact\tsame after removing “RU:”\t0\n"), std::string::npos);
}

// A redesigned provider page: match ends with 4 like load, and none of the
// files it would write over is touched without --allow-empty.
TEST_F(MatchCli, APageWithoutAListKeepsExistingFiles) {
  const test::ProviderSite redesigned("/channels.html",
                                      test::ReadFixture("vsetv/channels_redesign.html"));
  const auto id_file = dir_.path() / "channels_id";
  const auto target = dir_.path() / "out.m3u";
  const auto mapping = dir_.path() / "mapping.json";
  Write(id_file, "old");
  Write(target, "precious");
  Write(mapping, "decisions");
  std::vector<std::string> args = {"match",
                                   "vsetv",
                                   "--site",
                                   "vsetv=" + redesigned.Url(""),
                                   "--playlist",
                                   (dir_.path() / "list.m3u").string(),
                                   "--channel-id",
                                   id_file.string(),
                                   "--write-playlist",
                                   target.string(),
                                   "--save-mapping",
                                   mapping.string()};
  const CliRun kept = Cli(args);
  EXPECT_EQ(kept.code, 4) << kept.err;
  EXPECT_NE(kept.err.find("списка каналов в ней не найдено"), std::string::npos);
  EXPECT_EQ(test::ReadFile(id_file), "old");
  EXPECT_EQ(test::ReadFile(target), "precious");
  EXPECT_EQ(test::ReadFile(mapping), "decisions");

  args.push_back("--allow-empty");
  EXPECT_EQ(Cli(args).code, 4);
  EXPECT_EQ(test::ReadFile(id_file), "a:0:{}\r\n");
  EXPECT_EQ(test::ReadFile(target), kPlaylist);
  EXPECT_NE(test::ReadFile(mapping), "decisions");
}

TEST_F(MatchCli, ABadPlaylistStopsBeforeAnythingIsFetchedOrWritten) {
  const auto id_file = dir_.path() / "channels_id";
  Write(id_file, "old");
  const auto bad = dir_.path() / "bad.m3u";
  for (const std::string& bytes : {std::string(), std::string("#EXTM3U\n#EXTINF:-1,A\0\n", 21)}) {
    Write(bad, bytes);
    const CliRun run = Cli({"match", "vsetv", "--site", "vsetv=" + server_.Url(""), "--playlist",
                            bad.string(), "--channel-id", id_file.string(), "--lang", "en"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.rfind("brelvik-cli: " + bad.string() + ":", 0), 0u) << run.err;
  }
  EXPECT_EQ(test::ReadFile(id_file), "old");
  EXPECT_EQ(page_requests_, 0);
  // A list of names has no place for tvg-id.
  Write(bad, "Первый канал\n");
  EXPECT_EQ(Cli({"match", "vsetv", "--playlist", bad.string(), "--write-playlist",
                 (dir_.path() / "x.m3u").string()})
                .code,
            1);
}

TEST_F(MatchCli, RefusesOptionsThatMakeNoSense) {
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"match", "vsetv"},
                                             Args({"--auto-score", "101"}),
                                             Args({"--review-score", "abc"}),
                                             Args({"--auto-score", "50", "--review-score", "70"}),
                                             Args({"--format", "m3u"}),
                                             {"load", "vsetv", "--playlist", "x.m3u"},
                                             {"load", "vsetv", "--apply"}}) {
    EXPECT_EQ(Cli(bad).code, 2) << bad.back();
  }
}

TEST_F(MatchCli, GuideExportsNameTheChannelsByTheWrittenPlaylistsIds) {
  const auto playlist = dir_.path() / "out.m3u";
  const auto xmltv = dir_.path() / "guide.xml";
  const auto grabber = dir_.path() / "guide.channels.xml";
  ASSERT_EQ(
      Cli(Args({"--apply", "--write-playlist", playlist.string(), "--export", xmltv.string()}))
          .code,
      0);
  ASSERT_EQ(Cli(Args({"--apply", "--export", grabber.string()})).code, 0);

  std::set<std::string> tvg_ids;
  const std::string written = test::ReadFile(playlist);
  const std::regex id("tvg-id=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(written.begin(), written.end(), id);
       it != std::sregex_iterator(); ++it) {
    tvg_ids.insert((*it)[1]);
  }
  EXPECT_EQ(tvg_ids, (std::set<std::string>{"1", "7"}));

  pugi::xml_document tv, channels;
  ASSERT_TRUE(tv.load_file(xmltv.c_str()));
  ASSERT_TRUE(channels.load_file(grabber.c_str()));
  std::set<std::string> xmltv_ids, grabber_ids;
  for (const auto& channel : tv.child("tv").children("channel")) {
    xmltv_ids.insert(channel.attribute("id").value());
    if (std::string(channel.attribute("id").value()) == "7") {
      // The matched name first, the provider's own beside it.
      EXPECT_STREQ(channel.child("display-name").text().get(), "RU: НТВ");
      EXPECT_STREQ(channel.child("display-name").next_sibling("display-name").text().get(), "НТВ");
    }
  }
  for (const auto& channel : channels.child("channels").children("channel")) {
    grabber_ids.insert(channel.attribute("xmltv_id").value());
  }
  for (const std::string& tvg : tvg_ids) {
    EXPECT_TRUE(xmltv_ids.count(tvg)) << tvg;
    EXPECT_TRUE(grabber_ids.count(tvg)) << tvg;
  }
}

TEST_F(MatchCli, SavedMappingsSurviveARefreshThatChangedThePage) {
  std::mutex lock;
  std::string page =
      "<option value=channel_1>Первый канал HD</option><option value=channel_7>НТВ</option>"
      "<option value=channel_9>Россия 24</option><option value=channel_3>Старый</option>";
  test::LoopbackServer site([&](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [&](const httplib::Request&, httplib::Response& res) {
      std::lock_guard<std::mutex> hold(lock);
      res.set_content(Utf8ToCp1251("<select>" + page + "</select>"), "text/html");
    });
  });
  const auto mapping = dir_.path() / "vsetv.mapping";
  const auto report = dir_.path() / "report.json";
  const std::vector<std::string> base = {"match",      "vsetv",
                                         "--site",     "vsetv=" + site.Url(""),
                                         "--playlist", (dir_.path() / "list.m3u").string(),
                                         "--lang",     "en"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = base;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  ASSERT_EQ(Cli(with({"--save-mapping", mapping.string()})).code, 0);
  // The user decides that "Россия 24" is the playlist's film channel.
  std::string saved = test::ReadFile(mapping);
  const std::string automatic = "9\tРоссия 24\t\tauto";
  ASSERT_NE(saved.find(automatic), std::string::npos) << saved;
  saved.replace(saved.find(automatic), automatic.size(), "9\tРоссия 24\tКино без пары\tuser");
  Write(mapping, saved);
  {
    std::lock_guard<std::mutex> hold(lock);
    page =
        "<option value=channel_1>Первый канал HD</option><option value=channel_70>НТВ</option>"
        "<option value=channel_9>Россия-24</option><option value=channel_11>Новый</option>";
  }
  const CliRun run = Cli(with(
      {"--mapping", mapping.string(), "--refresh-report", report.string(), "--format", "tsv"}));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(
      test::ReadFile(report),
      "{\"new\": [{\"code\": \"11\", \"name\": \"Новый\"}], "
      "\"gone\": [{\"code\": \"3\", \"name\": \"Старый\"}], "
      "\"renamed\": [{\"code\": \"9\", \"name\": \"Россия-24\", \"previous_name\": \"Россия "
      "24\"}], "
      "\"code_changed\": [{\"name\": \"НТВ\", \"code\": \"70\", \"previous_code\": \"7\"}]}\n");
  EXPECT_NE(
      run.err.find("brelvik-cli: since the mapping: 1 new, 1 gone, 1 renamed, 1 code changed\n"),
      std::string::npos);
  // The renamed channel keeps the user's playlist name.
  EXPECT_NE(run.out.find("Россия-24\t9\tКино без пары\t100\tauto\tyour choice\t0\n"),
            std::string::npos)
      << run.out;
  // A foreign mapping changes nothing.
  EXPECT_EQ(Cli({"match", "akado", "--playlist", (dir_.path() / "list.m3u").string(), "--mapping",
                 mapping.string(), "--save-mapping", (dir_.path() / "x").string()})
                .code,
            1);
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "x"));
}

}  // namespace
}  // namespace brelvik
