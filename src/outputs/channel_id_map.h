// The channel-id map: the MD5 of each normalized channel name mapped to the
// provider's code, as one line in PHP's serialize form.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "loaders/channel_row.h"

namespace brelvik {

// Clean-ups applied to a name before it is hashed.
struct ChannelIdOptions {
  bool remove_hyphen = false;  // remove every "-"
  bool remove_dot = false;     // remove every "."
  bool lower_russian = false;  // full lower-casing (Cyrillic too), not only A to Z
};

// The name as it is hashed: spaces and double quotes removed, then the chosen
// clean-ups, then lower-cased.
std::string NormalizedChannelName(std::string_view name, const ChannelIdOptions& options);

// 32 lower-case hexadecimal digits: MD5 of the normalized name's UTF-8 bytes.
std::string ChannelHash(std::string_view name, const ChannelIdOptions& options);

// The map text of the rows in their order. Each value is the trimmed code; its
// length counts characters, which is its size in bytes in the Windows-1251 file.
std::string CreateList(const ChannelRows& rows, const ChannelIdOptions& options = {});

// Writes the map text as one Windows-1251 line followed by CR LF, whole or
// not at all; raises FileWriteError with the system's reason.
void SaveChannelIdFile(const std::filesystem::path& path, std::string_view map_text);

}  // namespace brelvik
