// What a match gives the rest of the program: the playlist entries' tvg-ids,
// and the provider's rows renamed to the names the player shows.
#pragma once

#include <string>
#include <vector>

#include "loaders/channel_row.h"
#include "matching/matcher.h"
#include "matching/playlist.h"
#include "outputs/channel_table.h"

namespace brelvik {

// True for the statuses a rename or a written playlist takes: exact and auto.
bool Accepted(MatchStatus status);

// The names an accepted row stands for, as a player may show them: its
// playlist name, its further names, then the titles of their entries where
// a tvg-name gave the name; each once. Empty for a row not accepted.
std::vector<std::string> NamesOfRow(const MatchRun& run, std::size_t row);

// One id per playlist entry: the matched row's GuideChannelId on every entry
// bearing its playlist name or one of its further names, empty for entries
// no accepted row took. `rows` are the rows the run matched, in its order.
std::vector<std::string> PlaylistIds(const Playlist& playlist, const ChannelRows& rows,
                                     const MatchRun& run);

// The rows with each accepted row's name replaced by its playlist name.
ChannelRows RenamedRows(const ChannelRows& rows, const MatchRun& run);

// Renames the table's accepted rows to their playlist names, keeping each
// row's provider name, and gives them the rest of NamesOfRow as further
// names; the run was made on the table's rows in their current order.
void ApplyMatches(ChannelTable& table, const MatchRun& run);

// The run rearranged for `now`, the rows it matched (`matched`, with their
// provider names) in the table's present order, which sorting, edits and
// renames change: each row takes the result of the matched row with its
// provider name and code; a row the run never saw gets no match.
MatchRun RunInOrder(const MatchRun& run, const ChannelRows& matched, const ListedChannels& now);

// How many rows the run accepted whose code leaves no GuideChannelId: their
// playlist entries get no tvg-id.
std::size_t AcceptedWithoutId(const ChannelRows& rows, const MatchRun& run);

}  // namespace brelvik
