// Matching a provider's rows to a playlist's names: the steps in their order
// (keys, candidates, assignment, further names), and the run's bookkeeping.
#include "matching/matcher.h"

#include <algorithm>
#include <unordered_map>

#include "matching/match_steps.h"

namespace brelvik {

using namespace match_steps;

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


std::vector<PlaylistName> DistinctNames(const Playlist& playlist) {
  std::vector<PlaylistName> names;
  std::unordered_map<std::string_view, std::size_t> seen;
  seen.reserve(playlist.entries.size());
  for (const PlaylistEntry& entry : playlist.entries) {
    if (entry.name.empty()) continue;
    const auto [it, added] = seen.emplace(entry.name, names.size());
    if (added) {
      names.push_back({entry.name, entry.index, 1, {}});
    } else {
      ++names[it->second].entries;
    }
    std::vector<std::string>& titles = names[it->second].titles;
    if (!entry.title.empty() && entry.title != entry.name &&
        std::find(titles.begin(), titles.end(), entry.title) == titles.end()) {
      titles.push_back(entry.title);
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

  MatchContext context{rows, options, {}, {}, {}, {}, &run.names};

  // The rows' keys first, one per distinct name, and the rows' index that
  // each playlist name is looked up in as soon as it is keyed.
  std::unordered_map<std::string_view, std::size_t> row_name_index;
  std::vector<std::string_view> texts;
  std::vector<std::size_t> key_index_of_row(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto [it, added] = row_name_index.try_emplace(rows[r].name, texts.size());
    if (added) texts.push_back(rows[r].name);
    key_index_of_row[r] = it->second;
  }
  context.row_keys = KeyAll(texts, [](std::size_t) {}, control.cancel);
  context.key_of_row.resize(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    context.key_of_row[r] = &context.row_keys[key_index_of_row[r]];
  }
  RowLookup lookup(context);

  // The playlist's names a part at a time: keyed, looked up among the rows,
  // put in the index. In a very long playlist a name that no row comes
  // close to keeps no key, so a million other channels cost little memory;
  // the few of them that turn out candidates of a row are keyed again.
  const std::size_t n = run.names.size();
  CandidateIndex index;
  context.playlist_keys.Resize(n);
  FurtherNameData& data = lookup.Data();
  constexpr std::size_t kPart = 1 << 16;
  constexpr std::size_t kKeepAllKeys = 1 << 18;  // up to here, keys cost less than keying again
  const bool keep_all = n <= kKeepAllKeys;
  std::vector<std::vector<NameFit>> fits;
  for (std::size_t begin = 0; begin < n; begin += kPart) {
    const std::size_t end = std::min(n, begin + kPart);
    texts.clear();
    for (std::size_t i = begin; i < end; ++i) texts.push_back(run.names[i].name);
    std::vector<NameKey> keys = KeyAll(texts, tick, control.cancel);
    fits.assign(keys.size(), {});
    InParts(keys.size(), [&](std::size_t from, std::size_t to, bool) {
      CandidateIndex::Query query;
      for (std::size_t k = from; k < to; ++k) fits[k] = lookup.FitsOf(keys[k], query);
    });
    for (std::size_t k = 0; k < keys.size(); ++k) {
      index.Add(static_cast<std::uint32_t>(begin + k), keys[k]);
      data.AddFits(fits[k]);
      if (keep_all || !fits[k].empty()) {
        context.playlist_keys.Set(begin + k, std::move(keys[k]));
      }
    }
  }
  index.Seal();

  FindCandidates(context, index, tick, control.cancel);
  std::vector<std::int64_t> owner;
  AssignNames(context, run, owner);
  std::shared_ptr<FurtherNameData> further =
      AddFurtherNames(context, run, owner, lookup.TakeData());
  ReplaceTakenSuggestions(context, run, owner);
  further->playlist_keys = std::move(context.playlist_keys);
  further->row_keys = std::move(context.row_keys);
  run.further = std::move(further);
  if (control.progress) control.progress(total, total);
  return run;
}

void DecideByUser(MatchRun& run, std::size_t row, std::optional<std::size_t> name,
                  std::string_view row_name, bool update) {
  RowMatch& match = run.rows.at(row);
  match.by_user = true;
  match.name = name;
  match.status = name ? MatchStatus::kAuto : MatchStatus::kNone;
  match.score = name ? 100 : 0;
  match.reason = MatchReason{};
  match.reason.kind = name ? ReasonKind::kUserChoice : ReasonKind::kUserNoMatch;
  if (!name) match.also.clear();
  if (name) {
    std::erase(match.detached, *name);
    for (std::size_t r = 0; r < run.rows.size(); ++r) {
      if (r == row) continue;
      RowMatch& other = run.rows[r];
      std::erase_if(other.also, [&](const FurtherName& f) { return f.name == *name; });
      const bool held = other.name == name &&
                        (other.status == MatchStatus::kExact || other.status == MatchStatus::kAuto);
      if (!held) continue;
      other.status = MatchStatus::kReview;
      other.by_user = false;
      other.also.clear();
      other.reason = MatchReason{};
      other.reason.kind = ReasonKind::kUserGaveAway;
      other.reason.other = std::string(row_name);
    }
  }
  if (update) UpdateFurtherNames(run);
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


}  // namespace brelvik
