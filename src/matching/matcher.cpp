// Scoring two keyed names, the candidate index over a playlist's names, and
// the assignment of playlist names to provider rows.
#include "matching/matcher.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <future>
#include <numeric>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "support/codepage.h"

namespace brelvik {

namespace {

constexpr int kTieMargin = 3;           // closer than this is a near-tie
constexpr int kNumberDiffersCap = 45;   // "Россия 1" / "Россия 24"
constexpr int kNumberOneSidedCap = 58;  // "Eurosport" / "Eurosport 1"
constexpr int kTimeshiftCap = 50;       // "Первый канал" / "Первый канал +4"
constexpr int kSpelledInOneScriptCap = 85;  // "Discovery" / "Discovary": asked
constexpr double kFuzzyCredit = 0.8;    // a misspelt word still counts from here
constexpr double kFuzzyFull = 0.85;     // ... and counts as the same word from here
constexpr std::size_t kFuzzyMinLength = 5;
constexpr std::size_t kMaxScored = 48;  // candidates scored per row
constexpr std::size_t kLongPosting = 3000;

bool IsWord(const NameToken& t) { return t.kind == TokenKind::kWord; }

// Optimal string alignment distance (edits, with adjacent swaps) of short
// words; rows on the stack, as this runs for many pairs.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  constexpr std::size_t kMax = 64;
  if (a.size() >= kMax || b.size() >= kMax) return std::max(a.size(), b.size());
  const std::size_t n = a.size(), m = b.size();
  std::size_t rows[3][kMax];
  std::size_t* prev2 = rows[0];
  std::size_t* prev = rows[1];
  std::size_t* cur = rows[2];
  for (std::size_t j = 0; j <= m; ++j) prev[j] = j;
  for (std::size_t i = 1; i <= n; ++i) {
    cur[0] = i;
    for (std::size_t j = 1; j <= m; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        cur[j] = std::min(cur[j], prev2[j - 2] + 1);
      }
    }
    std::size_t* spare = prev2;
    prev2 = prev;
    prev = cur;
    cur = spare;
  }
  return prev[m];
}

bool Ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

double Similarity(std::string_view a, std::string_view b) {
  if (a.size() < kFuzzyMinLength || b.size() < kFuzzyMinLength) return 0;
  const std::size_t longer = std::max(a.size(), b.size());
  if (longer - std::min(a.size(), b.size()) > longer / 5) return 0;
  return 1.0 - static_cast<double>(EditDistance(a, b)) / static_cast<double>(longer);
}

int QualityClass(Quality q) { return q == Quality::kHd ? 1 : q == Quality::kUhd ? 2 : 0; }

void AddDistinct(std::vector<std::string>& list, const std::string& text) {
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(text);
}

// The elements of `a` not in `b`, as multisets of sorted lists.
std::vector<std::string> Minus(const std::vector<std::string>& a,
                               const std::vector<std::string>& b) {
  std::vector<std::string> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

struct Alignment {
  std::vector<double> sim_a, sim_b;  // per token, 0 when unmatched
  std::vector<int> partner_a;        // token index in b, -1 when unmatched or joined
  unsigned details = 0;
  double spelling_penalty = 0;
  bool spelled_in_one_script = false;  // a misspelt pair written in the same alphabet
  bool fuzzy_below_full = false;
  std::vector<std::pair<std::size_t, std::size_t>> spelled;  // token pairs matched by spelling
  struct Pair {
    double sim;
    std::size_t i, j;
  };
  std::vector<Pair> pairs;
};

// Fills `al`, whose buffers are reused from pair to pair.
void Align(const NameKey& a, const NameKey& b, Alignment& al) {
  const auto& ta = a.tokens;
  const auto& tb = b.tokens;
  al.details = 0;
  al.spelling_penalty = 0;
  al.spelled_in_one_script = false;
  al.fuzzy_below_full = false;
  al.spelled.clear();
  al.sim_a.assign(ta.size(), 0);
  al.sim_b.assign(tb.size(), 0);
  al.partner_a.assign(ta.size(), -1);
  const auto matchable = [](const NameToken& t) {
    return t.kind == TokenKind::kWord || t.kind == TokenKind::kWeak;
  };
  // Same words: by shape first, then by their Latin form.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < ta.size(); ++i) {
      if (!matchable(ta[i]) || al.sim_a[i] > 0) continue;
      for (std::size_t j = 0; j < tb.size(); ++j) {
        if (tb[j].kind != ta[i].kind || al.sim_b[j] > 0) continue;
        const bool same = pass == 0 ? ta[i].shape == tb[j].shape
                                    : !ta[i].latin.empty() && ta[i].latin == tb[j].latin;
        if (!same) continue;
        al.sim_a[i] = al.sim_b[j] = 1;
        al.partner_a[i] = static_cast<int>(j);
        if (pass == 1) al.details |= kDetailLatin;
        break;
      }
    }
  }
  // Words written together on one side and apart on the other.
  const auto join = [&al](const std::vector<NameToken>& one, std::vector<double>& sim_one,
                          const std::vector<NameToken>& many, std::vector<double>& sim_many) {
    for (std::size_t i = 0; i < one.size(); ++i) {
      if (one[i].kind != TokenKind::kWord || sim_one[i] > 0) continue;
      for (std::size_t j = 0; j < many.size() && sim_one[i] == 0; ++j) {
        // Consecutive words of `many` that spell out the word, piece by piece.
        const std::string_view whole = one[i].latin;
        std::size_t covered = 0;
        for (std::size_t k = j; k < many.size() && k < j + 3; ++k) {
          if (sim_many[k] > 0 ||
              (many[k].kind != TokenKind::kWord && many[k].kind != TokenKind::kWeak)) {
            break;
          }
          const std::string_view piece = many[k].latin;
          if (piece.empty() || whole.substr(covered, piece.size()) != piece) break;
          covered += piece.size();
          if (k > j && covered == whole.size()) {
            sim_one[i] = 1;
            for (std::size_t m = j; m <= k; ++m) sim_many[m] = 1;
            al.details |= kDetailJoined;
            break;
          }
          if (covered >= whole.size()) break;
        }
      }
    }
  };
  join(ta, al.sim_a, tb, al.sim_b);
  join(tb, al.sim_b, ta, al.sim_a);
  // Misspelt words: the most similar pairs first.
  using Pair = Alignment::Pair;
  std::vector<Pair>& pairs = al.pairs;
  pairs.clear();
  for (std::size_t i = 0; i < ta.size(); ++i) {
    if (!IsWord(ta[i]) || al.sim_a[i] > 0) continue;
    for (std::size_t j = 0; j < tb.size(); ++j) {
      if (!IsWord(tb[j]) || al.sim_b[j] > 0) continue;
      const double sim = Similarity(ta[i].latin, tb[j].latin);
      if (sim >= kFuzzyCredit) pairs.push_back({sim, i, j});
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) { return x.sim > y.sim; });
  for (const Pair& p : pairs) {
    if (al.sim_a[p.i] > 0 || al.sim_b[p.j] > 0) continue;
    al.sim_a[p.i] = al.sim_b[p.j] = p.sim;
    al.partner_a[p.i] = static_cast<int>(p.j);
    al.details |= kDetailSpelling;
    al.spelled.emplace_back(p.i, p.j);
    al.spelling_penalty += (1 - p.sim) * 60;
    if (p.sim < kFuzzyFull) al.fuzzy_below_full = true;
    if (Ascii(ta[p.i].written) == Ascii(tb[p.j].written)) al.spelled_in_one_script = true;
  }
  // The matched words in another order?
  int last = -1;
  for (std::size_t i = 0; i < ta.size(); ++i) {
    if (al.partner_a[i] < 0) continue;
    if (al.partner_a[i] < last) al.details |= kDetailOrder;
    last = al.partner_a[i];
  }
}

}  // namespace

