// The playlist reader on the shapes players and IPTV services write, on bad
// input, and the writer that sets tvg-id without touching any other byte.
#include "matching/playlist.h"

#include <gtest/gtest.h>

#include <fstream>

#include "temp_dir.h"

namespace brelvik {
namespace {

using namespace std::string_literals;

std::vector<std::string> Names(const Playlist& playlist) {
  std::vector<std::string> names;
  for (const PlaylistEntry& entry : playlist.entries) names.push_back(entry.name);
  return names;
}

TEST(Playlist, ReadsTheShapesRealPlaylistsHave) {
  const Playlist p = ParsePlaylist(
      "\xEF\xBB\xBF#EXTM3U url-tvg=\"http://epg.example/a.xml.gz,http://epg.example/b.xml\"\r\n"
      "#EXTINF:-1 tvg-id=\"perviy\" tvg-name=\"Первый канал\" tvg-logo=\"http://l/1.png\" "
      "group-title=\"Эфир, общие\",Первый канал HD\r\n"
      "#EXTVLCOPT:http-user-agent=Mozilla/5.0\r\n"
      "http://s.example/1.m3u8\r\n"
      "#EXTINF:0 group-title=Кино,Дом кино, Премиум\r\n"
      "#EXTGRP:Фильмы\r\n"
      "http://s.example/2.m3u8\r\n"
      "\r\n"
      "#EXTINF:-1 tvg-name=\"\",  ТНТ  \n"
      "http://s.example/3\r"
      "#EXTINF:-1,Channel \"One\"\n"
      "http://s.example/4");
  EXPECT_EQ(p.encoding, PlaylistEncoding::kUtf8Bom);
  EXPECT_EQ(p.kind, PlaylistKind::kM3u);
  ASSERT_EQ(Names(p),
            (std::vector<std::string>{"Первый канал", "Премиум", "ТНТ", "Channel \"One\""}));
  const PlaylistEntry& first = p.entries[0];
  EXPECT_EQ(first.title, "Первый канал HD");
  EXPECT_EQ(first.tvg_id, "perviy");
  EXPECT_EQ(first.group, "Эфир, общие");
  EXPECT_EQ(first.url, "http://s.example/1.m3u8");
  EXPECT_EQ(first.line, 2u);
  EXPECT_EQ(p.entries[1].group, "Фильмы");  // #EXTGRP after an unquoted group-title
  EXPECT_EQ(p.entries[3].index, 3u);
  EXPECT_TRUE(p.warnings.empty());
}

TEST(Playlist, ReadsWindows1251AndPlainListsOfNames) {
  const Playlist cp = ParsePlaylist("#EXTM3U\n#EXTINF:-1,\xCD\xD2\xC2\nhttp://x/1\n");
  EXPECT_EQ(cp.encoding, PlaylistEncoding::kCp1251);
  EXPECT_EQ(Names(cp), std::vector<std::string>{"НТВ"});

  const Playlist list =
      ParsePlaylist("Первый канал\r\n\r\n# a remark\r\n  Россия 1 \r\nhttp://x/y\r\n");
  EXPECT_EQ(list.kind, PlaylistKind::kNameList);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Первый канал", "Россия 1"}));
  ASSERT_EQ(list.warnings.size(), 1u);
  EXPECT_EQ(list.warnings[0].problem, PlaylistProblem::kUrlWithoutExtinf);
  EXPECT_EQ(list.warnings[0].line, 5u);
}

TEST(Playlist, WarnsWithTheLineOfEachDoubtfulEntry) {
  const Playlist p = ParsePlaylist(
      "#EXTM3U\n"
      "http://orphan/0\n"                         // 2: address without #EXTINF
      "#EXTINF:-1,Без адреса\n"                   // 3: no address before the next entry
      "#EXTINF:-1 tvg-name=\"Open, still,Name\n"  // 4: quote never closed
      "http://x/2\n"
      "#EXTINF:-1 tvg-logo=\"x\",\n"  // 6: no name at all
      "http://x/3\n"
      "#EXTINF:-1,Last\n");  // 8: ends without an address
  const std::vector<std::pair<PlaylistProblem, std::size_t>> expected = {
      {PlaylistProblem::kUrlWithoutExtinf, 2},
      {PlaylistProblem::kExtinfWithoutUrl, 3},
      {PlaylistProblem::kUnterminatedQuote, 4},
      {PlaylistProblem::kNoName, 6},
      {PlaylistProblem::kExtinfWithoutUrl, 8}};
  ASSERT_EQ(p.warnings.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(p.warnings[i].problem, expected[i].first) << i;
    EXPECT_EQ(p.warnings[i].line, expected[i].second) << i;
  }
  EXPECT_EQ(Names(p), (std::vector<std::string>{"Без адреса", "Name", "Last"}));
}

// What the reader tells beside the entries: where an index points, a name
// too long to be one, and the line that made the file Windows-1251.
TEST(Playlist, IndexesCutNamesAndTheLineThatIsNotUtf8) {
  const std::string long_name = "Канал " + std::string(300, 'x');
  const struct {
    const char* what;
    std::string bytes;
    std::vector<std::size_t> indices;
    std::vector<std::string> names;
    std::vector<std::pair<PlaylistProblem, std::size_t>> warnings;
  } cases[] = {
      {"an entry without a name still counts",
       "#EXTM3U\n#EXTINF:-1,A\nhttp://x/1\n#EXTINF:-1,\nhttp://x/2\n#EXTINF:-1,B\nhttp://x/3\n",
       {0, 2},
       {"A", "B"},
       {{PlaylistProblem::kNoName, 4}}},
      {"a name over 200 characters is cut",
       "#EXTM3U\n#EXTINF:-1," + long_name + "\nhttp://x/1\n",
       {0},
       {"Канал " + std::string(194, 'x')},
       {{PlaylistProblem::kNameCut, 2}}},
      {"one pasted Windows-1251 line",
       "#EXTM3U\n#EXTINF:-1,A\nhttp://x/1\n#EXTINF:-1,\xCD\xD2\xC2\nhttp://x/2\n",
       {0, 1},
       {"A", "НТВ"},
       {{PlaylistProblem::kReadAsCp1251, 4}}},
  };
  for (const auto& c : cases) {
    const Playlist p = ParsePlaylist(c.bytes);
    std::vector<std::size_t> indices;
    for (const PlaylistEntry& entry : p.entries) indices.push_back(entry.index);
    EXPECT_EQ(indices, c.indices) << c.what;
    EXPECT_EQ(Names(p), c.names) << c.what;
    std::vector<std::pair<PlaylistProblem, std::size_t>> warnings;
    for (const PlaylistNotice& notice : p.warnings)
      warnings.emplace_back(notice.problem, notice.line);
    EXPECT_EQ(warnings, c.warnings) << c.what;
  }
  const PlaylistNotice cp1251{PlaylistProblem::kReadAsCp1251, 4, {}};
  EXPECT_EQ(PlaylistNoticeText(cp1251, Language::kEn), "read as Windows-1251: line 4 is not UTF-8");
  EXPECT_EQ(PlaylistNoticeText(cp1251, Language::kRu),
            "прочитан как Windows-1251: строка 4 не в UTF-8");
}

std::string MappingLike() {
  return "# Brelvik channel mapping: the playlist name each channel of a provider takes.\n"
         "brelvik-mapping\t2\nprovider\tvsetv\ncode\tprovider_name\tplaylist_name\tdecision\n"
         "7\tНТВ\tRU: НТВ\tauto\n";
}

TEST(Playlist, RefusesWhatCannotBeAPlaylist) {
  const std::vector<std::pair<std::string, PlaylistProblem>> cases = {
      {"", PlaylistProblem::kEmpty},
      {" \r\n\t\n", PlaylistProblem::kEmpty},
      {"#EXTM3U\n#EXTINF:-1,A\nhttp://x\0/y\n"s, PlaylistProblem::kNulByte},
      {"\xFF\xFE#\0E\0"s, PlaylistProblem::kUtf16},
      {"#EXTM3U\n#EXTVLCOPT:x=y\n", PlaylistProblem::kNoEntries},
      // A saved mapping, or a table, opened by mistake.
      {MappingLike(), PlaylistProblem::kIsMapping},
      {"НТВ\t7\nРоссия 1\t2\nКарусель\t9\n", PlaylistProblem::kNotAPlaylist},
  };
  for (const auto& [bytes, problem] : cases) {
    try {
      ParsePlaylist(bytes);
      ADD_FAILURE() << "accepted: " << bytes;
    } catch (const PlaylistError& e) {
      EXPECT_EQ(e.Notice().problem, problem) << bytes;
    }
  }
  try {
    ParsePlaylist("#EXTM3U\n#EXTINF:-1,A\nhttp://x\n\0"s);
    ADD_FAILURE();
  } catch (const PlaylistError& e) {
    EXPECT_EQ(e.Notice().line, 4u);
    EXPECT_EQ(PlaylistNoticeText(e.Notice(), Language::kEn),
              "the playlist holds a NUL byte: it is not a text file");
  }
}

TEST(Playlist, RefusesFilesOverTheCapWithoutReadingThem) {
  test::TempDir dir("playlist");
  const auto big = dir.path() / "big.m3u";
  {
    std::ofstream out(big, std::ios::binary);
    out << "#EXTM3U\n";
  }
  std::filesystem::resize_file(big, kMaxPlaylistBytes + 1);  // sparse: nothing is written
  for (const auto& [path, problem] : std::vector<std::pair<std::filesystem::path, PlaylistProblem>>{
           {big, PlaylistProblem::kTooLarge},
           {dir.path() / "missing.m3u", PlaylistProblem::kCannotRead},
           {dir.path(), PlaylistProblem::kCannotRead}}) {
    try {
      ReadPlaylistFile(path);
      ADD_FAILURE() << path;
    } catch (const PlaylistError& e) {
      EXPECT_EQ(e.Notice().problem, problem) << path;
    }
  }
}

TEST(Playlist, WritesTvgIdAndLeavesEveryOtherByte) {
  const std::string original =
      "#EXTM3U x-tvg-url=\"u\"\r\n"
      "#EXTINF:-1 tvg-id=\"old\" tvg-name=\"A\",A HD\r\n"
      "#EXTVLCOPT:http-referrer=http://r/\r\n"
      "http://s/1?token=a,b\r\n"
      "#EXTINF:0,B\n"
      "http://s/2\n"
      "#EXTINF:-1 tvg-id=bare group-title=\"g\",C\r"
      "http://s/3\r"
      "#EXTINF:-1,D\n"
      "http://s/4";
  const Playlist p = ParsePlaylist(original);
  EXPECT_EQ(PlaylistWithIds(p, {"", "", "", ""}), original);
  const std::string written = PlaylistWithIds(p, {"101", "102", "103", ""});
  EXPECT_EQ(written,
            "#EXTM3U x-tvg-url=\"u\"\r\n"
            "#EXTINF:-1 tvg-id=\"101\" tvg-name=\"A\",A HD\r\n"
            "#EXTVLCOPT:http-referrer=http://r/\r\n"
            "http://s/1?token=a,b\r\n"
            "#EXTINF:0 tvg-id=\"102\",B\n"
            "http://s/2\n"
            "#EXTINF:-1 tvg-id=\"103\" group-title=\"g\",C\r"
            "http://s/3\r"
            "#EXTINF:-1,D\n"
            "http://s/4");
  // What was written reads back with the ids, and the same names.
  const Playlist again = ParsePlaylist(written);
  EXPECT_EQ(Names(again), Names(p));
  EXPECT_EQ(again.entries[2].tvg_id, "103");

  EXPECT_THROW(PlaylistWithIds(ParsePlaylist("A\nB\n"), {"1", "2"}), PlaylistError);
}

TEST(Playlist, AnIdThatWouldChangeHowItsLineReadsIsNotWritten) {
  // A code with a quote in it, and an old bare value whose quote the title
  // leans on: those lines stay as they were, each named in a warning; the
  // others take their ids.
  const std::string original =
      "#EXTM3U\n#EXTINF:-1,A\nhttp://s/1\n#EXTINF:-1 tvg-id=a\" \",\"\nhttp://s/2\n"
      "#EXTINF:-1,C\nhttp://s/3\n";
  const Playlist p = ParsePlaylist(original);
  std::vector<PlaylistNotice> warnings;
  const std::string written = PlaylistWithIds(p, {"x\"y", "2", "3"}, &warnings);
  EXPECT_EQ(written,
            "#EXTM3U\n#EXTINF:-1,A\nhttp://s/1\n#EXTINF:-1 tvg-id=a\" \",\"\nhttp://s/2\n"
            "#EXTINF:-1 tvg-id=\"3\",C\nhttp://s/3\n");
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].problem, PlaylistProblem::kIdNotWritable);
  EXPECT_EQ(warnings[0].line, 2u);
  EXPECT_EQ(warnings[1].line, 4u);
  EXPECT_EQ(Names(ParsePlaylist(written)), Names(p));
}

