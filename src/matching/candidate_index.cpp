// Keys and candidates: the names keyed (on several threads for long lists),
// the index a name's candidates come from, and each row's candidates scored
// and ranked.
#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <future>
#include <optional>
#include <span>
#include <thread>
#include <unordered_set>

#include "matching/match_steps.h"

namespace brelvik::match_steps {

namespace {

constexpr std::size_t kMaxScored = 48;  // candidates scored per row
constexpr std::size_t kLongPosting = 3000;
constexpr std::size_t kKept = 8;        // candidates kept per row, the best

}  // namespace

// A multimap from texts to name ids kept as one sorted array of the texts'
// 64-bit hashes: a fraction of the memory and building time of a map of
// strings to lists. A hash that two texts share only adds a candidate that
// the scoring then judges on the texts themselves.
class HashedPostings {
 public:
  // Twelve bytes an entry: a million names hold several million of them.
#pragma pack(push, 4)
  struct Entry {
    std::uint64_t hash;
    std::uint32_t id;
  };
#pragma pack(pop)
  using List = std::span<const Entry>;

  void Add(std::string_view text, std::uint32_t id) { entries_.push_back({Hash(text), id}); }
  void Seal() {
    std::sort(entries_.begin(), entries_.end(), [](const Entry& x, const Entry& y) {
      return x.hash != y.hash ? x.hash < y.hash : x.id < y.id;
    });
    entries_.shrink_to_fit();
    // Where each run of hashes with the same top bits begins: a look-up
    // goes straight to a few entries instead of searching them all.
    bits_ = std::max(1, static_cast<int>(std::bit_width(entries_.size())));
    starts_.assign((std::size_t{1} << bits_) + 1, 0);
    for (const Entry& e : entries_) ++starts_[Bucket(e.hash) + 1];
    for (std::size_t b = 1; b < starts_.size(); ++b) starts_[b] += starts_[b - 1];
  }
  List Find(std::string_view text) const {
    if (entries_.empty()) return {};
    const std::uint64_t hash = Hash(text);
    const std::size_t bucket = Bucket(hash);
    auto first = entries_.begin() + starts_[bucket];
    const auto end = entries_.begin() + starts_[bucket + 1];
    while (first != end && first->hash < hash) ++first;
    auto last = first;
    while (last != end && last->hash == hash) ++last;
    return {first, last};
  }

 private:
  static std::uint64_t Hash(std::string_view text) {
    // std::hash of a string is good in its low bits; the top bits pick the
    // bucket, so they are mixed in.
    std::uint64_t h = std::hash<std::string_view>{}(text);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
  }
  std::size_t Bucket(std::uint64_t hash) const { return static_cast<std::size_t>(hash >> (64 - bits_)); }
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> starts_;
  int bits_ = 1;
};

struct CandidateIndex::Impl {
  explicit Impl(const std::vector<NameKey>* keys) : keys_(keys) {}

  void Add(std::uint32_t id, const NameKey& key) {
    size_ = std::max<std::size_t>(size_, id + 1);
    by_key_.Add(key.key, id);
    by_latin_.Add(key.latin_key, id);
    if (!key.compact.empty()) by_compact_.Add(key.compact, id);
    if (const std::string joined = Joined(key); joined != key.compact) by_joined_.Add(joined, id);
    for (const std::string& initials : LatinInitials(key)) by_initials_.Add(initials, id);
    std::vector<std::string_view> words;
    for (const NameToken& t : key.tokens) {
      if (!IsWord(t) || std::find(words.begin(), words.end(), t.latin) != words.end()) continue;
      words.push_back(t.latin);
      by_word_.Add(t.latin, id);
      if (t.latin.size() >= kFuzzyMinLength && vocabulary_seen_.insert(t.latin).second) {
        AddToVocabulary(t.latin);
      }
    }
  }

  void Seal() {
    for (HashedPostings* postings :
         {&by_key_, &by_latin_, &by_compact_, &by_word_, &by_joined_, &by_initials_}) {
      postings->Seal();
    }
    std::unordered_set<std::string>().swap(vocabulary_seen_);
    // A word that a good part of all names hold tells them apart no more.
    dominant_ = std::max<std::size_t>(64, size_ / 4);
  }

