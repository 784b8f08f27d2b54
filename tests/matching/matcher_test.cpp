// The matcher: scores and reasons of pairs, who gets a contested playlist
// name, ties, and the run's cancellation.
#include "matching/matcher.h"

#include <gtest/gtest.h>

#include "matching/match_outputs.h"
#include "matching/playlist_names.h"

namespace brelvik {
namespace {

using test::NamesOf;

struct Outcome {
  std::string name;  // the playlist name, empty for none
  MatchStatus status;
};

std::vector<Outcome> Outcomes(const ChannelRows& rows, const std::vector<std::string>& names,
                              MatchOptions options = {}) {
  const MatchRun run = MatchNames(rows, NamesOf(names), options);
  std::vector<Outcome> out;
  for (const RowMatch& m : run.rows) {
    out.push_back(
        {m.name && m.status != MatchStatus::kNone ? run.names[*m.name].name : "", m.status});
  }
  return out;
}

struct PairCase {
  const char* provider;
  const char* playlist;
  MatchStatus status;
  const char* reason_en;  // a part the English reason must hold
};

TEST(Matcher, PairsGetTheStatusAndReasonTheirDifferenceDeserves) {
  const PairCase cases[] = {
      {"Первый канал HD", "Первый канал HD", MatchStatus::kExact, "same name"},
      {"Первый канал HD", "Первый канал", MatchStatus::kExact, "same after removing “HD”"},
      {"Россия 1", "|RU| Россия 1 (720p)", MatchStatus::kExact,
       "same after removing “(720p)”, “|RU|”"},
      {"СТС", "CTC", MatchStatus::kExact, "look-alike letters"},
      {"Пятница!", "Pyatnitsa [Geo-blocked]", MatchStatus::kAuto, "same in Latin letters"},
      {"Discovery Channel", "Discovery", MatchStatus::kAuto, "differs only in “Channel”"},
      {"Дом кино", "Домкино", MatchStatus::kAuto, "joined or apart"},
      {"Охота и рыбалка", "Охота & Рыбалка", MatchStatus::kAuto, "differs only in “и”"},
      // Spelled otherwise in one alphabet: perhaps another word, so asked.
      {"Discovery", "Discovary", MatchStatus::kReview,
       "spelled differently: “Discovery” / “Discovary”"},
      {"Киносемья", "Киносерия", MatchStatus::kReview, "spelled differently"},
      {"Домашний", "Domashny", MatchStatus::kAuto, "same in Latin letters"},
      {"Россия 24", "Россия 1", MatchStatus::kNone, "number differs: 24 / 1"},
      {"Первый канал +4", "Первый канал", MatchStatus::kNone, "time shift differs: +4 / none"},
      {"Дом кино Премиум", "Дом кино", MatchStatus::kNone, "not in the playlist's name: “Премиум”"},
      {"ТВ 3", "Канал 3", MatchStatus::kNone, "only common words and numbers"},
      {"National Geographic", "Nat Geo Wild", MatchStatus::kNone, "no playlist name comes close"},
      // A 4K feed is often a channel of its own: asked, either way round.
      {"Eurosport", "Eurosport 4K", MatchStatus::kReview, "4K/UHD in one name only"},
      {"Кино UHD", "Кино", MatchStatus::kReview, "4K/UHD in one name only"},
      {"Кино UHD", "Кино 4K", MatchStatus::kExact, "same after removing"},
      // Marked for a country beyond the providers' region, unless in Cyrillic.
      {"ТНТ", "TNT (US)", MatchStatus::kReview, "marked for another country: “(US)”"},
      {"Первый канал", "DE: Первый канал", MatchStatus::kExact, "same after removing “DE:”"},
      {"Хабар", "|KZ| Khabar", MatchStatus::kAuto, "same in Latin letters"},
      {"Nickelodeon", "Nickelodeon Russia", MatchStatus::kExact, "same after removing “Russia”"},
      // A row marked for a country takes a name of another country never.
      {"Music Box UA", "Music Box Russia", MatchStatus::kReview, "marked “UA”"},
      // What nothing matched before: suggested on an assumption, never taken.
      {"Первый развлекательный канал", "ПРК", MatchStatus::kReview, "may be the initials of"},
      {"MBG", "Music Box Gold (576p)", MatchStatus::kReview, "“MBG” may be the initials of"},
      {"ТВЦ", "ТВ Центр", MatchStatus::kReview, "initials"},
      {"Fox Channel", "FoxChannel", MatchStatus::kReview, "written together"},
      {"Кино", "Kino Russian", MatchStatus::kReview, "language or audience word: “Russian”"},
      {"Дом кино", "Дом кино International", MatchStatus::kReview, "language or audience"},
      {"Звезда", "Звезда (Самара)", MatchStatus::kReview, "perhaps a regional feed"},
      {"ТНТ", "ТНТ / Кемерово", MatchStatus::kReview, "regional feed"},
      {"Малятко ТВ", "Малятко ТБ", MatchStatus::kReview, "“ТБ” read as “ТВ”"},
      {"RT", "REN TV", MatchStatus::kNone, "no playlist name comes close"},
  };
  for (const PairCase& c : cases) {
    const MatchRun run = MatchNames({{c.provider, "1"}}, NamesOf({c.playlist}));
    const RowMatch& m = run.rows[0];
    EXPECT_EQ(m.status, c.status) << c.provider << " / " << c.playlist << ": " << m.score;
    const std::string reason = ReasonText(m.reason, Language::kEn);
    EXPECT_NE(reason.find(c.reason_en), std::string::npos) << c.provider << ": " << reason;
    EXPECT_FALSE(ReasonText(m.reason, Language::kRu).empty());
  }
}

// Every other playlist name of a matched row's channel and feed joins it;
// other feeds, other countries and names of rows of their own do not.
TEST(Matcher, CopiesOfAChannelJoinItsRow) {
  struct Case {
    ChannelRows rows;
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> also;  // per row, in playlist order
  };
  const Case cases[] = {
      {{{"Мир 24", "1"}},
       {"Мир 24 (576p)", "Мир 24 (1080p)", "Mir 24 [Not 24/7]", "Мир 24 +2", "Мир 24 (Москва)",
        "Мир 24 4K", "UK | Mir 24", "RU: Мир 24 (резерв)"},
       {{"Мир 24 (1080p)", "Mir 24 [Not 24/7]", "RU: Мир 24 (резерв)"}}},
      // The provider lists both qualities: HD names to the HD row.
      {{{"Мир 24", "1"}, {"Мир 24 HD", "2"}},
       {"Мир 24 (576p)", "Мир 24 HD", "Мир 24 (1080p)", "Mir 24 (720p) [Geo-blocked]",
        "Мир 24 (резерв)"},
       {{"Мир 24 (резерв)"}, {"Мир 24 (1080p)", "Mir 24 (720p) [Geo-blocked]"}}},
      // Each copy to the row it stands for.
      {{{"ТНТ", "1"}, {"ТНТ4", "2"}},
       {"ТНТ", "TNT4 (576p)", "ТНТ 4 (резерв)", "TNT [Not 24/7]"},
       {{"TNT [Not 24/7]"}, {"TNT4 (576p)"}}},
      // A copy of a short name in other letters must spell it as long.
      {{{"НТВ", "1"}}, {"НТВ", "NTV (1080p)", "NNTV (576p)"}, {{"NTV (1080p)"}}},
      // Another country's feed of the name, or a smaller neighbour's.
      {{{"Music Box UA", "1"}}, {"Music Box UA", "Music Box Russia (576p)", "Music Box [UA]"},
       {{"Music Box [UA]"}}},
      {{{"Спорт 1", "1"}}, {"Спорт 1", "LT | Спорт 1", "UA: Спорт 1"}, {{"UA: Спорт 1"}}},
  };
  for (const Case& c : cases) {
    const MatchRun run = MatchNames(c.rows, NamesOf(c.names));
    for (std::size_t r = 0; r < c.rows.size(); ++r) {
      std::vector<std::string> got;
      for (const FurtherName& further : run.rows[r].also) {
        got.push_back(run.names[further.name].name);
        EXPECT_EQ(ReasonText(further.reason, Language::kEn).rfind("another copy: ", 0), 0u);
      }
      EXPECT_EQ(got, c.also[r]) << c.rows[r].name << " / " << c.names.front();
    }
  }
}

TEST(Matcher, ScoresRankCloserNamesHigher) {
  NameKeyer keyer;
  const NameKey provider = keyer.Key("Пятница");
  const int exact = ScorePair(provider, keyer.Key("Пятница HD")).score;
  const int latin = ScorePair(provider, keyer.Key("Pyatnitsa")).score;
  const int weak = ScorePair(provider, keyer.Key("Pyatnitsa TV")).score;
  const int partial = ScorePair(provider, keyer.Key("Пятница Плюс")).score;
  EXPECT_EQ(exact, 100);
  EXPECT_GT(latin, weak);
  EXPECT_GT(weak, partial);
  EXPECT_LT(partial, MatchOptions{}.auto_score);
}

TEST(Matcher, TheBetterFitGetsAContestedName) {
  // HD to the name with an HD tag, the plain feed to the plain name.
  EXPECT_EQ(Outcomes({{"Первый канал", "1"}, {"Первый канал HD", "2"}},
                     {"Первый канал HD", "Первый канал"})[0]
                .name,
            "Первый канал");
  const auto both =
      Outcomes({{"Первый канал", "1"}, {"Первый канал HD", "2"}}, {"Первый канал HD"});
  EXPECT_EQ(both[1].name, "Первый канал HD");
  EXPECT_EQ(both[1].status, MatchStatus::kExact);
  EXPECT_EQ(both[0].status, MatchStatus::kReview);
  // A country prefix does not outweigh quality.
  EXPECT_EQ(Outcomes({{"НТВ", "1"}}, {"НТВ HD", "RU: НТВ"})[0].name, "RU: НТВ");
  // The row that lost takes its next name of its own quality, if free and
  // good enough; one that two losers want stays with neither.
  const auto next = Outcomes({{"Первый канал", "1"}, {"Первый канал HD", "2"}},
                             {"RU: Первый канал", "Pervyi Kanal HD", "Pervyi Kanal"});
  EXPECT_EQ(next[0].name, "RU: Первый канал");
  EXPECT_EQ(next[1].name, "Pervyi Kanal HD");
  EXPECT_EQ(next[1].status, MatchStatus::kAuto);
  const auto two = Outcomes({{"Первый канал", "1"}, {"Первый канал HD", "2"}, {"Первый канал HD", "3"}},
                            {"RU: Первый канал", "Pervyi Kanal HD"});
  EXPECT_EQ(two[1].status, MatchStatus::kReview);
  EXPECT_EQ(two[2].status, MatchStatus::kReview);
  // A name good enough but marked for a foreign country comes after the
  // region's own, whatever its quality.
  const auto region = Outcomes({{"Eurosport 1", "1"}, {"Cartoon Network", "2"}},
                               {"UK | Eurosport 1", "RU | Eurosport 1 HD", "US | Cartoon Network"});
  EXPECT_EQ(region[0].name, "RU | Eurosport 1 HD");
  EXPECT_EQ(region[0].status, MatchStatus::kExact);
  EXPECT_EQ(region[1].status, MatchStatus::kReview);
  // Two rows with the same claim: neither is decided silently.
  const auto twice = Outcomes({{"Discovery", "1"}, {"Discovery", "2"}}, {"Discovery"});
  EXPECT_EQ(twice[0].status, MatchStatus::kReview);
  EXPECT_EQ(twice[1].status, MatchStatus::kReview);
}

TEST(Matcher, NearTiesBecomeReview) {
  const MatchRun run = MatchNames({{"Кино", "1"}}, NamesOf({"Кино Хит", "Кино Мир"}));
  EXPECT_EQ(run.rows[0].status, MatchStatus::kReview);
  EXPECT_EQ(run.rows[0].reason.kind, ReasonKind::kTie);
  // Two spellings of one channel in the playlist are no tie.
  EXPECT_EQ(Outcomes({{"Disney", "1"}}, {"Disney Channel", "Disney TV"})[0].status,
            MatchStatus::kAuto);
  // Streams that differ only in remarks are one channel, not a tie: the first wins.
  EXPECT_EQ(
      Outcomes({{"Россия 1", "1"}}, {"Rossiya 1 (576p)", "Rossiya 1 (1080p) [Not 24/7]"})[0].name,
      "Rossiya 1 (576p)");
}

TEST(Matcher, AnotherCountrysNameOfTheSameSpellingIsADoubt) {
  // Met through the Latin spelling, "STV" may be Scottish beside "STV (BY)".
  const MatchRun run = MatchNames({{"СТВ", "1"}}, NamesOf({"STV (720p)", "STV (BY)"}));
  EXPECT_EQ(run.rows[0].status, MatchStatus::kReview);
  EXPECT_EQ(run.rows[0].reason.kind, ReasonKind::kTie);
  // Not when the row's own marker chooses, nor among names in its own script.
  EXPECT_EQ(Outcomes({{"СТВ (BY)", "1"}}, {"STV (720p)", "STV (BY)"})[0].name, "STV (BY)");
  EXPECT_EQ(Outcomes({{"ТЕТ", "1"}}, {"ТЕТ", "[UA] ТЕТ"})[0].status, MatchStatus::kExact);
  // Nor a rival of another quality than the best name's.
  EXPECT_EQ(Outcomes({{"Россия 1 HD", "1"}}, {"Rossiya 1 HD", "RU: Rossiya 1"})[0].status,
            MatchStatus::kAuto);
}

TEST(Matcher, ManyEqualClaimsEachNameTheirRival) {
  // Every name wanted by two rows alike: both to review, each naming the other.
  ChannelRows rows;
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i) {
    const std::string name = "Канал номер " + std::to_string(i);
    rows.push_back({name, std::to_string(2 * i)});
    rows.push_back({name, std::to_string(2 * i + 1)});
    names.push_back(name);
  }
  const MatchRun run = MatchNames(rows, NamesOf(names));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ASSERT_EQ(run.rows[r].status, MatchStatus::kReview) << r;
    ASSERT_EQ(run.rows[r].reason.kind, ReasonKind::kEqualClaim) << r;
    ASSERT_EQ(run.rows[r].reason.other, rows[r].name) << r;
  }
}

