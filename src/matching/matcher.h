// Matching a provider's channel list to the user's playlist: for each
// provider row, the playlist name it stands for, with a score, a status and a
// reason. Keys are made once per name, candidates come from an index built
// once per playlist, scoring is a pure function of two keys, and who gets a
// contested playlist name is decided in a step of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loaders/channel_row.h"
#include "matching/name_key.h"
#include "matching/playlist.h"
#include "support/cancel.h"
#include "support/ui_texts.h"

namespace brelvik {

enum class MatchStatus {
  kExact,   // the names' keys are equal
  kAuto,    // scored at or above the automatic threshold, and uncontested
  kReview,  // a suggestion the user should confirm
  kNone,    // nothing in the playlist comes close
};

// "exact", "auto", "review", "none".
std::string_view StatusName(MatchStatus status);

struct MatchOptions {
  // Defaults chosen so that a wrong automatic match is rare: a wrong rename
  // silently breaks a channel's guide, a missed one costs the user one click.
  int auto_score = 90;
  int review_score = 60;
};

enum class ReasonKind {
  kSame,              // equal keys
  kSimilar,           // every word has its counterpart: transliteration, joined words, ...
  kPartial,           // words of one name are missing from the other
  kNumberDiffers,     // "Россия 1" / "Россия 24"
  kTimeshiftDiffers,  // "+2" on one side only, or another shift
  kCommonWordsOnly,   // names of weak words and numbers only, not equal
  kTakenBy,           // a better-fitting provider row got the playlist name
  kEqualClaim,        // two provider rows fit the playlist name equally
  kTie,               // two playlist names fit nearly as well
  kAbbreviation,      // one name may be the initials of the other's words: "ПРК"
  kRegionalFeed,      // words in brackets on one side only: "Звезда (Самара)"
  kAudienceWord,      // a language or audience word on one side only: "Kino Russian"
  kUltraHdOneSide,    // a 4K/UHD feed on one side only, often a channel of its own
  kForeignMarker,     // the playlist name is marked for a country beyond the providers'
  kRowMarker,         // the row is marked for a country ("UA: Первый"), the name otherwise
  kOtherQualityRow,   // the name's feed is another row's: "(1080p)" beside an HD row
  kNoCandidate,       // nothing in the playlist comes close
  kUserChoice,        // the user chose this playlist name
  kUserNoMatch,       // the user said the playlist has no such channel
  kUserGaveAway,      // the user gave this row's playlist name to another row
  kMappedNameGone,    // the user's playlist name is no longer in the playlist
  kCodeChanged,       // the name the user decided on now stands under another code
};

// How two names whose words all correspond still differ.
enum ReasonDetail : unsigned {
  kDetailLatin = 1u << 0,     // one is the other in Latin letters
  kDetailJoined = 1u << 1,    // words written together or apart
  kDetailOrder = 1u << 2,     // the same words in another order
  kDetailWeak = 1u << 3,      // "канал", "tv" on one side only
  kDetailSpelling = 1u << 4,  // a word spelled slightly differently
  kDetailJoinedWeak = 1u << 5,  // a common word hidden in a joined one: "FoxChannel"
  kDetailTvSpelling = 1u << 6,  // the Ukrainian and Belarusian "ТБ" read as "ТВ"
};

// Why a row got its result; rendered in either language by ReasonText.
struct MatchReason {
  ReasonKind kind = ReasonKind::kNoCandidate;
  unsigned details = 0;
  unsigned folds = 0;                // look-alike letters, ё, marks, in either name
  std::vector<std::string> removed;  // parts removed from either name, as written
  std::vector<std::string> ours;     // words or numbers only in the provider's name
  std::vector<std::string> theirs;   // words or numbers only in the playlist name
  std::vector<std::pair<std::string, std::string>> spelled;  // words spelled differently
  std::string other;                                         // the rival row or playlist name
  int other_score = 0;
  bool closest = false;  // describes the closest name, which is not close enough
  bool copy = false;     // describes a further name: another copy of the row's channel
};

std::string ReasonText(const MatchReason& reason, Language language);

// A score of two keyed names, 0 to 100, and why.
struct PairScore {
  int score = 0;
  MatchReason reason;
};
PairScore ScorePair(const NameKey& provider, const NameKey& playlist);

// How well a playlist name's variant fits a provider row with the same key:
// the same country markers, the same quality class (plain and SD are one,
// HD/FHD/HQ another, UHD/4K a third), the same quality tag. Higher fits better.
int VariantFit(const NameKey& provider, const NameKey& playlist);

// A distinct name of the playlist: several streams of one channel share it.
struct PlaylistName {
  std::string name;
  std::size_t first_entry = 0;  // index of the first entry bearing it
  std::size_t entries = 0;      // how many entries bear it
  // The titles its entries show where a tvg-name gave the name: the player
  // shows the title, so the channel-id file hashes it too.
  std::vector<std::string> titles;
};

std::vector<PlaylistName> DistinctNames(const Playlist& playlist);

// Another playlist name a matched row stands for: a copy of its channel in
// another quality, with a remark, a backup stream.
struct FurtherName {
  std::size_t name = 0;  // into MatchRun::names
  MatchReason reason;
  bool by_user = false;  // attached by the user
  bool operator==(const FurtherName& other) const {
    return name == other.name && by_user == other.by_user;
  }
};

struct RowMatch {
  MatchStatus status = MatchStatus::kNone;
  int score = 0;
  std::optional<std::size_t> name;  // into MatchRun::names: the match or the suggestion
  MatchReason reason;
  bool by_user = false;  // the user's decision, which wins over the matcher
  // The further names of an accepted row, in playlist order; none otherwise.
  std::vector<FurtherName> also;
  // Names the user detached from this row: they never join it again.
  std::vector<std::size_t> detached;
};

struct MatchCounts {
  std::size_t exact = 0, automatic = 0, review = 0, none = 0;
};

// What deciding further names again needs: the names' keys and the rows
// that fit each name best, as the match found them.
struct FurtherNameData;

struct MatchRun {
  std::vector<PlaylistName> names;
  std::vector<RowMatch> rows;  // one per provider row, in the rows' order
  // Shared by copies of the run; null in a run rearranged for another order,
  // whose further names stay as they are.
  std::shared_ptr<const FurtherNameData> further;
  MatchCounts Counts() const;
};

// Decides the further names of every accepted row again, after decisions
// changed which rows are accepted and which names they hold: the user's
// attached names stay, detached ones stay away, the others follow the rules
// of the match.
void UpdateFurtherNames(MatchRun& run);

// The user's decision on a further name of row `row`: attach it (taken from
// any row that held it as a further name) or detach it.
void AttachByUser(MatchRun& run, std::size_t row, std::size_t name);
void DetachByUser(MatchRun& run, std::size_t row, std::size_t name);

// The accepted row that holds a name as its match or a further name.
std::optional<std::size_t> HolderOf(const MatchRun& run, std::size_t name);
// The same for every name at once: the holding row's index, or -1.
std::vector<std::int64_t> Holders(const MatchRun& run);

// Why a row waits for the user: only a suggestion whose one doubt is its
// score may be accepted with others at once.
enum class ReviewDoubt {
  kNotReview,  // the row is decided, or has no suggestion
  kScore,      // the score alone: below the automatic threshold
  kHeld,       // another row holds the name, or fits it better
  kTie,        // two names or two rows fit alike
  kSpelling,   // a word spelled otherwise within one alphabet
  kUltraHd,    // a 4K/UHD feed on one side only
  kCountry,    // a foreign country's marker, or the row's country differs
  kAssumed,    // an abbreviation, a regional feed, a language word, "ТБ"
  kOther,      // the user's earlier name is gone, or the code changed
};
// `holders` as Holders gives them for the run.
ReviewDoubt DoubtOf(const MatchRun& run, std::size_t row, const std::vector<std::int64_t>& holders);

// Records the user's decision on row `row`: a playlist name (status auto,
// score 100) or, with nullopt, no match (status none). A name another
// accepted row held is given to this row: that row becomes "review" with
// the reason that the user gave its name to `row_name` (the provider's name
// of `row`), and a row holding it as a further name lets it go. Further
// names are decided again unless `update` is false (for many decisions at
// once, followed by one UpdateFurtherNames).
void DecideByUser(MatchRun& run, std::size_t row, std::optional<std::size_t> name,
                  std::string_view row_name = {}, bool update = true);

// The index of a playlist name in the run, or nullopt.
std::optional<std::size_t> FindName(const MatchRun& run, std::string_view name);

class MatchCancelled : public std::runtime_error {
 public:
  MatchCancelled() : std::runtime_error("matching cancelled") {}
};

struct MatchControl {
  CancelToken cancel;
  // Called now and then from the matching thread with rows done and in all.
  std::function<void(std::size_t done, std::size_t total)> progress;
};

// Matches every row to the playlist's names. Raises MatchCancelled when the
// control's token is set meanwhile.
MatchRun MatchPlaylist(const ChannelRows& rows, const Playlist& playlist,
                       const MatchOptions& options = {}, const MatchControl& control = {});

// The same on names already distinct (for tests and benchmarks).
MatchRun MatchNames(const ChannelRows& rows, std::vector<PlaylistName> names,
                    const MatchOptions& options = {}, const MatchControl& control = {});

}  // namespace brelvik
