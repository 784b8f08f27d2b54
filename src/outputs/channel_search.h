// Finding channels by a piece of their name, one step at a time.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "outputs/channel_table.h"

namespace brelvik {

struct SearchStep {
  // Where the next step starts (1-based record number); 0 after a reset.
  std::size_t next_position = 0;
  // The record (0-based) to make current, if any: the match of this step, or
  // when nothing was found, the match of the previous step.
  std::optional<std::size_t> current;
  bool found = false;
  // "Nothing more found" is shown when nothing was found or the current
  // record is the table's last.
  bool show_message = false;
};

// True when `text` occurs in `name`, both trimmed and, unless `match_case`,
// upper-cased by the full Russian rules. A blank text matches nothing.
bool NameMatches(std::string_view name, std::string_view text, bool match_case);

// One search step from `position` (1-based; 0 for a fresh search, which
// starts at record 1).
SearchStep SearchChannels(const ChannelTable& table, std::string_view text, bool match_case,
                          std::size_t position);

}  // namespace brelvik