  // Candidates for a name, the most promising first, at most kMaxScored.
  const std::vector<std::uint32_t>& Candidates(const NameKey& key, Query& q) const {
    if (q.stamp.size() != size_) {
      q.stamp.assign(size_, 0);
      q.shared.assign(size_, 0);
    }
    ++q.generation;
    q.found.clear();
    const auto add = [&q](HashedPostings::List ids, std::int64_t weight) {
      for (const HashedPostings::Entry& e : ids) {
        if (q.stamp[e.id] != q.generation) {
          q.stamp[e.id] = q.generation;
          q.shared[e.id] = 0;
          q.found.push_back(e.id);
        }
        q.shared[e.id] += weight;
      }
    };
    // Whole-key hits always come first; words count by how rare they are.
    add(by_key_.Find(key.key), 1 << 30);
    add(by_latin_.Find(key.latin_key), 1 << 29);
    if (!key.compact.empty()) add(by_compact_.Find(key.compact), 1 << 28);
    // The same words with a common one written into another ("FoxChannel").
    if (const std::string joined = Joined(key); !joined.empty()) {
      add(by_joined_.Find(joined), 1 << 28);
      if (joined != key.compact) add(by_compact_.Find(joined), 1 << 28);
    }
    // An abbreviation and the words it may stand for, as a rare word counts.
    constexpr std::int64_t kInitialsWeight = 20000;
    if (const NameToken* short_form = ShortForm(key)) {
      add(by_initials_.Find(short_form->latin), kInitialsWeight);
    }
    for (const std::string& initials : LatinInitials(key)) {
      add(by_word_.Find(initials), kInitialsWeight);
    }
    // Words, the rarest first; very common words only when nothing rarer led anywhere.
    std::vector<HashedPostings::List> lists;
    std::vector<std::string_view> words;
    for (const NameToken& t : key.tokens) {
      if (!IsWord(t) || std::find(words.begin(), words.end(), t.latin) != words.end()) continue;
      words.push_back(t.latin);
      if (const HashedPostings::List list = by_word_.Find(t.latin); !list.empty()) {
        lists.push_back(list);
      } else if (t.latin.size() >= kFuzzyMinLength) {
        for (const std::string* similar : SimilarWords(t.latin)) {
          lists.push_back(by_word_.Find(*similar));
        }
      } else if (t.latin.size() >= 2) {
        // A word written together in the playlist ("домкино").
        for (const NameToken& u : key.tokens) {
          if (&u == &t || !IsWord(u)) continue;
          if (const HashedPostings::List list = by_word_.Find(t.latin + u.latin); !list.empty()) {
            lists.push_back(list);
          }
        }
      }
    }
    std::sort(lists.begin(), lists.end(),
              [](const auto& x, const auto& y) { return x.size() < y.size(); });
    for (std::size_t i = 0; i < lists.size(); ++i) {
      if (lists[i].size() > dominant_) break;
      // A common word adds little once rarer ones have found names.
      // Every name that holds all of this name's words is in its rarest
      // word's list already; common words only help when nothing else did.
      if (i > 0 && lists[i].size() > kLongPosting / 8 && !q.found.empty()) break;
      add(lists[i], 1 + 100000 / static_cast<std::int64_t>(lists[i].size() + 10));
    }
    // Names that share only what many names share are not worth scoring when
    // others share much more.
    std::int64_t most = 0;
    for (const std::uint32_t id : q.found) most = std::max(most, q.shared[id]);
    std::erase_if(q.found, [&q, most](std::uint32_t id) { return q.shared[id] * 8 < most; });
    if (q.found.size() > kMaxScored) {
      std::partial_sort(q.found.begin(), q.found.begin() + kMaxScored, q.found.end(),
                        [&q](std::uint32_t x, std::uint32_t y) {
                          return q.shared[x] != q.shared[y] ? q.shared[x] > q.shared[y] : x < y;
                        });
      q.found.resize(kMaxScored);
    }
    return q.found;
  }