std::string_view StatusName(MatchStatus status) {
  switch (status) {
    case MatchStatus::kExact:
      return "exact";
    case MatchStatus::kAuto:
      return "auto";
    case MatchStatus::kReview:
      return "review";
    case MatchStatus::kNone:
      return "none";
  }
  return "none";
}

int VariantFit(const NameKey& provider, const NameKey& playlist) {
  return (QualityClass(provider.quality) == QualityClass(playlist.quality) ? 4 : 0) +
         (provider.markers == playlist.markers ? 2 : 0) +
         (provider.quality == playlist.quality ? 1 : 0);
}

namespace {

std::vector<std::string> Split(const std::string& joined) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < joined.size()) {
    std::size_t end = joined.find(' ', start);
    if (end == std::string::npos) end = joined.size();
    out.push_back(joined.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// The score of a pair, and when `reason` is given, why. Scoring runs for many
// candidate pairs and needs no texts; the reason is made for the few kept.
int Evaluate(const NameKey& a, const NameKey& b, MatchReason* reason, int floor = 0) {
  // A number or time shift that differs caps the score; below the floor the
  // words need not be compared at all.
  if (!reason && a.key != b.key) {
    const int cap =
        a.numbers != b.numbers
            ? (a.numbers.empty() || b.numbers.empty() ? kNumberOneSidedCap : kNumberDiffersCap)
        : a.shifts != b.shifts ? kTimeshiftCap
                               : 100;
    if (cap < floor) return cap;
  }
  if (reason) {
    // Parts removed from one name and not the other: what made them meet.
    const auto removed_from = [](const NameKey& key, const RemovedPart& part) {
      return std::any_of(key.removed.begin(), key.removed.end(), [&](const RemovedPart& other) {
        return AsciiLower(other.text) == AsciiLower(part.text);
      });
    };
    for (const RemovedPart& part : a.removed) {
      if (!removed_from(b, part)) AddDistinct(reason->removed, part.text);
    }
    for (const RemovedPart& part : b.removed) {
      if (!removed_from(a, part)) AddDistinct(reason->removed, part.text);
    }
    reason->folds = (a.folds | b.folds) & kFoldLookAlike;
  }
  if (a.key == b.key) {
    if (reason) {
      reason->kind = ReasonKind::kSame;
      reason->folds |= (a.folds ^ b.folds) & (kFoldYo | kFoldMarks | kFoldCompatibility);
      // Equal shapes of different letters: one name is written in the other's
      // look-alike letters ("CTC" for "СТС").
      for (std::size_t i = 0; i < a.tokens.size() && i < b.tokens.size(); ++i) {
        if (a.tokens[i].text != b.tokens[i].text) reason->folds |= kFoldLookAlike;
      }
    }
    return 100;
  }

  thread_local Alignment al;
  Align(a, b, al);
  double weight_a = 0, weight_b = 0, matched = 0;
  std::size_t words_a = 0, words_b = 0;
  bool full = !al.fuzzy_below_full;
  int weak_unmatched = 0;
  std::vector<std::string> weak_ours, weak_theirs, ours, theirs;
  const auto tally = [&](const std::vector<NameToken>& tokens, const std::vector<double>& sim,
                         double& weight, std::size_t& words, std::vector<std::string>& weak_only,
                         std::vector<std::string>& only) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      const NameToken& t = tokens[i];
      if (t.kind == TokenKind::kWeak && sim[i] == 0) {
        ++weak_unmatched;
        if (reason) weak_only.push_back(t.written);
      }
      if (!IsWord(t)) continue;
      ++words;
      const double w = static_cast<double>(std::max<std::size_t>(1, t.latin.size()));
      weight += w;
      matched += w * sim[i];
      if (sim[i] == 0) {
        full = false;
        if (reason) only.push_back(t.written);
      }
    }
  };
  tally(a.tokens, al.sim_a, weight_a, words_a, weak_ours, ours);
  tally(b.tokens, al.sim_b, weight_b, words_b, weak_theirs, theirs);
  unsigned details = al.details | (weak_unmatched > 0 ? unsigned{kDetailWeak} : 0u);

  int score;
  ReasonKind kind;
  if (words_a == 0 || words_b == 0) {
    // Names of common words and numbers only ("ТВ 3", "Канал 5") are the
    // same channel only when equal.
    const bool same =
        words_a == words_b && !a.compact.empty() && a.compact == b.compact && weak_unmatched == 0;
    score = same ? 97 : 30;
    kind = same ? ReasonKind::kSimilar : ReasonKind::kCommonWordsOnly;
    if (!same) details = 0;
  } else if (full) {
    double s = 100;
    if (details & kDetailLatin) s -= 2;
    if (details & kDetailJoined) s -= 3;
    if (details & kDetailOrder) s -= 2;
    s -= 4.0 * std::min(weak_unmatched, 2);
    s -= al.spelling_penalty;
    score = std::clamp(static_cast<int>(s + 0.5), 61, 99);
    // Across alphabets a spelling differs by transliteration habit; within
    // one it may well be another word ("Киносемья" / "Киносерия").
    if (al.spelled_in_one_script) score = std::min(score, kSpelledInOneScriptCap);
    kind = ReasonKind::kSimilar;
    ours = std::move(weak_ours);
    theirs = std::move(weak_theirs);
  } else {
    score = static_cast<int>(85.0 * matched / (weight_a + weight_b) + 0.5);
    kind = ReasonKind::kPartial;
  }

  if (a.numbers != b.numbers) {
    const bool one_sided = a.numbers.empty() || b.numbers.empty();
    score = std::min(score, one_sided ? kNumberOneSidedCap : kNumberDiffersCap);
    kind = ReasonKind::kNumberDiffers;
    if (reason) {
      const std::vector<std::string> na = Split(a.numbers), nb = Split(b.numbers);
      ours = Minus(na, nb);
      theirs = Minus(nb, na);
    }
    details = 0;
  } else if (a.shifts != b.shifts) {
    score = std::min(score, kTimeshiftCap);
    kind = ReasonKind::kTimeshiftDiffers;
    if (reason) {
      const std::vector<std::string> sa = Split(a.shifts), sb = Split(b.shifts);
      ours = Minus(sa, sb);
      theirs = Minus(sb, sa);
    }
    details = 0;
  }
  if (reason) {
    reason->kind = kind;
    reason->details = details;
    reason->ours = std::move(ours);
    reason->theirs = std::move(theirs);
    if (kind == ReasonKind::kSimilar || kind == ReasonKind::kPartial) {
      for (const auto& [i, j] : al.spelled) {
        reason->spelled.emplace_back(a.tokens[i].written, b.tokens[j].written);
      }
    }
  }
  return std::clamp(score, 0, 100);
}

}  // namespace

