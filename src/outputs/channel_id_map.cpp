// The channel-id map text (PHP serialize form of a string-to-string array).
#include "outputs/channel_id_map.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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

// A key's line names this many of its rows at most.
constexpr std::size_t kRowsPerKey = 10;

std::string More(const UiTexts& texts, std::size_t count) {
  return std::string(texts.more_before) + std::to_string(count) + std::string(texts.more_after);
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

ChannelIdFindings CheckChannelIdList(const ChannelRows& rows, const ChannelIdOptions& options) {
  ChannelIdFindings findings;
  struct KeyEntries {
    std::string key;
    ChannelRows rows;           // distinct name and code pairs, first seen first
    std::string first_written;  // the written code of the key's first entry
    std::string last_code;
    bool differ = false;
  };
  std::vector<KeyEntries> keys;
  std::unordered_map<std::string, std::size_t> key_index;
  std::unordered_set<std::string> seen;  // key, name and code of the rows kept
  for (const ChannelRow& row : rows) {
    std::string code = Trim(row.code);
    std::string written = Utf8ToCp1251(code);
    if (!Cp1251Holds(code)) {
      findings.lost_characters.push_back({row.name, code, Cp1251ToUtf8(written)});
    }
    std::string key = ChannelHash(row.name, options);
    const auto [at, added] = key_index.try_emplace(key, keys.size());
    if (added) keys.push_back({key, {}, written, {}, false});
    KeyEntries& entries = keys[at->second];
    entries.differ = entries.differ || written != entries.first_written;
    entries.last_code = code;
    if (seen.insert(key + '\0' + row.name + '\0' + code).second) {
      entries.rows.push_back({row.name, std::move(code)});
    }
  }
  for (KeyEntries& entries : keys) {
    if (!entries.differ) continue;
    findings.collisions.push_back(
        {std::move(entries.key), std::move(entries.rows), std::move(entries.last_code)});
  }
  return findings;
}

std::vector<FindingReport> DescribeChannelIdFindings(const ChannelIdFindings& findings,
                                                     const UiTexts& texts) {
  const auto quoted = [&](std::string_view name) {
    return std::string(texts.quote_open) + std::string(name) + std::string(texts.quote_close);
  };
  std::vector<FindingReport> reports;
  if (!findings.lost_characters.empty()) {
    FindingReport& report = reports.emplace_back();
    report.header = texts.lost_characters;
    for (const LostCharacterRow& row : findings.lost_characters) {
      report.items.push_back(quoted(row.name) + " (" + row.code + " → " + row.written + ")");
    }
  }
  if (!findings.collisions.empty()) {
    FindingReport& report = reports.emplace_back();
    report.header = texts.key_collisions;
    for (const KeyCollision& collision : findings.collisions) {
      std::string item = std::string(texts.collision_key) + collision.key + ":";
      const std::size_t shown = std::min(collision.rows.size(), kRowsPerKey);
      for (std::size_t i = 0; i < shown; ++i) {
        item += (i == 0 ? " " : ", ") + quoted(collision.rows[i].name) + " (" +
                collision.rows[i].code + ")";
      }
      if (shown < collision.rows.size()) item += ", " + More(texts, collision.rows.size() - shown);
      report.items.push_back(item + std::string(texts.plugin_sees) + collision.kept_code);
    }
  }
  return reports;
}

std::string FindingReportText(const FindingReport& report, const UiTexts& texts,
                              std::size_t max_items) {
  std::string text = report.header;
  for (std::size_t i = 0; i < report.items.size() && i < max_items; ++i) {
    text += "\n" + report.items[i];
  }
  if (report.items.size() > max_items) text += "\n" + More(texts, report.items.size() - max_items);
  return text;
}

void SaveChannelIdFile(const std::filesystem::path& path, std::string_view map_text) {
  WriteFileAtomically(path, Utf8ToCp1251(map_text) + "\r\n");
}

}  // namespace brelvik
