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
#include "matching/mapping.h"
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
  const auto saved = dir_.path() / "saved.mapping";
  const auto report = dir_.path() / "report.json";
  Write(id_file, "old");
  Write(target, "precious");
  Write(mapping, "decisions");
  Write(saved, MappingText({"vsetv", {{"7", "НТВ", "RU: НТВ", Decision::kUser}}}));
  Write(report, "last report");
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
                                   mapping.string(),
                                   "--mapping",
                                   saved.string(),
                                   "--refresh-report",
                                   report.string()};
  const CliRun kept = Cli(args);
  EXPECT_EQ(kept.code, 4) << kept.err;
  EXPECT_NE(kept.err.find("списка каналов в ней не найдено"), std::string::npos);
  EXPECT_EQ(test::ReadFile(id_file), "old");
  EXPECT_EQ(test::ReadFile(target), "precious");
  EXPECT_EQ(test::ReadFile(mapping), "decisions");
  EXPECT_EQ(test::ReadFile(report), "last report");

  args.push_back("--allow-empty");
  EXPECT_EQ(Cli(args).code, 4);
  EXPECT_NE(test::ReadFile(report), "last report");
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

// A vsetv site whose page is the options in `page`, read under `lock` as a
// test changes them.
test::LoopbackServer OptionsSite(std::mutex& lock, const std::string& page) {
  return test::LoopbackServer([&lock, &page](httplib::Server& s) {
    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("ok", "text/html");
    });
    s.Get("/channels.html", [&lock, &page](const httplib::Request&, httplib::Response& res) {
      std::lock_guard<std::mutex> hold(lock);
      res.set_content(Utf8ToCp1251("<select>" + page + "</select>"), "text/html");
    });
  });
}

