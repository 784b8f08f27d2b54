// The channel-id map text (PHP serialize form of a string-to-string array).
#include "outputs/channel_id_map.h"

#include <cctype>

#include "support/codepage.h"
#include "support/file_write.h"
#include "support/md5.h"
#include "support/text.h"

namespace brelvik {

namespace {

void RemoveAll(std::string& text, char c) { std::erase(text, c); }

void AppendSerializedString(std::string& out, std::string_view text, std::size_t length) {
  out += "s:";
  out += std::to_string(length);
  out += ":\"";
  out += text;
  out += "\";";
}

}  // namespace

std::string NormalizedChannelName(std::string_view name, const ChannelIdOptions& options) {
  std::string text(name);
  RemoveAll(text, ' ');
  RemoveAll(text, '"');
  if (options.remove_hyphen) RemoveAll(text, '-');
  if (options.remove_dot) RemoveAll(text, '.');
  return options.lower_russian ? RussianLower(text) : AsciiLower(text);
}

std::string ChannelHash(std::string_view name, const ChannelIdOptions& options) {
  return AsciiLower(Md5Hex(NormalizedChannelName(name, options)));
}

std::string CreateList(const ChannelRows& rows, const ChannelIdOptions& options) {
  std::string out = "a:" + std::to_string(rows.size()) + ":{";
  out.reserve(out.size() + rows.size() * 64 + 1);
  for (const ChannelRow& row : rows) {
    const std::string key = ChannelHash(row.name, options);
    AppendSerializedString(out, key, key.size());
    const std::string code = Trim(row.code);
    AppendSerializedString(out, code, Utf8Length(code));
  }
  out += "}";
  return out;
}

void SaveChannelIdFile(const std::filesystem::path& path, std::string_view map_text) {
  WriteFileAtomically(path, Utf8ToCp1251(map_text) + "\r\n");
}

}  // namespace brelvik
