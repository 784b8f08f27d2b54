// Further names: the other playlist names of a matched row's channel and
// feed (another quality, a remark, a backup stream), decided after the
// one-to-one assignment and again whenever the user's decisions change which
// rows are matched.
#include <algorithm>
#include <unordered_map>

#include "matching/match_steps.h"

namespace brelvik {

using namespace match_steps;

namespace {

constexpr std::size_t kFitsKept = 4;

bool IsAccepted(const RowMatch& match) {
  return (match.status == MatchStatus::kExact || match.status == MatchStatus::kAuto) &&
         match.name.has_value();
}

bool Contains(const std::vector<std::size_t>& list, std::size_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// The rows that fit a name best, seen from the name: rows of its own key
// when there are (nothing else scores as high), else the candidates the
// rows' index gives.
std::vector<NameFit> FitsOf(const NameKey& name, const CandidateIndex& row_index,
                            CandidateIndex::Query& query,
                            const std::vector<NameKey>& row_keys,
                            const std::vector<std::vector<std::uint32_t>>& rows_of_key,
                            const MatchOptions& options) {
  std::vector<NameFit> fits;
  const auto add = [&](std::uint32_t k, int score) {
    const int fit = VariantFit(row_keys[k], name);
    for (const std::uint32_t row : rows_of_key[k]) fits.push_back({row, score, fit});
  };
  thread_local std::vector<std::uint32_t> same;
  row_index.SameKey(name.key, same);
  if (!same.empty()) {
    for (const std::uint32_t k : same) add(k, 100);
  } else {
    for (const std::uint32_t k : row_index.Candidates(name, query)) {
      const int score = Evaluate(row_keys[k], name, nullptr, options.review_score);
      if (score >= options.review_score) add(k, score);
    }
  }
  std::sort(fits.begin(), fits.end(), [](const NameFit& x, const NameFit& y) {
    if (x.score != y.score) return x.score > y.score;
    if (x.fit != y.fit) return x.fit > y.fit;
    return x.row < y.row;
  });
  if (fits.size() > kFitsKept) fits.resize(kFitsKept);
  fits.shrink_to_fit();
  return fits;
}

bool SpelledInOneScript(const MatchReason& reason) {
  const auto ascii = [](const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  return std::any_of(reason.spelled.begin(), reason.spelled.end(), [&](const auto& pair) {
    return ascii(pair.first) == ascii(pair.second);
  });
}

// Deciding the further names of a run from the data and the keys.
class FurtherNames {
 public:
  FurtherNames(const FurtherNameData& data, const NameKeys& playlist_keys,
               const std::vector<NameKey>& row_keys, MatchRun& run)
      : data_(data), playlist_(playlist_keys), row_keys_(row_keys), run_(run) {}

  // Returns the holder of each name: the accepted row whose match or
  // further name it is, or -1.
  std::vector<std::int64_t> Decide() {
    std::vector<std::int64_t> holder(run_.names.size(), -1);
    for (std::size_t r = 0; r < run_.rows.size(); ++r) {
      const RowMatch& match = run_.rows[r];
      if (IsAccepted(match)) holder[*match.name] = static_cast<std::int64_t>(r);
    }
    // The user's attachments stay where a match does not hold the name.
    for (std::size_t r = 0; r < run_.rows.size(); ++r) {
      RowMatch& match = run_.rows[r];
      std::erase_if(match.also, [&](const FurtherName& further) {
        if (!further.by_user || further.name >= holder.size()) return true;
        if (holder[further.name] >= 0) return true;
        if (IsAccepted(match)) holder[further.name] = static_cast<std::int64_t>(r);
        return false;
      });
    }
    std::unordered_map<std::string_view, std::vector<std::uint32_t>> by_main_key;
    for (std::size_t r = 0; r < run_.rows.size(); ++r) {
      const RowMatch& match = run_.rows[r];
      if (IsAccepted(match) && *match.name < playlist_.size()) {
        by_main_key[playlist_[*match.name].key].push_back(static_cast<std::uint32_t>(r));
      }
    }
    for (std::size_t n = 0; n < run_.names.size() && n < playlist_.size(); ++n) {
      if (holder[n] >= 0) continue;
      FurtherName further;
      further.name = n;
      const std::optional<std::size_t> home = HomeOf(n, by_main_key, further.reason);
      if (!home) continue;
      further.reason.copy = true;
      run_.rows[*home].also.push_back(std::move(further));
      holder[n] = static_cast<std::int64_t>(*home);
    }
    for (RowMatch& match : run_.rows) {
      std::sort(match.also.begin(), match.also.end(),
                [this](const FurtherName& x, const FurtherName& y) {
                  return run_.names[x.name].first_entry < run_.names[y.name].first_entry;
                });
    }
    return holder;
  }

 private:
  const NameKey& RowKey(std::size_t row) const { return row_keys_[data_.key_of_row[row]]; }

  // Whether a name may stand beside a row's match without asking: the same
  // feed class or one the provider has no row of, no country of its own, no
  // doubt in how the words meet the row's and the match's.
  bool Joinable(std::size_t row, std::size_t name, const MatchReason& reason) const {
    const NameKey& key = playlist_[name];
    const NameKey& row_key = RowKey(row);
    const NameKey& main = playlist_[*run_.rows[row].name];
    const int feed = FeedClass(key);
    // A 4K feed is often a channel of its own: only a 4K row takes it.
    if ((feed == 2) != (FeedClass(row_key) == 2)) return false;
    // The provider lists this channel in the name's quality too: that row's.
    if (feed != FeedClass(row_key)) {
      if (const auto it = data_.rows_by_key.find(row_key.key); it != data_.rows_by_key.end()) {
        for (const std::uint32_t sibling : it->second) {
          if (sibling != row && FeedClass(RowKey(sibling)) == feed) return false;
        }
      }
    }
    const std::string& text = run_.names[name].name;
    if (ForeignMarker(row_key, key, text) || ForeignMarker(main, key, text)) return false;
    // A copy marked for another country than the row and its match is that
    // country's feed ("Music Box Russia" beside "Music Box UA"); so is one
    // marked for a smaller neighbour ("TV3 (LT)"), whose channels of a name
    // are their own.
    if (!key.markers.empty() && key.markers != main.markers && key.markers != row_key.markers) {
      if (!main.markers.empty() || !row_key.markers.empty() || !CoreMarkers(key.markers)) {
        return false;
      }
    }
    if (reason.kind != ReasonKind::kSame && reason.kind != ReasonKind::kSimilar) return false;
    return !Assumed(reason) && !SpelledInOneScript(reason);
  }

  std::optional<std::size_t> HomeOf(
      std::size_t name,
      const std::unordered_map<std::string_view, std::vector<std::uint32_t>>& by_main_key,
      MatchReason& reason) const {
    const NameKey& key = playlist_[name];
    const std::span<const NameFit> fits = data_.FitsOf(name);
    const auto detached = [&](std::size_t row) {
      return Contains(run_.rows[row].detached, name);
    };
    if (!fits.empty()) {
      const NameFit& top = fits.front();
      // Left by the row it fits best, it joins no other row silently.
      if (detached(top.row)) return std::nullopt;
      if (top.score >= data_.options.auto_score) {
        for (std::size_t k = 1; k < fits.size(); ++k) {
          if (top.score - fits[k].score >= kTieMargin) break;
          if (RowKey(fits[k].row).key != RowKey(top.row).key) return std::nullopt;  // a tie
        }
        // A row of its own fits it better than any accepted one.
        if (!IsAccepted(run_.rows[top.row])) return std::nullopt;
        Evaluate(RowKey(top.row), key, &reason);
        if (Joinable(top.row, name, reason)) return top.row;
        reason = MatchReason{};
      }
    }
    // A copy of a match: the same key as the name an accepted row took.
    const auto it = by_main_key.find(key.key);
    if (it == by_main_key.end()) return std::nullopt;
    std::optional<std::size_t> home;
    for (const std::uint32_t row : it->second) {
      const NameKey& main = playlist_[*run_.rows[row].name];
      if (it->second.size() > 1 && FeedClass(main) != FeedClass(key)) continue;
      if (home) return std::nullopt;  // two matches of that key and class
      home = row;
    }
    if (!home || detached(*home)) return std::nullopt;
    if (!fits.empty() && fits.front().score >= data_.options.review_score &&
        fits.front().row != *home) {
      return std::nullopt;  // another row comes closer
    }
    const NameKey& main = playlist_[*run_.rows[*home].name];
    Evaluate(main, key, &reason);
    if (!Joinable(*home, name, reason)) return std::nullopt;
    return home;
  }

  const FurtherNameData& data_;
  const NameKeys& playlist_;
  const std::vector<NameKey>& row_keys_;
  MatchRun& run_;
};

}  // namespace

namespace match_steps {

struct RowLookup::Parts {
  std::vector<std::vector<std::uint32_t>> rows_of_key;  // per distinct row key, its rows
  std::unique_ptr<CandidateIndex> index;
};

RowLookup::RowLookup(const MatchContext& context)
    : context_(context), data_(std::make_shared<FurtherNameData>()), parts_(std::make_unique<Parts>()) {
  data_->options = context.options;
  const std::vector<NameKey>& row_keys = context.row_keys;
  data_->key_of_row.reserve(context.key_of_row.size());
  for (const NameKey* key : context.key_of_row) {
    data_->key_of_row.push_back(static_cast<std::uint32_t>(key - row_keys.data()));
  }
  parts_->rows_of_key.resize(row_keys.size());
  for (std::uint32_t r = 0; r < data_->key_of_row.size(); ++r) {
    parts_->rows_of_key[data_->key_of_row[r]].push_back(r);
  }
  for (std::uint32_t k = 0; k < row_keys.size(); ++k) {
    auto& siblings = data_->rows_by_key[row_keys[k].key];
    siblings.insert(siblings.end(), parts_->rows_of_key[k].begin(), parts_->rows_of_key[k].end());
  }
  parts_->index = std::make_unique<CandidateIndex>(row_keys);
}

RowLookup::~RowLookup() = default;

std::vector<NameFit> RowLookup::FitsOf(const NameKey& name, CandidateIndex::Query& query) const {
  return brelvik::FitsOf(name, *parts_->index, query, context_.row_keys, parts_->rows_of_key,
                         context_.options);
}

std::shared_ptr<FurtherNameData> AddFurtherNames(const MatchContext& context, MatchRun& run,
                                                 std::vector<std::int64_t>& owner,
                                                 std::shared_ptr<FurtherNameData> data) {
  owner = FurtherNames(*data, context.playlist_keys, context.row_keys, run).Decide();
  return data;
}

}  // namespace match_steps

void UpdateFurtherNames(MatchRun& run) {
  if (!run.further) {
    for (RowMatch& match : run.rows) {
      if (!IsAccepted(match)) std::erase_if(match.also, [](const FurtherName& f) { return !f.by_user; });
    }
    return;
  }
  const FurtherNameData& data = *run.further;
  if (data.key_of_row.size() != run.rows.size() || data.Names() != run.names.size()) return;
  FurtherNames(data, data.playlist_keys, data.row_keys, run).Decide();
}

void AttachByUser(MatchRun& run, std::size_t row, std::size_t name) {
  for (RowMatch& match : run.rows) {
    std::erase_if(match.also, [name](const FurtherName& f) { return f.name == name; });
  }
  RowMatch& match = run.rows.at(row);
  std::erase(match.detached, name);
  FurtherName further;
  further.name = name;
  further.by_user = true;
  further.reason.kind = ReasonKind::kUserChoice;
  match.also.push_back(std::move(further));
  UpdateFurtherNames(run);
}

void DetachByUser(MatchRun& run, std::size_t row, std::size_t name) {
  RowMatch& match = run.rows.at(row);
  std::erase_if(match.also, [name](const FurtherName& f) { return f.name == name; });
  if (!Contains(match.detached, name)) match.detached.push_back(name);
  UpdateFurtherNames(run);
}

ReviewDoubt DoubtOf(const MatchRun& run, std::size_t row,
                    const std::vector<std::int64_t>& holders) {
  const RowMatch& match = run.rows.at(row);
  if (match.status != MatchStatus::kReview || !match.name) return ReviewDoubt::kNotReview;
  const MatchReason& reason = match.reason;
  switch (reason.kind) {
    case ReasonKind::kTakenBy:
    case ReasonKind::kUserGaveAway:
    case ReasonKind::kOtherQualityRow:
      return ReviewDoubt::kHeld;
    case ReasonKind::kTie:
    case ReasonKind::kEqualClaim:
      return ReviewDoubt::kTie;
    case ReasonKind::kUltraHdOneSide:
      return ReviewDoubt::kUltraHd;
    case ReasonKind::kForeignMarker:
    case ReasonKind::kRowMarker:
      return ReviewDoubt::kCountry;
    case ReasonKind::kSimilar:
    case ReasonKind::kPartial:
    case ReasonKind::kSame:
      break;
    default:
      return Assumed(reason) ? ReviewDoubt::kAssumed : ReviewDoubt::kOther;
  }
  if (Assumed(reason)) return ReviewDoubt::kAssumed;
  if (SpelledInOneScript(reason)) return ReviewDoubt::kSpelling;
  if (const std::int64_t holder = holders.at(*match.name);
      holder >= 0 && static_cast<std::size_t>(holder) != row) {
    return ReviewDoubt::kHeld;
  }
  return ReviewDoubt::kScore;
}

std::vector<std::int64_t> Holders(const MatchRun& run) {
  std::vector<std::int64_t> holders(run.names.size(), -1);
  for (std::size_t r = run.rows.size(); r-- > 0;) {
    const RowMatch& match = run.rows[r];
    if (!IsAccepted(match)) continue;
    for (const FurtherName& further : match.also) holders.at(further.name) = static_cast<std::int64_t>(r);
    holders.at(*match.name) = static_cast<std::int64_t>(r);
  }
  return holders;
}

std::optional<std::size_t> HolderOf(const MatchRun& run, std::size_t name) {
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (!IsAccepted(match)) continue;
    if (*match.name == name) return r;
    for (const FurtherName& further : match.also) {
      if (further.name == name) return r;
    }
  }
  return std::nullopt;
}

}  // namespace brelvik