TEST(Playlist, LinesWithoutADurationKeepTheirAttributesAndTakeIds) {
  // Attributes right after the colon, and an empty duration: the attributes
  // are read, and an id written reads back.
  const Playlist p = ParsePlaylist(
      "#EXTM3U\n#EXTINF:tvg-name=\"Первый HD\" group-title=\"A\",Первый\nhttp://s/1\n"
      "#EXTINF:,B\nhttp://s/2\n");
  EXPECT_EQ(Names(p), (std::vector<std::string>{"Первый HD", "B"}));
  EXPECT_EQ(p.entries[0].group, "A");
  const std::string written = PlaylistWithIds(p, {"1", "2"});
  EXPECT_EQ(written,
            "#EXTM3U\n#EXTINF:tvg-id=\"1\" tvg-name=\"Первый HD\" group-title=\"A\",Первый\n"
            "http://s/1\n#EXTINF: tvg-id=\"2\",B\nhttp://s/2\n");
  const Playlist again = ParsePlaylist(written);
  EXPECT_EQ(again.entries[0].tvg_id, "1");
  EXPECT_EQ(again.entries[1].tvg_id, "2");
  EXPECT_EQ(Names(again), Names(p));
}

TEST(Playlist, WritesIdsInTheFilesOwnCodePage) {
  const Playlist p = ParsePlaylist("#EXTM3U\n#EXTINF:-1,\xCD\xD2\xC2\nhttp://x/1\n");
  std::vector<PlaylistNotice> warnings;
  EXPECT_EQ(PlaylistWithIds(p, {"Ж1"}, &warnings),
            "#EXTM3U\n#EXTINF:-1 tvg-id=\"\xC6"
            "1\",\xCD\xD2\xC2\nhttp://x/1\n");
  EXPECT_TRUE(warnings.empty());
  PlaylistWithIds(p, {"中"}, &warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].problem, PlaylistProblem::kIdNotInCodePage);
}

}  // namespace
}  // namespace brelvik
