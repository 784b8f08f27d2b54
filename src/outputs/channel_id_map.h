// The channel-id map: the MD5 of each normalized channel name mapped to the
// provider's code, as one line in PHP's serialize form.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/channel_row.h"
#include "support/ui_texts.h"

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

// A row whose code holds characters Windows-1251 lacks: the file carries a
// "?" for each, so the plug-in reads another code than the provider's.
struct LostCharacterRow {
  std::string name;
  std::string code;     // trimmed, as the map text holds it
  std::string written;  // the code as the file holds it, read back as UTF-8
  bool operator==(const LostCharacterRow&) const = default;
};

// Rows whose names give one key but whose codes, as the file holds them,
// differ. Both entries are in the file, but a PHP reader keeps only the last
// one of a key, so the plug-in loses the others.
struct KeyCollision {
  std::string key;
  ChannelRows rows;       // in table order, each name and code once; codes trimmed
  std::string kept_code;  // the code of the key's last entry: the one the plug-in sees
  bool operator==(const KeyCollision&) const = default;
};

// What the channel-id file of these rows cannot tell a plug-in.
struct ChannelIdFindings {
  std::vector<LostCharacterRow> lost_characters;  // in table order
  std::vector<KeyCollision> collisions;           // in the order of each key's first row
  bool Empty() const { return lost_characters.empty() && collisions.empty(); }
};

// Looks at the rows as CreateList with the same options writes them.
ChannelIdFindings CheckChannelIdList(const ChannelRows& rows, const ChannelIdOptions& options = {});

// One kind of finding told to the user: a sentence, then one line per row
// (lost characters) or per key (collisions), such as
// "Key 3f…: “ТВ 3” (1091), “ТВ-3” (1383) — the plug-in will see only 1383".
struct FindingReport {
  std::string header;
  std::vector<std::string> items;
};
std::vector<FindingReport> DescribeChannelIdFindings(const ChannelIdFindings& findings,
                                                     const UiTexts& texts);

// The report as one text, a line each: the header, at most `max_items` items,
// and then how many more there are.
std::string FindingReportText(const FindingReport& report, const UiTexts& texts,
                              std::size_t max_items);

// The file's bytes: the map text as one Windows-1251 line followed by CR LF.
std::string ChannelIdFileBytes(std::string_view map_text);

// Writes ChannelIdFileBytes, whole or not at all; raises FileWriteError with
// the system's reason.
void SaveChannelIdFile(const std::filesystem::path& path, std::string_view map_text);

}  // namespace brelvik