  static std::uint32_t Gram(std::string_view word, std::size_t i) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(word[i])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(word[i + 1])) << 8) |
           static_cast<unsigned char>(word[i + 2]);
  }

  void AddToVocabulary(std::string_view word) {
    if (word.size() < kFuzzyMinLength) return;
    const auto id = static_cast<std::uint32_t>(vocabulary_.size());
    vocabulary_.emplace_back(word);
    std::unordered_set<std::uint32_t> seen;
    for (std::size_t i = 0; i + 3 <= word.size(); ++i) {
      const std::uint32_t gram = Gram(word, i);
      if (seen.insert(gram).second) grams_[gram].push_back(id);
    }
  }

  // Words of the playlist spelled like this one, give or take an edit or two.
  std::vector<const std::string*> SimilarWords(const std::string& word) const {
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
      const std::string& other = vocabulary_[id];
      if (Similarity(word, other) >= kFuzzyCredit) out.push_back(&other);
      if (out.size() >= 8) break;
    }
    return out;
  }

  const std::vector<NameKey>* keys_;  // all of them, when the index was made of a list
  std::size_t size_ = 0;
  std::unordered_set<std::string> vocabulary_seen_;  // while the index is built
  HashedPostings by_key_, by_latin_, by_compact_, by_word_, by_joined_, by_initials_;
  std::size_t dominant_ = 0;
  std::vector<std::string> vocabulary_;  // the words long enough to be misspelt
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> grams_;
};

CandidateIndex::CandidateIndex(const std::vector<NameKey>& keys)
    : impl_(std::make_unique<Impl>(&keys)) {
  for (std::uint32_t id = 0; id < keys.size(); ++id) impl_->Add(id, keys[id]);
  impl_->Seal();
}

CandidateIndex::CandidateIndex() : impl_(std::make_unique<Impl>(nullptr)) {}

void CandidateIndex::Add(std::uint32_t id, const NameKey& key) { impl_->Add(id, key); }

void CandidateIndex::Seal() { impl_->Seal(); }
CandidateIndex::~CandidateIndex() = default;

const std::vector<std::uint32_t>& CandidateIndex::Candidates(const NameKey& key,
                                                              Query& query) const {
  return impl_->Candidates(key, query);
}

