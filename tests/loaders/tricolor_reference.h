// The tricolor filter's cleaning chain restated step by step, each replacement
// over the whole text, for the test and the fuzz target to hold the loader's
// single-scan removal of tab joints against.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/codepage.h"
#include "support/text.h"

namespace brelvik::test {

inline std::vector<std::string> TricolorReferenceLines(std::string_view page) {
  std::string text =
      TextBetween("<div class=\"check-group\">", page, "<table class=\"redbutton\">");
  const std::pair<const char*, const char*> steps[] = {
      {"\n", ""},
      {"\t", ""},
      {"</label>", "</label>\r"},
      {"<div id=\"fav-ch-4\" class=\"active\">", ""},
      {"<label><input type=\"checkbox\" value=", ""},
      {" name=\"fc\"><span", ""},
      {"</span></label>", ""},
      {"\"", ""}};
  for (const auto& [from, to] : steps) text = ReplaceAll(text, from, to);
  for (int n = 1; n <= 40; ++n) {
    text = ReplaceAll(text, "</div><div id=fav-ch-" + std::to_string(n) + ">", "");
  }
  return SplitLines(ValidUtf8(ReplaceAll(text, "</div>", "")));
}

}  // namespace brelvik::test