PairScore ScorePair(const NameKey& a, const NameKey& b) {
  PairScore out;
  out.score = Evaluate(a, b, &out.reason);
  return out;
}

std::vector<PlaylistName> DistinctNames(const Playlist& playlist) {
  std::vector<PlaylistName> names;
  std::unordered_map<std::string_view, std::size_t> seen;
  seen.reserve(playlist.entries.size());
  for (const PlaylistEntry& entry : playlist.entries) {
    if (entry.name.empty()) continue;
    const auto [it, added] = seen.emplace(entry.name, names.size());
    if (added) {
      names.push_back({entry.name, entry.index, 1});
    } else {
      ++names[it->second].entries;
    }
  }
  return names;
}

MatchCounts MatchRun::Counts() const {
  MatchCounts counts;
  for (const RowMatch& row : rows) {
    switch (row.status) {
      case MatchStatus::kExact:
        ++counts.exact;
        break;
      case MatchStatus::kAuto:
        ++counts.automatic;
        break;
      case MatchStatus::kReview:
        ++counts.review;
        break;
      case MatchStatus::kNone:
        ++counts.none;
        break;
    }
  }
  return counts;
}

namespace {

using Postings = std::unordered_map<std::string, std::vector<std::uint32_t>>;

// Where to look for a name's candidates among the playlist's names.
class CandidateIndex {
 public:
  explicit CandidateIndex(const std::vector<NameKey>& keys) : keys_(keys) {
    for (std::uint32_t id = 0; id < keys.size(); ++id) {
      const NameKey& key = keys[id];
      by_key_[key.key].push_back(id);
      by_latin_[key.latin_key].push_back(id);
      if (!key.compact.empty()) by_compact_[key.compact].push_back(id);
      std::unordered_set<std::string_view> words;
      for (const NameToken& t : key.tokens) {
        if (IsWord(t) && words.insert(t.latin).second) {
          auto [it, added] = by_word_.try_emplace(t.latin);
          if (added) AddToVocabulary(t.latin);
          it->second.push_back(id);
        }
      }
    }
    stamp_.assign(keys.size(), 0);
    shared_.assign(keys.size(), 0);
  }