TEST_F(MatchCli, SavedMappingsSurviveARefreshThatChangedThePage) {
  std::mutex lock;
  std::string page =
      "<option value=channel_1>Первый канал HD</option><option value=channel_7>НТВ</option>"
      "<option value=channel_9>Россия 24</option><option value=channel_3>Старый</option>";
  const test::LoopbackServer site = OptionsSite(lock, page);
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

// Options that cannot mean what they say end the run with exit 2 before
// anything is fetched: an empty mapping name, an output named twice, and an
// output that would write over a file the run reads, unless that option is
// meant to (the playlist for --write-playlist, the mapping for --save-mapping).
TEST_F(MatchCli, OptionsThatWouldLoseAFileAreUsageErrors) {
  const std::string playlist = (dir_.path() / "list.m3u").string();
  const std::string mapping = (dir_.path() / "vsetv.mapping").string();
  ASSERT_EQ(Cli(Args({"--save-mapping", mapping})).code, 0);
  const std::string saved = test::ReadFile(mapping);
  const std::string a = (dir_.path() / "a.m3u").string();
  const std::string b = (dir_.path() / "b.m3u").string();
  const struct {
    std::vector<std::string> extra;
    int code;
    std::string message;
  } cases[] = {
      {{"--mapping", ""}, 2, "--mapping needs a file name, not an empty one"},
      {{"--mapping", mapping, "--refresh-report", mapping},
       2,
       "--refresh-report names the --mapping file \"" + mapping + "\""},
      {{"--channel-id", playlist},
       2,
       "--channel-id names the --playlist file \"" + playlist + "\""},
      {{"--save-mapping", playlist}, 2, "--save-mapping names the --playlist file"},
      {{"--mapping", mapping, "--write-playlist", mapping},
       2,
       "--write-playlist names the --mapping file"},
      {{"--write-playlist", a, "--write-playlist", b}, 2, "--write-playlist is given twice"},
      {{"--export", a + ".txt", "--export=" + b + ".txt"}, 2, "--export is given twice"},
      {{"--save-mapping", a, "--save-mapping", b}, 2, "--save-mapping is given twice"},
      // Meant to write over what they read:
      {{"--mapping", mapping, "--save-mapping", mapping}, 0, "since the mapping"},
      {{"--write-playlist", playlist}, 0, "exact 2"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> extra = c.extra;
    extra.insert(extra.end(), {"--lang", "en"});
    const int requests = page_requests_;
    const CliRun run = Cli(Args(extra));
    EXPECT_EQ(run.code, c.code) << c.message << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    if (c.code == 2) {
      EXPECT_EQ(page_requests_, requests) << c.message;
    }
  }
  EXPECT_EQ(test::ReadFile(mapping), saved);
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_FALSE(std::filesystem::exists(b));
}

// The match command's outputs in their corners: fields that hold control
// characters, the order of what --apply writes, matched rows that have no
// id to write, the mapping's doubtful lines, and a run whose last file
// cannot be written.
TEST_F(MatchCli, OutputsHoldInTheirCorners) {
  std::mutex lock;
  std::string page;
  const test::LoopbackServer site = OptionsSite(lock, page);
  const auto run = [&](std::string options_page, std::string playlist,
                       std::vector<std::string> extra) {
    {
      std::lock_guard<std::mutex> hold(lock);
      page = std::move(options_page);
    }
    Write(dir_.path() / "corner.m3u", playlist);
    std::vector<std::string> args = {"match",      "vsetv",
                                     "--site",     "vsetv=" + site.Url(""),
                                     "--playlist", (dir_.path() / "corner.m3u").string(),
                                     "--lang",     "en"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli(args);
  };

  // tsv and table keep each row on its line and in its fields.
  const std::string escaped_page =
      "<option value=channel_7>A\\B</option><option value=channel_8>НТВ</option>";
  const std::string escaped_playlist =
      "#EXTM3U\n#EXTINF:-1,A\\B\nhttp://a\n#EXTINF:-1 tvg-name=\"НТВ\tHD\",x\nhttp://b\n";
  const CliRun tsv = run(escaped_page, escaped_playlist, {"--format", "tsv"});
  ASSERT_EQ(tsv.code, 0) << tsv.err;
  EXPECT_EQ(tsv.out,
            "A\\\\B\t7\tA\\\\B\t100\texact\tsame name\t0\n"
            "НТВ\t8\tНТВ\\tHD\t100\texact\tsame after removing “HD”\t0\n");
  const CliRun table = run(escaped_page, escaped_playlist, {});
  EXPECT_NE(table.out.find("НТВ\\tHD"), std::string::npos) << table.out;
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 3);

  // --apply: the printed results, the export and the channel-id file list
  // the renamed rows in one order, the table's by the new names.
  const std::string three =
      "<option value=channel_1>Первый канал HD</option><option value=channel_7>НТВ</option>"
      "<option value=channel_9>Россия 24</option>";
  const std::string renaming =
      "#EXTM3U\n#EXTINF:-1,RU: НТВ\nhttp://a\n#EXTINF:-1,RU: Россия 24\nhttp://b\n"
      "#EXTINF:-1,Первый канал HD\nhttp://c\n";
  const auto text_export = dir_.path() / "list.txt";
  const auto id_file = dir_.path() / "channels_id";
  const CliRun applied = run(three, renaming,
                             {"--apply", "--format", "tsv", "--export", text_export.string(),
                              "--channel-id", id_file.string()});
  ASSERT_EQ(applied.code, 0) << applied.err;
  EXPECT_TRUE(std::regex_search(applied.out,
                                std::regex("^НТВ\t7\t.*\nРоссия 24\t9\t.*\nПервый канал HD\t1\t")))
      << applied.out;
  EXPECT_NE(test::ReadFile(text_export)
                .find("\r\nRU: НТВ\t7\r\nRU: Россия 24\t9\r\nПервый канал HD\t1\r\n"),
            std::string::npos);
  EXPECT_EQ(
      test::ReadFile(id_file),
      CreateList({{"RU: НТВ", "7"}, {"RU: Россия 24", "9"}, {"Первый канал HD", "1"}}) + "\r\n");
  // Without a file to rename in, --apply says so.
  EXPECT_NE(
      run(three, renaming, {"--apply"})
          .err.find("warning: --apply renames the channels only for --channel-id and --export, and "
                    "neither is given"),
      std::string::npos);

  // One id everywhere, and matched rows without one are counted.
  const auto written = dir_.path() / "ids.m3u";
  const auto grabber = dir_.path() / "ids.channels.xml";
  const CliRun ids = run(
      "<option value=channel_\" 8 \">НТВ</option><option value=channel_9&#xFFFE;>Россия 24</option>"
      "<option value=channel_\"\">Пятница</option>",
      "#EXTM3U\n#EXTINF:-1,НТВ\nhttp://a\n#EXTINF:-1,Россия 24\nhttp://b\n#EXTINF:-1,Пятница\n"
      "http://c\n",
      {"--write-playlist", written.string(), "--export", grabber.string()});
  ASSERT_EQ(ids.code, 0) << ids.err;
  const std::string with_ids = test::ReadFile(written);
  EXPECT_NE(with_ids.find("#EXTINF:-1 tvg-id=\"8\",НТВ"), std::string::npos) << with_ids;
  EXPECT_NE(with_ids.find("#EXTINF:-1 tvg-id=\"9\",Россия 24"), std::string::npos) << with_ids;
  EXPECT_NE(with_ids.find("#EXTINF:-1,Пятница"), std::string::npos) << with_ids;
  pugi::xml_document channels;
  ASSERT_TRUE(channels.load_file(grabber.c_str()));
  std::set<std::string> xmltv_ids;
  for (const auto& channel : channels.child("channels").children("channel")) {
    xmltv_ids.insert(channel.attribute("xmltv_id").value());
  }
  EXPECT_EQ(xmltv_ids, (std::set<std::string>{"8", "9"}));
  EXPECT_NE(ids.err.find("brelvik-cli: warning: matched channels without a code (their playlist "
                         "entries get no tvg-id): 1\n"),
            std::string::npos)
      << ids.err;

  // Two user lines for one code are named; a failed last file keeps the first.
  const auto mapping = dir_.path() / "twice.mapping";
  Write(
      mapping,
      MappingText({"vsetv",
                   {{"7", "НТВ", "RU: НТВ", Decision::kUser}, {"7", "НТВ", "", Decision::kUser}}}));
  const auto saved = dir_.path() / "saved.mapping";
  Write(saved, "earlier");
  const std::string in_missing = (dir_.path() / "missing" / "out.m3u").string();
  const CliRun failed = run(three, renaming,
                            {"--mapping", mapping.string(), "--save-mapping", saved.string(),
                             "--write-playlist", in_missing});
  EXPECT_EQ(failed.code, 1) << failed.err;
  EXPECT_NE(failed.err.find("warning: " + mapping.string() + ": lines "), std::string::npos)
      << failed.err;
  EXPECT_NE(failed.err.find("both hold your decision for code “7”"), std::string::npos);
  EXPECT_EQ(test::ReadFile(saved), "earlier");
}

}  // namespace
}  // namespace brelvik