TEST(Matcher, ThresholdsAreOptions) {
  const ChannelRows rows = {{"Discovery Channel", "1"}};
  EXPECT_EQ(Outcomes(rows, {"Discovery"}, {99, 60})[0].status, MatchStatus::kReview);
  EXPECT_EQ(Outcomes(rows, {"Discovery Science"}, {50, 40})[0].status, MatchStatus::kAuto);
  EXPECT_EQ(Outcomes(rows, {"Discovery Science"}, {90, 90})[0].status, MatchStatus::kNone);
}

TEST(Matcher, GivesIdsAndNamesToAcceptedRowsOnly) {
  Playlist playlist = ParsePlaylist(
      "#EXTM3U\n#EXTINF:-1,НТВ HD\nhttp://a\n#EXTINF:-1,Дом кино\nhttp://b\n"
      "#EXTINF:-1,НТВ HD\nhttp://c\n");
  const ChannelRows rows = {{"НТВ", " 42 "}, {"Дом кино Премиум", "7"}};
  const MatchRun run = MatchPlaylist(rows, playlist);
  ASSERT_EQ(run.names.size(), 2u);
  EXPECT_EQ(PlaylistIds(playlist, rows, run), (std::vector<std::string>{"42", "", "42"}));
  EXPECT_EQ(RenamedRows(rows, run), (ChannelRows{{"НТВ HD", " 42 "}, {"Дом кино Премиум", "7"}}));
  EXPECT_EQ(run.names[0].entries, 2u);
}

