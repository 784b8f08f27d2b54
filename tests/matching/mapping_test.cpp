// Saved mappings: the file round trip and its refusals, both formats, the
// user's decisions winning over the matcher and surviving a save and a
// reopening unchanged, and the four kinds of refresh differences.
#include "matching/mapping.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "matching/playlist_names.h"
#include "temp_dir.h"

namespace brelvik {
namespace {

using test::NamesOf;

TEST(Mapping, RoundTripsThroughItsFile) {
  const ChannelMapping mapping{"vsetv",
                               {{"101", "Первый канал", "Первый канал HD", Decision::kAutomatic},
                                {"7", "Tab\there \\ and\nbreak", "", Decision::kUser},
                                {"", "No code", "x", Decision::kUser},
                                {"101", "Первый канал", "Pervyi Kanal (1080p)", Decision::kFurther},
                                {"101", "Первый канал", "Первый (резерв)", Decision::kFurtherUser},
                                {"101", "Первый канал", "Первый канал +2", Decision::kDetached}}};
  EXPECT_EQ(ParseMapping(MappingText(mapping)), mapping);
  test::TempDir dir("mapping");
  SaveMappingFile(dir.path() / "m.tsv", mapping);
  EXPECT_EQ(ReadMappingFile(dir.path() / "m.tsv", "vsetv"), mapping);
  // What a user reads in the file.
  EXPECT_NE(MappingText(mapping).find("\n101\tПервый канал\tПервый канал HD\tauto\n"),
            std::string::npos);
}

TEST(Mapping, RefusesDamagedNewerAndForeignFiles) {
  const std::string good = MappingText({"vsetv", {{"1", "A", "A", Decision::kUser}}});
  const std::vector<std::pair<std::string, MappingProblem>> cases = {
      {"", MappingProblem::kDamaged},
      {"hello\n", MappingProblem::kDamaged},
      {"brelvik-mapping\t3\nprovider\tvsetv\n", MappingProblem::kNewerFormat},
      {"brelvik-mapping\tone\n", MappingProblem::kDamaged},
      {good + "2\tB\tB\n", MappingProblem::kDamaged},           // three fields
      {good + "2\tB\tB\tmaybe\n", MappingProblem::kDamaged},    // unknown decision
      {good + "2\tB\\q\tB\tuser\n", MappingProblem::kDamaged},  // unknown escape
      {good + "2\tB\t\tnot\n", MappingProblem::kDamaged},       // a detached name is never empty
      // Format 1 knew only auto and user.
      {"brelvik-mapping\t1\nprovider\tvsetv\ncode\tprovider_name\tplaylist_name\tdecision\n"
       "1\tA\tA\talso\n",
       MappingProblem::kDamaged},
      {good.substr(0, good.size() - 20), MappingProblem::kDamaged},
      {"\xFF\xFE", MappingProblem::kDamaged},
  };
  for (const auto& [text, problem] : cases) {
    try {
      ParseMapping(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const MappingError& e) {
      EXPECT_EQ(e.Problem(), problem) << text;
      EXPECT_FALSE(MappingErrorText(e, Language::kRu).empty());
    }
  }
  test::TempDir dir("mapping");
  SaveMappingFile(dir.path() / "m.tsv", ParseMapping(good));
  try {
    ReadMappingFile(dir.path() / "m.tsv", "akado");
    ADD_FAILURE();
  } catch (const MappingError& e) {
    EXPECT_EQ(e.Problem(), MappingProblem::kOtherProvider);
  }
}

// Files as editors leave them and files that are none: a byte-order mark is
// read over; a FIFO (opened without waiting for a writer) and a file over
// the cap are refused for what they are; two user lines for one code are
// told with both lines.
TEST(Mapping, ReadingCorners) {
  const std::string good = MappingText({"vsetv", {{"7", "НТВ", "НТВ HD", Decision::kUser}}});
  test::TempDir dir("mapping");
  const auto file = dir.path() / "m.tsv";
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF" << good;
  EXPECT_EQ(ReadMappingFile(file, "vsetv").entries.size(), 1u);

  const auto fifo = dir.path() / "fifo.tsv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto big = dir.path() / "big.tsv";
  std::ofstream(big) << good;
  std::filesystem::resize_file(big, kMaxMappingBytes + 1);
  const struct {
    std::filesystem::path path;
    MappingProblem problem;
    const char* text;
  } refused[] = {
      {fifo, MappingProblem::kNotAFile, "the mapping is not a regular file"},
      {big, MappingProblem::kTooLarge,
       "the mapping file is larger than 64 MiB; such files are not read"},
  };
  for (const auto& c : refused) {
    try {
      ReadMappingFile(c.path, "vsetv");
      ADD_FAILURE() << c.path;
    } catch (const MappingError& e) {
      EXPECT_EQ(e.Problem(), c.problem) << c.path;
      EXPECT_EQ(MappingErrorText(e, Language::kEn), c.text);
    }
  }

  std::vector<MappingNotice> notices;
  const ChannelMapping twice = ParseMapping(good +
                                                "9\tРоссия 24\t\tauto\n7\tНТВ\tRU: НТВ\tuser\n"
                                                "9\tРоссия\t\tauto\n7\tНТВ+\t\tuser\n",
                                            &notices);
  EXPECT_EQ(twice.entries.size(), 5u);
  const std::size_t first =
      std::count(good.begin(), good.end(), '\n');  // the good file's last line
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(MappingNoticeText(notices[0], Language::kEn),
            "lines " + std::to_string(first) + " and " + std::to_string(first + 2) +
                " both hold your decision for code “7”: a channel of that code takes the one "
                "with its provider name, else line " +
                std::to_string(first));
  EXPECT_EQ(notices[1].first_line, first);
  EXPECT_EQ(notices[1].line, first + 4);
}

TEST(Mapping, TheUsersDecisionsWinAndDoubtfulOnesAreFlagged) {
  const ChannelRows rows = {{"НТВ", "7"},
                            {"Первый канал", "1"},
                            {"Дом кино", "30"},
                            {"Пятница", "55"},
                            {"Карусель", "90"}};
  MatchRun run = MatchNames(rows, NamesOf({"НТВ", "Первый канал", "Дом кино", "Пятница"}));
  ASSERT_EQ(run.rows[0].status, MatchStatus::kExact);
  const ChannelMapping mapping{
      "vsetv",
      {{"1", "Первый канал", "НТВ", Decision::kUser},    // takes НТВ's name
       {"30", "Дом кино", "", Decision::kUser},          // no match
       {"55", "Пятница", "Пятница!", Decision::kUser},   // name gone from the playlist
       {"44", "Карусель", "Карусель", Decision::kUser},  // code 44 gone, name now at 90
       {"7", "НТВ", "НТВ", Decision::kAutomatic}}};      // the matcher's: not forced
  ApplyMapping(mapping, rows, run);
  EXPECT_TRUE(run.rows[1].by_user);
  EXPECT_EQ(run.names[*run.rows[1].name].name, "НТВ");
  EXPECT_EQ(run.rows[0].status, MatchStatus::kReview);  // gave its name up
  EXPECT_EQ(run.rows[2].status, MatchStatus::kNone);
  EXPECT_EQ(run.rows[2].reason.kind, ReasonKind::kUserNoMatch);
  EXPECT_EQ(run.rows[3].status, MatchStatus::kReview);
  EXPECT_EQ(run.rows[3].reason.kind, ReasonKind::kMappedNameGone);
  EXPECT_EQ(run.rows[4].status, MatchStatus::kReview);
  EXPECT_EQ(run.rows[4].reason.kind, ReasonKind::kCodeChanged);
  EXPECT_EQ(ReasonText(run.rows[4].reason, Language::kEn),
            "the channel's code changed: it was 44; please check");

  EXPECT_EQ(ReasonText(run.rows[0].reason, Language::kEn), "you gave its name to “Первый канал”");

  // Saved again, the user's decisions stay the user's.
  const ChannelMapping saved = MappingOf("vsetv", rows, run);
  const auto main_of = [&](const std::string& code) {
    for (const MappingEntry& e : saved.entries) {
      if (e.code == code && e.decision <= Decision::kUser) return e;
    }
    return MappingEntry{};
  };
  EXPECT_EQ(main_of("1"), (MappingEntry{"1", "Первый канал", "НТВ", Decision::kUser}));
  EXPECT_EQ(main_of("30"), (MappingEntry{"30", "Дом кино", "", Decision::kUser}));
  EXPECT_EQ(main_of("90").decision, Decision::kAutomatic);
}

// A file of the first format reads as it always did.
TEST(Mapping, ReadsTheFirstFormat) {
  const ChannelMapping mapping = ParseMapping(
      "brelvik-mapping\t1\nprovider\tvsetv\ncode\tprovider_name\tplaylist_name\tdecision\n"
      "1\tПервый канал\tПервый канал HD\tauto\n30\tДом кино\t\tuser\n");
  EXPECT_EQ(mapping, (ChannelMapping{"vsetv",
                                     {{"1", "Первый канал", "Первый канал HD", Decision::kAutomatic},
                                      {"30", "Дом кино", "", Decision::kUser}}}));
}

// What the window shows after the user's decisions is what a fresh match of
// the same lists shows once the saved mapping is applied: every row's status,
// name, reason and further names.
TEST(Mapping, SavedAndReopenedGivesTheSameRows) {
  const ChannelRows rows = {{"Мир 24", "1"},  {"Мир 24 HD", "2"}, {"НТВ", "3"},
                            {"Россия 1", "4"}, {"ТНТ", "5"},       {"Звезда", "6"}};
  const std::vector<PlaylistName> names =
      NamesOf({"Мир 24 (576p)", "Мир 24 (1080p)", "Mir 24 [Not 24/7]", "НТВ", "NTV (576p)",
               "Россия 1", "Russia 1 HD", "ТНТ", "Звезда (Самара)", "Звезда"});
  MatchRun run = MatchNames(rows, names);
  const auto name = [&](const std::string& text) { return *FindName(run, text); };
  DecideByUser(run, 4, std::nullopt, "ТНТ");                    // no match, by hand
  DecideByUser(run, 3, name("НТВ"), "Россия 1");                // takes another row's name
  DetachByUser(run, 0, name("Mir 24 [Not 24/7]"));              // not this channel
  AttachByUser(run, 5, name("Звезда (Самара)"));                // a copy after all
  const ChannelMapping saved = ParseMapping(MappingText(MappingOf("vsetv", rows, run)));

  MatchRun fresh = MatchNames(rows, names);
  ApplyMapping(saved, rows, fresh);
  ASSERT_EQ(fresh.rows.size(), run.rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(rows[r].name);
    EXPECT_EQ(fresh.rows[r].status, run.rows[r].status);
    EXPECT_EQ(fresh.rows[r].name, run.rows[r].name);
    EXPECT_EQ(fresh.rows[r].by_user, run.rows[r].by_user);
    EXPECT_EQ(ReasonText(fresh.rows[r].reason, Language::kEn),
              ReasonText(run.rows[r].reason, Language::kEn));
    EXPECT_EQ(fresh.rows[r].also, run.rows[r].also);
    EXPECT_EQ(fresh.rows[r].detached, run.rows[r].detached);
  }
  EXPECT_EQ(run.rows[2].status, MatchStatus::kReview);  // НТВ gave its name away
  EXPECT_EQ(run.rows[2].reason.kind, ReasonKind::kUserGaveAway);
  EXPECT_TRUE(run.rows[0].also.empty());
  ASSERT_EQ(run.rows[5].also.size(), 1u);
  EXPECT_TRUE(run.rows[5].also[0].by_user);
}

TEST(Mapping, ReportsWhatChangedAtTheProvider) {
  const ChannelMapping mapping{"vsetv",
                               {{"1", "Первый канал", "", Decision::kAutomatic},
                                {"2", "Россия", "", Decision::kAutomatic},
                                {"3", "Старый", "", Decision::kAutomatic},
                                {"4", "Карусель", "", Decision::kUser}}};
  const ChannelRows now = {
      {"Первый канал", "1"}, {"Россия 1", "2"}, {"Новый \"канал\"", "5"}, {"Карусель", "40"}};
  const RefreshReport report = CompareWithMapping(mapping, now);
  EXPECT_EQ(
      RefreshReportJson(report),
      "{\"new\": [{\"code\": \"5\", \"name\": \"Новый \\\"канал\\\"\"}], "
      "\"gone\": [{\"code\": \"3\", \"name\": \"Старый\"}], "
      "\"renamed\": [{\"code\": \"2\", \"name\": \"Россия 1\", \"previous_name\": \"Россия\"}], "
      "\"code_changed\": [{\"name\": \"Карусель\", \"code\": \"40\", \"previous_code\": "
      "\"4\"}]}\n");
  EXPECT_EQ(RefreshSummary(report, Language::kEn),
            "since the mapping: 1 new, 1 gone, 1 renamed, 1 code changed");
  EXPECT_TRUE(
      CompareWithMapping(
          mapping, {{"Первый канал", "1"}, {"Россия", "2"}, {"Старый", "3"}, {"Карусель", "4"}})
          .Empty());
}

}  // namespace
}  // namespace brelvik
