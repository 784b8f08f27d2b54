// Keys and candidates: the names keyed (on several threads for long lists),
// the index a name's candidates come from, and each row's candidates scored
// and ranked.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <future>
#include <thread>
#include <unordered_set>

#include "matching/match_steps.h"

namespace brelvik::match_steps {

namespace {

constexpr std::size_t kMaxScored = 48;  // candidates scored per row
constexpr std::size_t kLongPosting = 3000;
constexpr std::size_t kKept = 8;        // candidates kept per row, the best

}  // namespace

struct CandidateIndex::Impl {
  explicit Impl(const std::vector<NameKey>& keys) : keys_(keys) {
    for (std::uint32_t id = 0; id < keys.size(); ++id) {
      const NameKey& key = keys[id];
      by_key_[key.key].push_back(id);
      by_latin_[key.latin_key].push_back(id);
      if (!key.compact.empty()) by_compact_[key.compact].push_back(id);
      if (const std::string joined = Joined(key); joined != key.compact) {
        by_joined_[joined].push_back(id);
      }
      for (const std::string& initials : LatinInitials(key)) by_initials_[initials].push_back(id);
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
  const std::vector<std::uint32_t>& Candidates(const NameKey& key) {
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
    // The same words with a common one written into another ("FoxChannel").
    if (const std::string joined = Joined(key); !joined.empty()) {
      if (const auto it = by_joined_.find(joined); it != by_joined_.end()) add(it->second, 1 << 28);
      if (joined != key.compact) {
        if (const auto it = by_compact_.find(joined); it != by_compact_.end())
          add(it->second, 1 << 28);
      }
    }
    // An abbreviation and the words it may stand for, as a rare word counts.
    constexpr std::int64_t kInitialsWeight = 20000;
    if (const NameToken* short_form = ShortForm(key)) {
      if (const auto it = by_initials_.find(short_form->latin); it != by_initials_.end()) {
        add(it->second, kInitialsWeight);
      }
    }
    for (const std::string& initials : LatinInitials(key)) {
      if (const auto it = by_word_.find(initials); it != by_word_.end()) {
        add(it->second, kInitialsWeight);
      }
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
      by_word_, by_joined_, by_initials_;
  std::vector<const std::string*> vocabulary_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> grams_;
  std::vector<std::uint32_t> stamp_;
  std::vector<std::int64_t> shared_;
  std::vector<std::uint32_t> found_;
  std::uint32_t generation_ = 0;
};

CandidateIndex::CandidateIndex(const std::vector<NameKey>& keys)
    : impl_(std::make_unique<Impl>(keys)) {}
CandidateIndex::~CandidateIndex() = default;

const std::vector<std::uint32_t>& CandidateIndex::Candidates(const NameKey& key) {
  return impl_->Candidates(key);
}

const std::vector<std::uint32_t>* CandidateIndex::SameKey(const std::string& key) const {
  const auto it = impl_->by_key_.find(key);
  return it == impl_->by_key_.end() ? nullptr : &it->second;
}

// The first country marker of the playlist name's that is neither the row's
// nor one of the providers' region, as written; nullptr when there is none,
// or when the name is written in Cyrillic, for the region's viewers.
namespace {

const std::unordered_set<std::string_view>& Region() {
  static const std::unordered_set<std::string_view> kRegion = {
      "ru",  "rus", "ua",  "ukr", "kz",  "kaz", "by",  "blr", "bel", "uz",  "uzb", "kg",
      "kgz", "am",  "arm", "az",  "aze", "ge",  "md",  "mda", "tj",  "tjk", "tm",  "tkm",
      "lv",  "lva", "lt",  "ltu", "ee",  "est", "en",  "eng", "ру",  "укр",
      // Countries' names written out, as public playlists add them.
      "russia", "ukraine", "ukraina", "belarus", "kazakhstan"};
  return kRegion;
}

bool AllIn(std::string_view markers, const std::unordered_set<std::string_view>& codes) {
  while (!markers.empty()) {
    const std::size_t space = markers.find(' ');
    if (!codes.count(markers.substr(0, space))) return false;
    if (space == std::string_view::npos) break;
    markers.remove_prefix(space + 1);
  }
  return true;
}

}  // namespace

bool RegionMarkers(std::string_view markers) { return AllIn(markers, Region()); }

bool CoreMarkers(std::string_view markers) {
  static const std::unordered_set<std::string_view> kCore = {
      "ru", "rus", "ua", "ukr", "by", "blr", "bel", "kz", "kaz",
      "russia", "ukraine", "ukraina", "belarus", "kazakhstan", "ру", "укр"};
  return AllIn(markers, kCore);
}

const std::string* ForeignMarker(const NameKey& row, const NameKey& name, std::string_view text) {
  const auto& kRegion = Region();
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

namespace {

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

void FindCandidates(MatchContext& context, CandidateIndex& index,
                    const std::function<void(std::size_t)>& tick) {
  const ChannelRows& rows = context.rows;
  const std::vector<NameKey>& playlist_keys = context.playlist_keys;
  const std::vector<PlaylistName>& names = *context.names;
  context.candidates.assign(rows.size(), {});
  std::vector<Candidate> scored;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const NameKey& key = *context.key_of_row[r];
    scored.clear();
    for (const std::uint32_t id : index.Candidates(key)) {
      const int score = Evaluate(key, playlist_keys[id], nullptr, context.options.review_score);
      if (score > 0) {
        scored.push_back({id, score, VariantFit(key, playlist_keys[id]),
                          std::abs(key.capitals - playlist_keys[id].capitals),
                          ForeignMarker(key, playlist_keys[id], names[id].name) != nullptr});
      }
    }
    const std::size_t kept = std::min<std::size_t>(scored.size(), kKept);
    std::partial_sort(scored.begin(), scored.begin() + kept, scored.end(),
                      [&](const Candidate& x, const Candidate& y) {
                        return Better(x, y, playlist_keys, names, context.options.auto_score);
                      });
    context.candidates[r].assign(scored.begin(), scored.begin() + kept);
    tick(1);
  }
}

MatchReason MatchContext::ReasonOf(std::size_t row, std::uint32_t name) const {
  MatchReason reason;
  Evaluate(*key_of_row[row], playlist_keys[name], &reason);
  return reason;
}

}  // namespace brelvik::match_steps