  // Candidates for a provider name, the most promising first, at most kMaxScored.
  std::vector<std::uint32_t> Candidates(const NameKey& key) {
    ++generation_;
    found_.clear();
    const auto add = [this](const std::vector<std::uint32_t>& ids, std::int64_t weight) {
      for (const std::uint32_t id : ids) {
        if (stamp_[id] != generation_) {
          stamp_[id] = generation_;
          shared_[id] = 0;
          found_.push_back(id);
        }
        shared_[id] += weight;
      }
    };
    // Whole-key hits always come first; words count by how rare they are.
    if (const auto it = by_key_.find(key.key); it != by_key_.end()) add(it->second, 1 << 30);
    if (const auto it = by_latin_.find(key.latin_key); it != by_latin_.end())
      add(it->second, 1 << 29);
    if (!key.compact.empty()) {
      if (const auto it = by_compact_.find(key.compact); it != by_compact_.end())
        add(it->second, 1 << 28);
    }
    // Words, the rarest first; very common words only when nothing rarer led anywhere.
    std::vector<const std::vector<std::uint32_t>*> lists;
    std::unordered_set<std::string_view> words;
    for (const NameToken& t : key.tokens) {
      if (!IsWord(t) || !words.insert(t.latin).second) continue;
      if (const auto it = by_word_.find(t.latin); it != by_word_.end()) {
        lists.push_back(&it->second);
      } else if (t.latin.size() >= kFuzzyMinLength) {
        for (const std::string* similar : SimilarWords(t.latin))
          lists.push_back(&by_word_[*similar]);
      } else if (t.latin.size() >= 2) {
        // A word written together in the playlist ("домкино").
        for (const NameToken& u : key.tokens) {
          if (&u == &t || !IsWord(u)) continue;
          if (const auto it = by_word_.find(t.latin + u.latin); it != by_word_.end()) {
            lists.push_back(&it->second);
          }
        }
      }
    }
    std::sort(lists.begin(), lists.end(),
              [](const auto* x, const auto* y) { return x->size() < y->size(); });
    for (std::size_t i = 0; i < lists.size(); ++i) {
      // A common word adds little once rarer ones have found names.
      // Every name that holds all of this name's words is in its rarest
      // word's list already; common words only help when nothing else did.
      if (i > 0 && lists[i]->size() > kLongPosting / 8 && !found_.empty()) break;
      add(*lists[i], 1 + 100000 / static_cast<std::int64_t>(lists[i]->size() + 10));
    }
    // Names that share only what many names share are not worth scoring when
    // others share much more.
    std::int64_t most = 0;
    for (const std::uint32_t id : found_) most = std::max(most, shared_[id]);
    std::erase_if(found_, [this, most](std::uint32_t id) { return shared_[id] * 8 < most; });
    if (found_.size() > kMaxScored) {
      std::partial_sort(found_.begin(), found_.begin() + kMaxScored, found_.end(),
                        [this](std::uint32_t x, std::uint32_t y) {
                          return shared_[x] != shared_[y] ? shared_[x] > shared_[y] : x < y;
                        });
      found_.resize(kMaxScored);
    }
    return found_;
  }

 private:
  static std::uint32_t Gram(std::string_view word, std::size_t i) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(word[i])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(word[i + 1])) << 8) |
           static_cast<unsigned char>(word[i + 2]);
  }

  void AddToVocabulary(const std::string& word) {
    if (word.size() < kFuzzyMinLength) return;
    const auto id = static_cast<std::uint32_t>(vocabulary_.size());
    vocabulary_.push_back(&word);
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i + 3 <= word.size(); ++i) {
      const std::uint32_t gram = Gram(word, i);
      if (seen.insert(gram).second) grams_[gram].push_back(id);
    }
  }

  // Words of the playlist spelled like this one, give or take an edit or two.
  std::vector<const std::string*> SimilarWords(const std::string& word) {
    std::unordered_map<std::uint32_t, int> counts;
    int grams = 0;
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i + 3 <= word.size(); ++i) {
      const std::uint32_t gram = Gram(word, i);
      if (!seen.insert(gram).second) continue;
      ++grams;
      const auto it = grams_.find(gram);
      if (it == grams_.end() || it->second.size() > 5000) continue;
      for (const std::uint32_t id : it->second) ++counts[id];
    }
    std::vector<const std::string*> out;
    const int needed = std::max(1, grams - 6);
    for (const auto& [id, count] : counts) {
      if (count < needed) continue;
      const std::string& other = *vocabulary_[id];
      if (Similarity(word, other) >= kFuzzyCredit) out.push_back(&other);
      if (out.size() >= 8) break;
    }
    return out;
  }

  const std::vector<NameKey>& keys_;
  std::unordered_map<std::string, std::vector<std::uint32_t>> by_key_, by_latin_, by_compact_,
      by_word_;
  std::vector<const std::string*> vocabulary_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> grams_;
  std::vector<std::uint32_t> stamp_;
  std::vector<std::int64_t> shared_;
  std::vector<std::uint32_t> found_;
  std::uint32_t generation_ = 0;
};

struct Candidate {
  std::uint32_t name;
  int score;
  int fit;
  int case_gap;  // how far the letter case differs: "НТВ" is closer to "NTV" than to "ntv"
  bool foreign;  // marked for a country beyond the providers' region
};