TEST(Matcher, CancelsAndReportsProgress) {
  ChannelRows rows;
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) {
    rows.push_back({"Канал номер " + std::to_string(i), std::to_string(i)});
    names.push_back("Channel " + std::to_string(i));
  }
  MatchControl control;
  std::size_t last = 0;
  control.progress = [&](std::size_t done, std::size_t total) {
    EXPECT_LE(done, total);
    last = done;
    if (done > 2000) control.cancel.Cancel();
  };
  EXPECT_THROW(MatchNames(rows, NamesOf(names), {}, control), MatchCancelled);
  EXPECT_GT(last, 2000u);
}

TEST(Matcher, LongListsKeyedOnSeveralThreadsMatchAsOne) {
  // Enough names for the keys to be made on more than one thread: every row
  // must still meet its own name, in Latin letters, and the run can still be
  // cancelled at any point of the keying.
  const char* words[] = {"Пятница", "Звезда", "Карусель", "Домашний", "Спас", "Мир"};
  const char* latin[] = {"Pyatnitsa", "Zvezda", "Karusel", "Domashniy", "Spas", "Mir"};
  ChannelRows rows;
  std::vector<std::string> names;
  for (int i = 0; i < 12000; ++i) {
    const std::string n = std::to_string(i);
    rows.push_back({std::string(words[i % 6]) + " " + words[(i / 6) % 6] + " " + n, n});
    names.push_back(std::string(latin[i % 6]) + " " + latin[(i / 6) % 6] + " " + n);
  }
  const MatchRun run = MatchNames(rows, NamesOf(names));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ASSERT_TRUE(run.rows[r].name.has_value()) << r;
    ASSERT_EQ(run.names[*run.rows[r].name].name, names[r]) << r;
    ASSERT_EQ(run.rows[r].status, MatchStatus::kAuto) << r;
  }
  for (const std::size_t at : {100u, 5000u, 11000u}) {
    MatchControl control;
    control.progress = [&](std::size_t done, std::size_t) {
      if (done >= at) control.cancel.Cancel();
    };
    EXPECT_THROW(MatchNames(rows, NamesOf(names), {}, control), MatchCancelled) << at;
  }
}

}  // namespace
}  // namespace brelvik
