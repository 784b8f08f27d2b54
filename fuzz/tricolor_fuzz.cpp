// Any bytes as the tricolor programme page: the body must not fail, its texts
// must be well-formed UTF-8, and its lines must be those of the cleaning chain
// applied one replacement at a time over the whole text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loaders/loaders.h"
#include "support/codepage.h"
#include "support/text.h"

namespace {

std::vector<std::string> ReferenceLines(std::string_view page) {
  std::string text =
      brelvik::TextBetween("<div class=\"check-group\">", page, "<table class=\"redbutton\">");
  const std::pair<const char*, const char*> steps[] = {
      {"\n", ""},
      {"\t", ""},
      {"</label>", "</label>\r"},
      {"<div id=\"fav-ch-4\" class=\"active\">", ""},
      {"<label><input type=\"checkbox\" value=", ""},
      {" name=\"fc\"><span", ""},
      {"</span></label>", ""},
      {"\"", ""}};
  for (const auto& [from, to] : steps) text = brelvik::ReplaceAll(text, from, to);
  for (int n = 1; n <= 40; ++n) {
    text = brelvik::ReplaceAll(text, "</div><div id=fav-ch-" + std::to_string(n) + ">", "");
  }
  return brelvik::SplitLines(brelvik::ValidUtf8(brelvik::ReplaceAll(text, "</div>", "")));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  const brelvik::TricolorPage parsed = brelvik::ParseTricolorPage(page);
  if (parsed.lines != ReferenceLines(page)) __builtin_trap();
  if (parsed.rows.size() > parsed.lines.size()) __builtin_trap();
  for (const brelvik::ChannelRow& row : parsed.rows) {
    if (!brelvik::IsValidUtf8(row.name) || !brelvik::IsValidUtf8(row.code)) __builtin_trap();
  }
  const std::string trace = brelvik::TricolorTraceBytes(parsed.lines);
  if (trace.empty() != parsed.lines.empty()) __builtin_trap();
  return 0;
}
