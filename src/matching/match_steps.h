// The steps of a match as the matcher's own files share them: scoring two
// keyed names (pair_score.cpp), the keys and the candidate index
// (candidate_index.cpp), the assignment of playlist names to rows
// (assignment.cpp) and the further names of matched rows (further_names.cpp).
// Nothing outside src/matching includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "matching/matcher.h"

namespace brelvik::match_steps {

inline constexpr int kTieMargin = 3;  // closer than this is a near-tie
inline constexpr std::size_t kFuzzyMinLength = 5;
inline constexpr double kFuzzyCredit = 0.8;  // a misspelt word still counts from here
// The score of a suggestion that rests on an assumption (an abbreviation, a
// regional feed, an added language word): worth a look, never taken alone.
inline constexpr int kAssumedScore = 70;
// A name of this many Latin letters and digits or fewer ("STV", "NTA")
// may well be another country's channel of that spelling.
inline constexpr std::size_t kShortName = 4;

inline bool IsWord(const NameToken& t) { return t.kind == TokenKind::kWord; }

// Plain and SD are one class, HD/FHD/HQ another, UHD/4K a third.
inline int QualityClass(Quality q) { return q == Quality::kHd ? 1 : q == Quality::kUhd ? 2 : 0; }

// The class of the feed a name stands for: its quality tags, or failing
// those its resolution ("(1080p)" is an HD feed, "(2160p)" a 4K one).
int FeedClass(const NameKey& key);

// Abbreviations: the one word of a name written in capitals ("ПРК", "MBG"),
// or null; and the initials of a name of several words, in Latin letters,
// with "ТВ"/"TV" as one letter and as two ("ТВ Центр" is "ТЦ" and "ТВЦ").
const NameToken* ShortForm(const NameKey& key);
std::vector<std::string> LatinInitials(const NameKey& key);
// The Latin forms of all words, common ones too, unspaced: "Fox Channel" and
// "FoxChannel" are both "foxchanel".
std::string Joined(const NameKey& key);

// The word similarity the index and the scoring share: 0, or 0.8 to 1.
double Similarity(std::string_view a, std::string_view b);

// The score of a pair, and when `reason` is given, why. Below `floor` the
// words need not be compared at all, and the score is only a cap.
int Evaluate(const NameKey& a, const NameKey& b, MatchReason* reason, int floor = 0);

// True for the reasons that rest on an assumption rather than a score:
// such a pair is a suggestion to review whatever it scores.
bool Assumed(const MatchReason& reason);

// Runs `work(begin, end, first)` over [0, n) in up to four parts on as many
// threads, the first part (`first` true) on the calling thread, when the
// list is long enough to pay for threads; rethrows what a part threw.
void InParts(std::size_t n, const std::function<void(std::size_t, std::size_t, bool)>& work);

// The keys of `texts`, in their order, on several threads for long lists;
// `tick` is called on this thread once per text.
std::vector<NameKey> KeyAll(const std::vector<std::string_view>& texts,
                            const std::function<void(std::size_t)>& tick,
                            const CancelToken& cancel);

// Where to look for a name's candidates among other names: by whole key, by
// Latin key, by compact form, by initials, by rare words and their
// misspellings.
class CandidateIndex {
 public:
  explicit CandidateIndex(const std::vector<NameKey>& keys);
  // An index built name by name: Add each, then Seal before asking it. Its
  // names' keys need not outlive the building.
  CandidateIndex();
  void Add(std::uint32_t id, const NameKey& key);
  void Seal();
  ~CandidateIndex();
  CandidateIndex(const CandidateIndex&) = delete;
  CandidateIndex& operator=(const CandidateIndex&) = delete;

  // What one thread's look-ups keep between calls: an index may be asked
  // from several threads at once, each with a query of its own.
  struct Query {
    std::vector<std::uint32_t> stamp;
    std::vector<std::int64_t> shared;
    std::vector<std::uint32_t> found;
    std::uint32_t generation = 0;
  };

