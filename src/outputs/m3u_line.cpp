// M3U lines.
#include "outputs/m3u_line.h"

#include "support/text.h"

namespace brelvik {

std::string M3uPrefix(std::string_view site_label) { return ExtractField(site_label, 2, "."); }

std::string M3uLine(std::string_view site_label, std::string_view code, std::string_view name) {
  std::string line = "#EXTINF:0 id=";
  line += M3uPrefix(site_label);
  line += '_';
  line += code;
  line += ',';
  line += name;
  return line;
}

}  // namespace brelvik
