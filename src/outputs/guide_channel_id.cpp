// The channel id shared by written playlists and guide exports.
#include "outputs/guide_channel_id.h"

#include "support/codepage.h"

namespace brelvik {

bool XmlCanHold(char32_t cp) {
  return cp >= 0x20 ? cp != 0xFFFE && cp != 0xFFFF : cp == '\t' || cp == '\n' || cp == '\r';
}

bool IsIdSpace(char32_t cp) {
  return cp <= 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) ||
         cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F || cp == 0x3000 ||
         cp == 0xFEFF;
}

std::string GuideChannelId(const ChannelRow& row) {
  std::string id;
  id.reserve(row.code.size());
  // Where the id ends once trailing white space is left out.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < row.code.size();) {
    const char32_t cp = NextCodePoint(row.code, i);
    if (cp < 0x20 || cp == 0x7F || cp == '"' || !XmlCanHold(cp)) continue;
    if (IsIdSpace(cp)) {
      if (id.empty()) continue;
      AppendUtf8(id, cp);
      continue;
    }
    AppendUtf8(id, cp);
    kept = id.size();
  }
  id.resize(kept);
  return id;
}

}  // namespace brelvik