  // Candidates for a name, the most promising first, at most a few dozen.
  // The returned list is the query's, reused by its next call.
  const std::vector<std::uint32_t>& Candidates(const NameKey& key, Query& query) const;
  // The names whose key equals `key`, into `ids` (an index made of a list
  // of keys only).
  void SameKey(const std::string& key, std::vector<std::uint32_t>& ids) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

struct Candidate {
  std::uint32_t name;
  int score;
  int fit;
  int case_gap;  // how far the letter case differs: "НТВ" is closer to "NTV" than to "ntv"
  bool foreign;  // marked for a country beyond the providers' region
  int remarks;   // the name's stream tags and remarks
};

// The first country marker of the playlist name's that is neither the row's
// nor one of the providers' region, as written; nullptr when there is none,
// or when the name is written in Cyrillic, for the region's viewers.
const std::string* ForeignMarker(const NameKey& row, const NameKey& name, std::string_view text);

// True when every marker of a key's (space-separated) is of Russia and its
// neighbours, or there is none.
bool RegionMarkers(std::string_view markers);
// The same for the region's larger countries only: Russia, Ukraine, Belarus
// and Kazakhstan, whose markers playlists use to group their channels.
bool CoreMarkers(std::string_view markers);

// The keys of a run's playlist names, kept for the names some row comes
// close to: an empty key for the others costs four bytes, not a key's size.
class NameKeys {
 public:
  void Resize(std::size_t n) { slots_.assign(n, kNone); }
  std::size_t size() const { return slots_.size(); }
  bool Has(std::size_t name) const { return slots_[name] != kNone; }
  const NameKey& operator[](std::size_t name) const {
    static const NameKey kEmpty;
    return slots_[name] == kNone ? kEmpty : keys_[slots_[name]];
  }
  void Set(std::size_t name, NameKey key) {
    if (Has(name)) {
      keys_[slots_[name]] = std::move(key);
      return;
    }
    slots_[name] = static_cast<std::uint32_t>(keys_.size());
    keys_.push_back(std::move(key));
  }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> slots_;
  std::vector<NameKey> keys_;
};

// A provider row that fits a playlist name, seen from the name.
struct NameFit {
  std::uint32_t row;
  int score;
  int fit;
};

}  // namespace brelvik::match_steps

namespace brelvik {

struct FurtherNameData {
  MatchOptions options;
  match_steps::NameKeys playlist_keys;      // one per run name; empty unless kept
  std::vector<NameKey> row_keys;            // one per distinct row name
  std::vector<std::uint32_t> key_of_row;    // into row_keys
  // Per name free when the match ended, the rows that fit it best, the best
  // first; empty for names no row comes close to.
  // All names' fits in one array, name n's from fit_begin[n] to
  // fit_begin[n + 1]: a million names without fits cost four bytes each.
  std::vector<std::uint32_t> fit_begin{0};
  std::vector<match_steps::NameFit> fit_list;
  std::size_t Names() const { return fit_begin.size() - 1; }
  std::span<const match_steps::NameFit> FitsOf(std::size_t name) const {
    return {fit_list.data() + fit_begin[name], fit_list.data() + fit_begin[name + 1]};
  }
  void AddFits(const std::vector<match_steps::NameFit>& fits) {
    fit_list.insert(fit_list.end(), fits.begin(), fits.end());
    fit_begin.push_back(static_cast<std::uint32_t>(fit_list.size()));
  }
  // Rows by their key: the provider's rows of one channel, in each quality.
  std::unordered_map<std::string, std::vector<std::uint32_t>> rows_by_key;
};

}  // namespace brelvik

namespace brelvik::match_steps {

// Everything the steps after the candidates share.
struct MatchContext {
  const ChannelRows& rows;
  const MatchOptions& options;
  NameKeys playlist_keys;                   // one per run name; empty unless kept
  std::vector<NameKey> row_keys;            // one per distinct row name
  std::vector<const NameKey*> key_of_row;   // into row_keys
  std::vector<std::vector<Candidate>> candidates;  // per row, the best first
  const std::vector<PlaylistName>* names = nullptr;

  MatchReason ReasonOf(std::size_t row, std::uint32_t name) const;
};

// Each row's candidates, scored and ranked, on several threads for long
// lists; `tick` is called on this thread once per row.
void FindCandidates(MatchContext& context, CandidateIndex& index,
                    const std::function<void(std::size_t)>& tick, const CancelToken& cancel);

// The one-to-one assignment: each row's own verdict, then who gets a
// contested name, then a second choice for rows that lost theirs. `owner`
// (one per name) is the accepted row holding it, or -1.
void AssignNames(const MatchContext& context, MatchRun& run, std::vector<std::int64_t>& owner);

// The provider's rows as a playlist name is looked up among them: which
// rows fit it best (its fits, for the further-name step), as each name is
// keyed. Holds the further-name data the fits go into.
class RowLookup {
 public:
  explicit RowLookup(const MatchContext& context);  // the row keys made
  ~RowLookup();
  std::vector<NameFit> FitsOf(const NameKey& name, CandidateIndex::Query& query) const;
  FurtherNameData& Data() { return *data_; }
  std::shared_ptr<FurtherNameData> TakeData() { return std::move(data_); }

 private:
  struct Parts;
  const MatchContext& context_;
  std::shared_ptr<FurtherNameData> data_;
  std::unique_ptr<Parts> parts_;
};

// After the assignment: every name that stands for the same channel and
// feed as an accepted row joins it as a further name, by the fits in
// `data`, and `owner` says so. The keys stay in the context; the caller
// moves them into the returned data once the steps that read them have run.
std::shared_ptr<FurtherNameData> AddFurtherNames(const MatchContext& context, MatchRun& run,
                                                 std::vector<std::int64_t>& owner,
                                                 std::shared_ptr<FurtherNameData> data);

// A suggestion that an accepted row holds (as its name or a further name)
// gives way to the row's next free candidate worth reviewing.
void ReplaceTakenSuggestions(const MatchContext& context, MatchRun& run,
                             const std::vector<std::int64_t>& owner);

}  // namespace brelvik::match_steps
