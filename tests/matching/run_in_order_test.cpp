// A run lined up with the table's present order: rows found by their
// provider name and code, however the table was sorted, edited or renamed.
#include <gtest/gtest.h>

#include "matching/match_outputs.h"

namespace brelvik {
namespace {

TEST(RunInOrder, EachRowTakesTheResultOfItsChannel) {
  const ChannelRows matched = {{"A", "1"}, {"B", "2"}, {"Twin", "5"}, {"Twin", "5"}, {"C", "3"}};
  MatchRun run;
  run.names = {{"a", 0, 1}, {"b", 1, 1}, {"t1", 2, 1}, {"t2", 3, 1}};
  for (std::size_t i = 0; i < matched.size(); ++i) {
    RowMatch m;
    m.status = i == 4 ? MatchStatus::kNone : MatchStatus::kAuto;
    if (i < 4) m.name = i;
    run.rows.push_back(m);
  }
  // Re-sorted, one shown name edited, a row the run never saw, the twins
  // taking their results in their order.
  const ListedChannels now = {{{"C", "3"}, "C"},       {{"edited", "2"}, "B"},
                              {{"Twin", "5"}, "Twin"}, {{"New", "9"}, "New"},
                              {{"Twin", "5"}, "Twin"}, {{"A", "1"}, "A"},
                              {{"A", "other"}, "A"}};
  const MatchRun ordered = RunInOrder(run, matched, now);
  EXPECT_EQ(ordered.names.size(), run.names.size());
  const std::vector<std::optional<std::size_t>> names = {std::nullopt, 1, 2, std::nullopt, 3, 0,
                                                         std::nullopt};
  const std::vector<MatchStatus> statuses = {
      MatchStatus::kNone, MatchStatus::kAuto, MatchStatus::kAuto, MatchStatus::kNone,
      MatchStatus::kAuto, MatchStatus::kAuto, MatchStatus::kNone};
  ASSERT_EQ(ordered.rows.size(), now.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    EXPECT_EQ(ordered.rows[i].name, names[i]) << i;
    EXPECT_EQ(ordered.rows[i].status, statuses[i]) << i;
  }
}

}  // namespace
}  // namespace brelvik
