// One channel as a loader cuts it from a provider's list: name and code, UTF-8.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brelvik {

struct ChannelRow {
  std::string name;
  std::string code;
  bool operator==(const ChannelRow&) const = default;
};

using ChannelRows = std::vector<ChannelRow>;

// How a failed comparison in a test shows a row: {"name", "code"}.
inline void PrintTo(const ChannelRow& row, std::ostream* os) {
  *os << "{\"" << row.name << "\", \"" << row.code << "\"}";
}

}  // namespace brelvik
