// The channel id shared by written playlists and guide exports.
#include "outputs/guide_channel_id.h"

#include "support/text.h"

namespace brelvik {

std::string GuideChannelId(const ChannelRow& row) {
  std::string id;
  for (const char c : Trim(row.code)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || c == '"') continue;
    id += c;
  }
  return id;
}

}  // namespace brelvik