// The first country marker of the playlist name's that is neither the row's
// nor one of the providers' region, as written; nullptr when there is none,
// or when the name is written in Cyrillic, for the region's viewers.
const std::string* ForeignMarker(const NameKey& row, const NameKey& name, std::string_view text) {
  static const std::unordered_set<std::string_view> kRegion = {
      "ru",  "rus", "ua",  "ukr", "kz",  "kaz", "by",  "blr", "bel", "uz",  "uzb", "kg",
      "kgz", "am",  "arm", "az",  "aze", "ge",  "md",  "mda", "tj",  "tjk", "tm",  "tkm",
      "lv",  "lva", "lt",  "ltu", "ee",  "est", "en",  "eng", "ру",  "укр"};
  if (name.markers.empty() || name.markers == row.markers) return nullptr;
  // U+0400 to U+04FF, the Cyrillic block, lead with 0xD0 to 0xD3.
  if (std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0xD0 && b <= 0xD3;
      })) {
    return nullptr;
  }
  for (const RemovedPart& part : name.removed) {
    if (part.kind != RemovedKind::kCountryMarker) continue;
    std::string code;
    for (const char c : part.text) {
      if (std::isalpha(static_cast<unsigned char>(c))) {
        code += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
    }
    if (!code.empty() && !kRegion.count(code) && row.markers.find(code) == std::string::npos) {
      return &part.text;
    }
  }
  return nullptr;
}

// The keys of `texts`, in their order. Long lists are keyed on up to four
// threads, each with a keyer of its own; `tick` is called on this thread
// once per text, and every thread gives up when `cancel` is set.
std::vector<NameKey> KeyAll(const std::vector<std::string_view>& texts,
                            const std::function<void(std::size_t)>& tick,
                            const CancelToken& cancel) {
  constexpr std::size_t kPerThread = 4096;
  const std::size_t n = texts.size();
  const std::size_t threads = std::clamp<std::size_t>(
      std::min<std::size_t>(std::thread::hardware_concurrency(), n / kPerThread), 1, 4);
  std::vector<NameKey> keys(n);
  const auto chunk = [&](std::size_t part) {
    return std::pair{n * part / threads, n * (part + 1) / threads};
  };
  std::vector<std::future<void>> others;
  for (std::size_t part = 1; part < threads; ++part) {
    others.push_back(std::async(std::launch::async, [&, part] {
      NameKeyer keyer;
      const auto [begin, end] = chunk(part);
      for (std::size_t i = begin; i < end; ++i) {
        if ((i & 1023) == 0 && cancel.Cancelled()) throw MatchCancelled();
        keys[i] = keyer.Key(texts[i]);
      }
    }));
  }
  NameKeyer keyer;
  const auto [begin, end] = chunk(0);
  for (std::size_t i = begin; i < end; ++i) {
    keys[i] = keyer.Key(texts[i]);
    tick(1);
  }
  for (std::future<void>& other : others) other.get();
  for (std::size_t i = end; i < n; ++i) tick(1);
  return keys;
}

// Better first: among names good enough to be taken automatically, those
// not marked for a foreign country ("RU | Eurosport 1 HD" before
// "UK | Eurosport 1"); then score, the variant's fit, fewer remarks, earlier
// in the file.
bool Better(const Candidate& x, const Candidate& y, const std::vector<NameKey>& keys,
            const std::vector<PlaylistName>& names, int auto_score) {
  const bool x_takes = x.score >= auto_score, y_takes = y.score >= auto_score;
  if (x_takes != y_takes) return x_takes;
  if (x_takes && x.foreign != y.foreign) return !x.foreign;
  if (x.score != y.score) return x.score > y.score;
  if (x.fit != y.fit) return x.fit > y.fit;
  if (x.case_gap != y.case_gap) return x.case_gap < y.case_gap;
  if (keys[x.name].remarks != keys[y.name].remarks)
    return keys[x.name].remarks < keys[y.name].remarks;
  return names[x.name].first_entry < names[y.name].first_entry;
}

}  // namespace