void CandidateIndex::SameKey(const std::string& key, std::vector<std::uint32_t>& ids) const {
  ids.clear();
  for (const HashedPostings::Entry& e : impl_->by_key_.Find(key)) {
    if (impl_->keys_ && (*impl_->keys_)[e.id].key == key) ids.push_back(e.id);
  }
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
void InParts(std::size_t n, const std::function<void(std::size_t, std::size_t, bool)>& work) {
  constexpr std::size_t kPerThread = 4096;
  const std::size_t threads = std::clamp<std::size_t>(
      std::min<std::size_t>(std::thread::hardware_concurrency(), n / kPerThread), 1, 4);
  const auto part = [&](std::size_t k) { return std::pair{n * k / threads, n * (k + 1) / threads}; };
  std::vector<std::future<void>> others;
  for (std::size_t k = 1; k < threads; ++k) {
    others.push_back(std::async(std::launch::async, [&, k] {
      const auto [begin, end] = part(k);
      work(begin, end, false);
    }));
  }
  std::exception_ptr failed;
  try {
    const auto [begin, end] = part(0);
    work(begin, end, true);
  } catch (...) {
    failed = std::current_exception();
  }
  for (std::future<void>& other : others) {
    try {
      other.get();
    } catch (...) {
      if (!failed) failed = std::current_exception();
    }
  }
  if (failed) std::rethrow_exception(failed);
}

std::vector<NameKey> KeyAll(const std::vector<std::string_view>& texts,
                            const std::function<void(std::size_t)>& tick,
                            const CancelToken& cancel) {
  std::vector<NameKey> keys(texts.size());
  std::size_t ticked = 0;
  InParts(texts.size(), [&](std::size_t begin, std::size_t end, bool first) {
    NameKeyer keyer;
    for (std::size_t i = begin; i < end; ++i) {
      if (!first && (i & 1023) == 0 && cancel.Cancelled()) throw MatchCancelled();
      keys[i] = keyer.Key(texts[i]);
      std::string().swap(keys[i].name);  // the caller has the name; a million copies add up
      if (first) {
        tick(1);
        ++ticked;
      }
    }
  });
  for (; ticked < texts.size(); ++ticked) tick(1);
  return keys;
}

namespace {

// Better first: among names good enough to be taken automatically, those
// not marked for a foreign country ("RU | Eurosport 1 HD" before
// "UK | Eurosport 1"); then score, the variant's fit, fewer remarks, earlier
// in the file.
bool Better(const Candidate& x, const Candidate& y, const std::vector<PlaylistName>& names,
            int auto_score) {
  const bool x_takes = x.score >= auto_score, y_takes = y.score >= auto_score;
  if (x_takes != y_takes) return x_takes;
  if (x_takes && x.foreign != y.foreign) return !x.foreign;
  if (x.score != y.score) return x.score > y.score;
  if (x.fit != y.fit) return x.fit > y.fit;
  if (x.case_gap != y.case_gap) return x.case_gap < y.case_gap;
  if (x.remarks != y.remarks) return x.remarks < y.remarks;
  return names[x.name].first_entry < names[y.name].first_entry;
}

}  // namespace

void FindCandidates(MatchContext& context, CandidateIndex& index,
                    const std::function<void(std::size_t)>& tick, const CancelToken& cancel) {
  const ChannelRows& rows = context.rows;
  NameKeys& playlist_keys = context.playlist_keys;
  const std::vector<PlaylistName>& names = *context.names;
  context.candidates.assign(rows.size(), {});
  std::size_t ticked = 0;
  InParts(rows.size(), [&](std::size_t begin, std::size_t end, bool first) {
    CandidateIndex::Query query;
    std::vector<Candidate> scored;
    // Names kept without a key are keyed here again, once per thread.
    std::optional<NameKeyer> keyer;
    std::unordered_map<std::uint32_t, NameKey> made;
    const auto key_of = [&](std::uint32_t id) -> const NameKey& {
      if (playlist_keys.Has(id)) return playlist_keys[id];
      if (const auto it = made.find(id); it != made.end()) return it->second;
      if (!keyer) keyer.emplace();
      return made.emplace(id, keyer->Key(names[id].name)).first->second;
    };
    for (std::size_t r = begin; r < end; ++r) {
      if (!first && (r & 1023) == 0 && cancel.Cancelled()) throw MatchCancelled();
      const NameKey& key = *context.key_of_row[r];
      scored.clear();
      for (const std::uint32_t id : index.Candidates(key, query)) {
        const NameKey& name = key_of(id);
        const int score = Evaluate(key, name, nullptr, context.options.review_score);
        if (score > 0) {
          scored.push_back({id, score, VariantFit(key, name), std::abs(key.capitals - name.capitals),
                            ForeignMarker(key, name, names[id].name) != nullptr, name.remarks});
        }
      }
      const std::size_t kept = std::min<std::size_t>(scored.size(), kKept);
      std::partial_sort(scored.begin(), scored.begin() + kept, scored.end(),
                        [&](const Candidate& x, const Candidate& y) {
                          return Better(x, y, names, context.options.auto_score);
                        });
      context.candidates[r].assign(scored.begin(), scored.begin() + kept);
      if (first) {
        tick(1);
        ++ticked;
      }
    }
  });
  for (; ticked < rows.size(); ++ticked) tick(1);
  // The later steps read the keys of every candidate kept.
  NameKeyer keyer;
  for (const std::vector<Candidate>& list : context.candidates) {
    for (const Candidate& candidate : list) {
      if (playlist_keys.Has(candidate.name)) continue;
      NameKey key = keyer.Key(names[candidate.name].name);
      std::string().swap(key.name);
      playlist_keys.Set(candidate.name, std::move(key));
    }
  }
}

MatchReason MatchContext::ReasonOf(std::size_t row, std::uint32_t name) const {
  MatchReason reason;
  Evaluate(*key_of_row[row], playlist_keys[name], &reason);
  return reason;
}

}  // namespace brelvik::match_steps
