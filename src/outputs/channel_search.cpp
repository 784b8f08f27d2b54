// Search steps over the channel table.
#include "outputs/channel_search.h"

#include <string>

#include "support/codepage.h"
#include "support/text.h"

namespace brelvik {

namespace {
std::string Prepared(std::string_view text, bool match_case) {
  return Trim(match_case ? std::string(text) : RussianUpper(text));
}
}  // namespace

bool NameMatches(std::string_view name, std::string_view text, bool match_case) {
  const std::string needle = Prepared(text, match_case);
  return !needle.empty() && Prepared(name, match_case).find(needle) != std::string::npos;
}

SearchStep SearchChannels(const ChannelTable& table, std::string_view text, bool match_case,
                          std::size_t position) {
  SearchStep step;
  step.next_position = position;
  const std::string needle = Prepared(text, match_case);
  // A fresh search (position 0) starts at record 1, not at whatever record
  // happens to be current, so it never looks at one record twice.
  const std::size_t first = position == 0 ? 1 : position;
  if (!needle.empty()) {
    for (std::size_t r = first; r <= table.Count(); ++r) {
      if (Prepared(table.Row(r - 1).name, match_case).find(needle) != std::string::npos) {
        step.next_position = r + 1;
        step.found = true;
        break;
      }
    }
  }
  if (step.next_position >= 2) step.current = step.next_position - 2;
  step.show_message =
      !step.found || (step.current && *step.current + 1 == table.Count());
  return step;
}

}  // namespace brelvik