MatchRun MatchNames(const ChannelRows& rows, std::vector<PlaylistName> names,
                    const MatchOptions& options, const MatchControl& control) {
  MatchRun run;
  run.names = std::move(names);
  run.rows.resize(rows.size());
  const std::size_t total = rows.size() + run.names.size();
  std::size_t done = 0;
  const auto tick = [&](std::size_t step) {
    done += step;
    if ((done & 1023) == 0 || done == total) {
      if (control.cancel.Cancelled()) throw MatchCancelled();
      if (control.progress) control.progress(done, total);
    }
  };

  std::vector<std::string_view> texts;
  texts.reserve(run.names.size());
  for (const PlaylistName& name : run.names) texts.push_back(name.name);
  const std::vector<NameKey> playlist_keys = KeyAll(texts, tick, control.cancel);
  CandidateIndex index(playlist_keys);

  // The rows' keys, one per distinct name.
  std::unordered_map<std::string_view, std::size_t> row_name_index;
  texts.clear();
  std::vector<std::size_t> key_index_of_row(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto [it, added] = row_name_index.try_emplace(rows[r].name, texts.size());
    if (added) texts.push_back(rows[r].name);
    key_index_of_row[r] = it->second;
  }
  const std::vector<NameKey> row_keys = KeyAll(texts, [](std::size_t) {}, control.cancel);

  // Each row's candidates, the best first.
  std::vector<std::vector<Candidate>> candidates(rows.size());
  std::vector<const NameKey*> key_of_row(rows.size());
  std::vector<Candidate> scored;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const NameKey& key = row_keys[key_index_of_row[r]];
    key_of_row[r] = &key;
    scored.clear();
    for (const std::uint32_t id : index.Candidates(key)) {
      const int score = Evaluate(key, playlist_keys[id], nullptr, options.review_score);
      if (score > 0) {
        scored.push_back({id, score, VariantFit(key, playlist_keys[id]),
                          std::abs(key.capitals - playlist_keys[id].capitals),
                          ForeignMarker(key, playlist_keys[id], run.names[id].name) != nullptr});
      }
    }
    const std::size_t kept = std::min<std::size_t>(scored.size(), 8);
    std::partial_sort(scored.begin(), scored.begin() + kept, scored.end(),
                      [&](const Candidate& x, const Candidate& y) {
                        return Better(x, y, playlist_keys, run.names, options.auto_score);
                      });
    candidates[r].assign(scored.begin(), scored.begin() + kept);
    tick(1);
  }
  const auto reason_of = [&](std::size_t r, std::uint32_t name) {
    MatchReason reason;
    Evaluate(*key_of_row[r], playlist_keys[name], &reason);
    return reason;
  };

  // A row's own verdict: its best candidate, unless another playlist name
  // (of another key) comes within the tie margin.
  struct Proposal {
    std::size_t row;
    const Candidate* best;
  };
  std::vector<Proposal> automatic;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    RowMatch& match = run.rows[r];
    const std::vector<Candidate>& list = candidates[r];
    if (list.empty()) {
      match.reason.kind = ReasonKind::kNoCandidate;
      continue;
    }
    const Candidate& best = list.front();
    match.name = best.name;
    match.reason = reason_of(r, best.name);
    // Scores below the review threshold were only capped while ranking.
    match.score = best.score < options.review_score
                      ? Evaluate(*key_of_row[r], playlist_keys[best.name], nullptr)
                      : best.score;
    if (best.score < options.review_score) {
      match.status = MatchStatus::kNone;
      match.reason.closest = true;
      match.reason.other = run.names[best.name].name;
      continue;
    }
    // A rival that is itself the best name's channel (another spelling of it
    // in the playlist) is no doubt about the channel.
    // But when the row met the best one only through the Latin spelling, a
    // rival of the same quality under other country markers ("STV" beside
    // "STV (BY)" for "СТВ") may be another country's channel of that name,
    // unless the row's own markers chose the best one.
    const NameKey& key = *key_of_row[r];
    const NameKey& best_key = playlist_keys[best.name];
    const bool by_latin = (match.reason.details & kDetailLatin) != 0;
    const bool markers_chose = !key.markers.empty() && key.markers == best_key.markers;
    const Candidate* rival = nullptr;
    for (std::size_t k = 1; k < list.size(); ++k) {
      const NameKey& other = playlist_keys[list[k].name];
      const bool same_channel = other.key == best_key.key ||
                                Evaluate(best_key, other, nullptr) >= options.auto_score;
      const bool other_country = by_latin && !markers_chose && other.markers != best_key.markers &&
                                 QualityClass(other.quality) == QualityClass(best_key.quality);
      if (same_channel && !other_country) {
        continue;
      }
      rival = &list[k];
      break;
    }
    if (rival && rival->score >= options.review_score && best.score - rival->score < kTieMargin) {
      match.status = MatchStatus::kReview;
      match.reason = MatchReason{};
      match.reason.kind = ReasonKind::kTie;
      match.reason.other = run.names[rival->name].name;
      match.reason.other_score = rival->score;
      continue;
    }
    // A 4K or UHD feed is often a channel of its own ("Eurosport 4K"), so
    // only a row of that class takes one without asking, and vice versa.
    if ((QualityClass(key.quality) == 2) != (QualityClass(best_key.quality) == 2)) {
      match.status = MatchStatus::kReview;
      match.reason.kind = ReasonKind::kUltraHdOneSide;
      continue;
    }
    // The providers are sites of Russia and its neighbours: a playlist name
    // marked for a country beyond them ("TNT (US)" for "ТНТ") is most likely
    // that country's channel of the name.
    if (best.foreign) {
      match.status = MatchStatus::kReview;
      match.reason = MatchReason{};
      match.reason.kind = ReasonKind::kForeignMarker;
      match.reason.other = *ForeignMarker(key, best_key, run.names[best.name].name);
      continue;
    }
    if (best.score >= options.auto_score) {
      automatic.push_back({r, &best});
    } else {
      match.status = MatchStatus::kReview;
    }
  }

  // Who gets a contested playlist name: the better fit, never a silent coin toss.
  std::stable_sort(automatic.begin(), automatic.end(), [](const Proposal& x, const Proposal& y) {
    if (x.best->score != y.best->score) return x.best->score > y.best->score;
    return x.best->fit > y.best->fit;
  });
  std::vector<std::int64_t> owner(run.names.size(), -1);
  // Per playlist name, the first row (in the rows' order) that claimed it as
  // well as its holder did.
  std::vector<std::int64_t> equal_claim(run.names.size(), -1);
  for (const Proposal& p : automatic) {
    RowMatch& match = run.rows[p.row];
    std::int64_t& holder = owner[p.best->name];
    if (holder < 0) {
      holder = static_cast<std::int64_t>(p.row);
      match.status = playlist_keys[p.best->name].key == key_of_row[p.row]->key ? MatchStatus::kExact
                                                                               : MatchStatus::kAuto;
      continue;
    }
    const std::size_t winner = static_cast<std::size_t>(holder);
    const Candidate& won = candidates[winner].front();
    match.status = MatchStatus::kReview;
    match.reason = MatchReason{};
    match.reason.other = rows[winner].name;
    if (won.score == p.best->score && won.fit == p.best->fit) {
      match.reason.kind = ReasonKind::kEqualClaim;
      std::int64_t& first = equal_claim[p.best->name];
      if (first < 0 || static_cast<std::int64_t>(p.row) < first) {
        first = static_cast<std::int64_t>(p.row);
      }
    } else {
      match.reason.kind = ReasonKind::kTakenBy;
    }
  }
  for (std::size_t id = 0; id < owner.size(); ++id) {
    if (equal_claim[id] < 0) continue;
    RowMatch& match = run.rows[static_cast<std::size_t>(owner[id])];
    match.status = MatchStatus::kReview;
    match.reason = MatchReason{};
    match.reason.kind = ReasonKind::kEqualClaim;
    match.reason.other = rows[static_cast<std::size_t>(equal_claim[id])].name;
    owner[id] = -1;
  }

  // A row that lost its name to a better-fitting row (the HD feed's name to
  // the HD row) takes its next free candidate of its own quality when that
  // one would pass by itself: at or above the automatic score, with no free
  // name of another channel close behind, nothing 4K on one side only and
  // no foreign marker.
  // Names two such rows would take stay with neither.
  std::vector<std::pair<std::size_t, const Candidate*>> second;
  std::unordered_map<std::uint32_t, int> wanted;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (match.status != MatchStatus::kReview || match.reason.kind != ReasonKind::kTakenBy) continue;
    const NameKey& key = *key_of_row[r];
    const std::vector<Candidate>& list = candidates[r];
    const Candidate* next = nullptr;
    for (std::size_t k = 1; k < list.size(); ++k) {
      const NameKey& name = playlist_keys[list[k].name];
      if (owner[list[k].name] >= 0 || QualityClass(name.quality) != QualityClass(key.quality)) {
        continue;
      }
      if (!next) {
        next = &list[k];
        continue;
      }
      const NameKey& chosen = playlist_keys[next->name];
      if (name.key != chosen.key && Evaluate(chosen, name, nullptr) < options.auto_score &&
          next->score - list[k].score < kTieMargin) {
        next = nullptr;  // two free names of different channels fit alike
      }
      break;
    }
    if (!next || next->score < options.auto_score || next->foreign) continue;
    second.emplace_back(r, next);
    ++wanted[next->name];
  }
  for (const auto& [r, next] : second) {
    if (wanted[next->name] != 1) continue;
    RowMatch& match = run.rows[r];
    owner[next->name] = static_cast<std::int64_t>(r);
    match.name = next->name;
    match.score = next->score;
    match.reason = reason_of(r, next->name);
    match.status = playlist_keys[next->name].key == key_of_row[r]->key ? MatchStatus::kExact
                                                                      : MatchStatus::kAuto;
  }

  // A suggestion already given to another row automatically is replaced by
  // the row's next free candidate, if it is worth reviewing.
  for (std::size_t r = 0; r < rows.size(); ++r) {
    RowMatch& match = run.rows[r];
    const ReasonKind kind = match.reason.kind;
    if (match.status != MatchStatus::kReview || kind == ReasonKind::kTakenBy ||
        kind == ReasonKind::kEqualClaim || kind == ReasonKind::kTie || !match.name ||
        owner[*match.name] < 0) {
      continue;
    }
    for (const Candidate& c : candidates[r]) {
      if (c.score < options.review_score) break;
      if (owner[c.name] < 0) {
        match.name = c.name;
        match.score = c.score;
        match.reason = reason_of(r, c.name);
        break;
      }
    }
  }
  if (control.progress) control.progress(total, total);
  return run;
}

