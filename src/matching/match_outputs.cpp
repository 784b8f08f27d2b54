// Ids for the written playlist and names for the renamed table.
#include "matching/match_outputs.h"

#include <unordered_map>

#include "outputs/guide_channel_id.h"

namespace brelvik {

bool Accepted(MatchStatus status) {
  return status == MatchStatus::kExact || status == MatchStatus::kAuto;
}

std::vector<std::string> PlaylistIds(const Playlist& playlist, const ChannelRows& rows,
                                     const MatchRun& run) {
  std::unordered_map<std::string_view, std::string> id_of_name;
  for (std::size_t r = 0; r < rows.size() && r < run.rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (!Accepted(match.status) || !match.name) continue;
    const std::string id = GuideChannelId(rows[r]);
    if (!id.empty()) id_of_name.emplace(run.names[*match.name].name, id);
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
  for (std::size_t r = 0; r < names.size() && r < run.rows.size(); ++r) {
    const RowMatch& match = run.rows[r];
    if (Accepted(match.status) && match.name) names[r] = run.names[*match.name].name;
  }
  table.SetNames(names);
}

}  // namespace brelvik
