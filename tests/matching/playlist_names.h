// Distinct playlist names for matcher tests, each its own first entry.
#pragma once

#include <string>
#include <vector>

#include "matching/matcher.h"

namespace brelvik::test {

inline std::vector<PlaylistName> NamesOf(const std::vector<std::string>& names) {
  std::vector<PlaylistName> out;
  for (std::size_t i = 0; i < names.size(); ++i) out.push_back({names[i], i, 1});
  return out;
}

}  // namespace brelvik::test
