// The one-to-one assignment of playlist names to provider rows: each row's
// own verdict on its best candidate, who gets a name two rows want, and a
// second choice for the row that lost it.
#include <algorithm>
#include <unordered_map>

#include "matching/match_steps.h"

namespace brelvik::match_steps {

void AssignNames(const MatchContext& context, MatchRun& run, std::vector<std::int64_t>& owner) {
  const ChannelRows& rows = context.rows;
  const MatchOptions& options = context.options;
  const NameKeys& playlist_keys = context.playlist_keys;
  const std::vector<const NameKey*>& key_of_row = context.key_of_row;
  const std::vector<std::vector<Candidate>>& candidates = context.candidates;
  const auto reason_of = [&](std::size_t r, std::uint32_t name) {
    return context.ReasonOf(r, name);
  };

  // A row's own verdict: its best candidate, unless another playlist name
  // (of another key) comes within the tie margin.
  struct Proposal {
    std::size_t row;
    const Candidate* best;
  };
  std::vector<Proposal> automatic;
  std::vector<const Candidate*> proposed(rows.size(), nullptr);
  // The provider's rows of one channel, in each quality it lists.
  std::unordered_map<std::string_view, std::vector<std::size_t>> rows_of_key;
  for (std::size_t r = 0; r < rows.size(); ++r) rows_of_key[key_of_row[r]->key].push_back(r);
  const auto sibling_of_class = [&](std::size_t r, int feed) -> const ChannelRow* {
    for (const std::size_t s : rows_of_key[key_of_row[r]->key]) {
      if (s != r && FeedClass(*key_of_row[s]) == feed) return &rows[s];
    }
    return nullptr;
  };
  for (std::size_t r = 0; r < rows.size(); ++r) {
    RowMatch& match = run.rows[r];
    const std::vector<Candidate>& list = candidates[r];
    if (list.empty()) {
      match.reason.kind = ReasonKind::kNoCandidate;
      continue;
    }
    // When the provider lists the channel in the best name's quality too,
    // the name is that row's ("TNT (720p)" is the HD feed beside "ТНТ HD"):
    // this row looks on among the names of its own quality.
    std::size_t pick = 0;
    const ChannelRow* quality_row = nullptr;
    const int row_feed = FeedClass(*key_of_row[r]);
    for (; pick < list.size(); ++pick) {
      const int feed = FeedClass(playlist_keys[list[pick].name]);
      if (feed == row_feed) break;
      const ChannelRow* sibling = sibling_of_class(r, feed);
      if (!sibling) break;
      if (!quality_row) quality_row = sibling;
    }
    if (pick == list.size() || list[pick].score < options.review_score) {
      if (quality_row && list.front().score >= options.review_score) {
        match.status = MatchStatus::kReview;
        match.name = list.front().name;
        match.score = list.front().score;
        match.reason = MatchReason{};
        match.reason.kind = ReasonKind::kOtherQualityRow;
        match.reason.other = quality_row->name;
        continue;
      }
      pick = 0;
    }
    const Candidate& best = list[pick];
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
    // Names of the region's own markers (or none) spell one channel, unless
    // the name is short enough to be another country's too ("STV").
    const bool short_name = key.compact.size() <= kShortName;
    const auto region_spellings = [&](const NameKey& x, const NameKey& y) {
      return x.markers == y.markers ||
             (!short_name && RegionMarkers(x.markers) && RegionMarkers(y.markers));
    };
    const Candidate* rival = nullptr;
    // Names skipped for another quality's row are that row's, no rivals.
    for (std::size_t k = pick + 1; k < list.size(); ++k) {
      const NameKey& other = playlist_keys[list[k].name];
      const bool same_channel = other.key == best_key.key ||
                                Evaluate(best_key, other, nullptr) >= options.auto_score;
      const bool other_country = by_latin && !markers_chose && !region_spellings(other, best_key) &&
                                 QualityClass(other.quality) == QualityClass(best_key.quality);
      if (same_channel && !other_country) {
        continue;
      }
      // Two spellings that both fit the row on their own ("CTC" and "STS"
      // for "СТС") are one channel.
      if (list[k].score >= options.auto_score && best.score >= options.auto_score &&
          !list[k].foreign && !best.foreign && region_spellings(other, best_key)) {
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
    if ((FeedClass(key) == 2) != (FeedClass(best_key) == 2)) {
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
    // A row marked for a country ("UA: Первый") takes an unmarked name only
    // when the names are the same, and one marked for another country never.
    if (!key.markers.empty() && key.markers != best_key.markers &&
        (best.score < 100 || !best_key.markers.empty())) {
      match.status = MatchStatus::kReview;
      match.reason = MatchReason{};
      match.reason.kind = ReasonKind::kRowMarker;
      for (const RemovedPart& part : key.removed) {
        if (part.kind == RemovedKind::kCountryMarker) match.reason.ours.push_back(part.text);
      }
      for (const RemovedPart& part : best_key.removed) {
        if (part.kind == RemovedKind::kCountryMarker) match.reason.theirs.push_back(part.text);
      }
      continue;
    }
    if (best.score >= options.auto_score) {
      automatic.push_back({r, &best});
      proposed[r] = &best;
    } else {
      match.status = MatchStatus::kReview;
    }
  }

  // Who gets a contested playlist name: the better fit, never a silent coin toss.
  std::stable_sort(automatic.begin(), automatic.end(), [](const Proposal& x, const Proposal& y) {
    if (x.best->score != y.best->score) return x.best->score > y.best->score;
    return x.best->fit > y.best->fit;
  });
  owner.assign(run.names.size(), -1);
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
    const Candidate& won = *proposed[winner];
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
      if (owner[list[k].name] >= 0 || FeedClass(name) != FeedClass(key)) {
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

}

void ReplaceTakenSuggestions(const MatchContext& context, MatchRun& run,
                             const std::vector<std::int64_t>& owner) {
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    RowMatch& match = run.rows[r];
    const ReasonKind kind = match.reason.kind;
    if (match.status != MatchStatus::kReview || kind == ReasonKind::kTakenBy ||
        kind == ReasonKind::kEqualClaim || kind == ReasonKind::kTie ||
        kind == ReasonKind::kOtherQualityRow || !match.name ||
        owner[*match.name] < 0) {
      continue;
    }
    for (const Candidate& c : context.candidates[r]) {
      if (c.score < context.options.review_score) break;
      if (owner[c.name] < 0) {
        match.name = c.name;
        match.score = c.score;
        match.reason = context.ReasonOf(r, c.name);
        break;
      }
    }
  }
}

}  // namespace brelvik::match_steps