void DecideByUser(MatchRun& run, std::size_t row, std::optional<std::size_t> name) {
  RowMatch& match = run.rows.at(row);
  match.by_user = true;
  match.name = name;
  match.status = name ? MatchStatus::kAuto : MatchStatus::kNone;
  match.score = name ? 100 : 0;
  match.reason = MatchReason{};
  match.reason.kind = name ? ReasonKind::kUserChoice : ReasonKind::kUserNoMatch;
}

std::optional<std::size_t> FindName(const MatchRun& run, std::string_view name) {
  for (std::size_t i = 0; i < run.names.size(); ++i) {
    if (run.names[i].name == name) return i;
  }
  return std::nullopt;
}

MatchRun MatchPlaylist(const ChannelRows& rows, const Playlist& playlist,
                       const MatchOptions& options, const MatchControl& control) {
  return MatchNames(rows, DistinctNames(playlist), options, control);
}

namespace {

std::string Quoted(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += ", ";
    out += "«" + item + "»";
  }
  return out;
}

std::string JoinedOr(const std::vector<std::string>& items, std::string_view nothing) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : " ") + item;
  return out.empty() ? std::string(nothing) : out;
}

}  // namespace

std::string ReasonText(const MatchReason& reason, Language language) {
  const bool ru = language == Language::kRu;
  std::vector<std::string> parts;
  const auto folds = [&] {
    if (reason.folds & kFoldLookAlike) {
      parts.push_back(ru ? "буквы другого алфавита того же начертания"
                         : "look-alike letters of the other alphabet");
    }
    if (reason.folds & kFoldYo) parts.push_back(ru ? "ё как е" : "ё read as е");
    if (reason.folds & kFoldMarks)
      parts.push_back(ru ? "без диакритических знаков" : "accents aside");
    if (reason.folds & kFoldCompatibility) {
      parts.push_back(ru ? "особые формы символов" : "special forms of characters");
    }
  };
  const auto removed = [&](std::string_view ru_prefix, std::string_view en_prefix) {
    if (reason.removed.empty()) return false;
    parts.push_back(std::string(ru ? ru_prefix : en_prefix) + Quoted(reason.removed));
    return true;
  };
  const auto spelling = [&] {
    std::string text = ru ? "написано иначе: " : "spelled differently: ";
    for (std::size_t i = 0; i < reason.spelled.size(); ++i) {
      text +=
          (i ? ", «" : "«") + reason.spelled[i].first + "» / «" + reason.spelled[i].second + "»";
    }
    return text;
  };
  switch (reason.kind) {
    case ReasonKind::kSame:
      if (!removed("то же после удаления ", "same after removing ")) {
        parts.push_back(ru ? "то же название" : "same name");
      }
      folds();
      break;
    case ReasonKind::kSimilar:
      if (reason.details & kDetailLatin)
        parts.push_back(ru ? "то же латиницей" : "same in Latin letters");
      if (reason.details & kDetailJoined) {
        parts.push_back(ru ? "те же слова, слитно или раздельно" : "same words, joined or apart");
      }
      if (reason.details & kDetailOrder) {
        parts.push_back(ru ? "те же слова в другом порядке" : "same words in another order");
      }
      if (reason.details & kDetailSpelling) parts.push_back(spelling());
      if (reason.details & kDetailWeak) {
        std::vector<std::string> words = reason.ours;
        words.insert(words.end(), reason.theirs.begin(), reason.theirs.end());
        parts.push_back(std::string(ru ? "отличается только общим словом " : "differs only in ") +
                        Quoted(words));
      }
      if (parts.empty()) parts.push_back(ru ? "то же название" : "same name");
      removed("удалено ", "removed ");
      folds();
      break;
    case ReasonKind::kPartial:
      if (!reason.ours.empty()) {
        parts.push_back(
            std::string(ru ? "нет в названии из плейлиста: " : "not in the playlist's name: ") +
            Quoted(reason.ours));
      }
      if (!reason.theirs.empty()) {
        parts.push_back(std::string(ru ? "есть только в названии из плейлиста: "
                                       : "only in the playlist's name: ") +
                        Quoted(reason.theirs));
      }
      if (!reason.spelled.empty()) parts.push_back(spelling());
      break;
    case ReasonKind::kNumberDiffers:
      parts.push_back(std::string(ru ? "номер отличается: " : "number differs: ") +
                      JoinedOr(reason.ours, ru ? "нет" : "none") + " / " +
                      JoinedOr(reason.theirs, ru ? "нет" : "none"));
      break;
    case ReasonKind::kTimeshiftDiffers:
      parts.push_back(std::string(ru ? "сдвиг времени отличается: " : "time shift differs: ") +
                      JoinedOr(reason.ours, ru ? "нет" : "none") + " / " +
                      JoinedOr(reason.theirs, ru ? "нет" : "none"));
      break;
    case ReasonKind::kCommonWordsOnly:
      parts.push_back(ru ? "в названиях только общие слова и числа, и они не совпадают"
                         : "the names hold only common words and numbers, and they differ");
      break;
    case ReasonKind::kTakenBy:
      parts.push_back(ru ? "это название из плейлиста получил канал «" + reason.other +
                               "»: он подходит к нему лучше"
                         : "this playlist name went to «" + reason.other +
                               "», which fits it better");
      break;
    case ReasonKind::kEqualClaim:
      parts.push_back(ru ? "название из плейлиста одинаково подходит и каналу «" + reason.other +
                               "»"
                         : "the playlist name fits «" + reason.other + "» just as well");
      break;
    case ReasonKind::kTie:
      parts.push_back(ru ? "почти так же подходит «" + reason.other + "» (" +
                               std::to_string(reason.other_score) + ")"
                         : "«" + reason.other + "» fits nearly as well (" +
                               std::to_string(reason.other_score) + ")");
      break;
    case ReasonKind::kUltraHdOneSide:
      removed("то же после удаления ", "same after removing ");
      parts.push_back(ru ? "4K/UHD только в одном из названий, а это часто отдельный канал"
                         : "4K/UHD in one name only, which is often a channel of its own");
      break;
    case ReasonKind::kForeignMarker:
      parts.push_back(ru ? "название из плейлиста помечено другой страной: «" + reason.other + "»"
                         : "the playlist name is marked for another country: «" + reason.other +
                               "»");
      break;
    case ReasonKind::kNoCandidate:
      parts.push_back(ru ? "в плейлисте нет похожего названия" : "no playlist name comes close");
      break;
    case ReasonKind::kUserChoice:
      parts.push_back(ru ? "ваш выбор" : "your choice");
      break;
    case ReasonKind::kUserNoMatch:
      parts.push_back(ru ? "ваш выбор: в плейлисте нет этого канала"
                         : "your choice: the playlist has no such channel");
      break;
    case ReasonKind::kMappedNameGone:
      parts.push_back(ru ? "выбранного вами названия «" + reason.other + "» больше нет в плейлисте"
                         : "the name you chose, «" + reason.other +
                               "», is no longer in the playlist");
      break;
    case ReasonKind::kCodeChanged:
      parts.push_back(ru ? "у канала сменился код: был " + reason.other + "; проверьте"
                         : "the channel's code changed: it was " + reason.other + "; please check");
      break;
  }
  std::string text;
  if (reason.closest) {
    text = (ru ? "ближе всех «" : "closest is «") + reason.other + "»: ";
  }
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? "; " : "") + parts[i];
  return text;
}

}  // namespace brelvik
