// Ids for the written playlist and names for the renamed table.
#include "matching/match_outputs.h"

#include <algorithm>
#include <deque>
#include <map>
#include <unordered_map>

#include "outputs/guide_channel_id.h"

namespace brelvik {

bool Accepted(MatchStatus status) {
  return status == MatchStatus::kExact || status == MatchStatus::kAuto;
}

std::vector<std::string> NamesOfRow(const MatchRun& run, std::size_t row) {
  std::vector<std::string> out;
  if (row >= run.rows.size()) return out;
  const RowMatch& match = run.rows[row];
  if (!Accepted(match.status) || !match.name) return out;
  const auto add = [&out](const std::string& name) {
    if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
  };
  add(run.names[*match.name].name);
  for (const FurtherName& further : match.also) add(run.names[further.name].name);
  for (const std::string& title : run.names[*match.name].titles) add(title);
  for (const FurtherName& further : match.also) {
    for (const std::string& title : run.names[further.name].titles) add(title);
  }
  return out;
}

std::vector<std::string> PlaylistIds(const Playlist& playlist, const ChannelRows& rows,
                                     const MatchRun& run) {
  std::unordered_map<std::string_view, std::string> id_of_name;
  for (std::size_t r = 0; r < rows.size() && r < run.rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (!Accepted(match.status) || !match.name) continue;
    const std::string id = GuideChannelId(rows[r]);
    if (id.empty()) continue;
    id_of_name.emplace(run.names[*match.name].name, id);
    for (const FurtherName& further : match.also) id_of_name.emplace(run.names[further.name].name, id);
  }
  std::vector<std::string> ids(playlist.entries.size());
  for (std::size_t i = 0; i < playlist.entries.size(); ++i) {
    if (const auto it = id_of_name.find(playlist.entries[i].name); it != id_of_name.end()) {
      ids[i] = it->second;
    }
  }
  return ids;
}

ChannelRows RenamedRows(const ChannelRows& rows, const MatchRun& run) {
  ChannelRows renamed = rows;
  for (std::size_t r = 0; r < renamed.size() && r < run.rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (Accepted(match.status) && match.name) renamed[r].name = run.names[*match.name].name;
  }
  return renamed;
}

void ApplyMatches(ChannelTable& table, const MatchRun& run) {
  std::vector<std::optional<std::string>> names(table.Count());
  std::vector<std::vector<std::string>> further(table.Count());
  for (std::size_t r = 0; r < names.size() && r < run.rows.size(); ++r) {
    std::vector<std::string> all = NamesOfRow(run, r);
    if (all.empty()) continue;
    names[r] = std::move(all.front());
    further[r].assign(std::make_move_iterator(all.begin() + 1), std::make_move_iterator(all.end()));
  }
  table.SetNames(names, further);
}

MatchRun RunInOrder(const MatchRun& run, const ChannelRows& matched, const ListedChannels& now) {
  // Rows that share name and code take their results in their order.
  std::map<std::pair<std::string_view, std::string_view>, std::deque<std::size_t>> rows_of;
  for (std::size_t r = 0; r < matched.size() && r < run.rows.size(); ++r) {
    rows_of[{matched[r].name, matched[r].code}].push_back(r);
  }
  MatchRun ordered;
  ordered.names = run.names;
  ordered.rows.reserve(now.size());
  for (const ListedChannel& channel : now) {
    auto it = rows_of.find({channel.provider_name, channel.row.code});
    if (it == rows_of.end() || it->second.empty()) {
      ordered.rows.emplace_back();
      continue;
    }
    ordered.rows.push_back(run.rows[it->second.front()]);
    it->second.pop_front();
  }
  return ordered;
}

std::size_t AcceptedWithoutId(const ChannelRows& rows, const MatchRun& run) {
  std::size_t count = 0;
  for (std::size_t r = 0; r < rows.size() && r < run.rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (Accepted(match.status) && match.name && GuideChannelId(rows[r]).empty()) ++count;
  }
  return count;
}

}  // namespace brelvik
