// The match command's outputs: the results as an aligned table, tab-separated
// values or JSON, and the summary of counts.
#pragma once

#include <ostream>
#include <string>

#include "loaders/channel_row.h"
#include "matching/matcher.h"
#include "matching/playlist.h"
#include "support/ui_texts.h"

namespace brelvik {

enum class MatchFormat { kTable, kTsv, kJson };

// One line per provider row, in the rows' order. JSON: an array of
// {"name", "code", "playlist_name", "playlist_index", "score", "status",
// "reason"}; playlist_name and playlist_index are null for "none".
void PrintMatches(const ChannelRows& rows, const MatchRun& run, MatchFormat format,
                  Language language, std::ostream& out);

// "exact 3, auto 10, review 2, none 5" in the language.
std::string MatchSummary(const MatchCounts& counts, Language language);

// "FILE:LINE: text" of a playlist notice.
std::string PlaylistNoticeLine(const std::string& file, const PlaylistNotice& notice,
                               Language language);

}  // namespace brelvik
