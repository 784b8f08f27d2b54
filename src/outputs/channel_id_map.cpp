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
  // First pass: each row's key, and per key whether its codes, as the file
  // writes them, differ. Most lists have no collision, so the rows of a key
  // are gathered only for the keys that have one.
  struct KeyEntries {
    std::string_view key;       // held by key_index
    std::string first_written;  // the key's first code as the file holds it
    std::size_t last_row = 0;
    bool differ = false;
    std::vector<std::size_t> rows;  // second pass, colliding keys only
  };
  std::vector<KeyEntries> keys;
  std::unordered_map<std::string, std::size_t> key_index;
  key_index.reserve(rows.size());
  std::vector<std::size_t> key_of_row(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string code = Trim(rows[i].code);
    if (!Cp1251Holds(code)) {
      std::string written = Cp1251ToUtf8(Utf8ToCp1251(code));
      findings.lost_characters.push_back({rows[i].name, code, written});
      code = std::move(written);
    }
    std::string key = ChannelHash(rows[i].name, options);
    const auto [at, added] = key_index.try_emplace(std::move(key), keys.size());
    if (added) {
      keys.push_back({at->first, std::move(code), i, false, {}});
    } else {
      KeyEntries& entries = keys[at->second];
      entries.differ = entries.differ || code != entries.first_written;
      entries.last_row = i;
    }
    key_of_row[i] = at->second;
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (keys[key_of_row[i]].differ) keys[key_of_row[i]].rows.push_back(i);
  }
  for (KeyEntries& entries : keys) {
    if (!entries.differ) continue;
    KeyCollision& collision = findings.collisions.emplace_back();
    collision.key = std::string(entries.key);
    collision.kept_code = Trim(rows[entries.last_row].code);
    std::unordered_set<std::string> named;  // name and code of the rows already named
    for (const std::size_t i : entries.rows) {
      ChannelRow row{rows[i].name, Trim(rows[i].code)};
      if (named.insert(row.name + '\0' + row.code).second) {
        collision.rows.push_back(std::move(row));
      }
    }
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

std::string ChannelIdFileBytes(std::string_view map_text) {
  return Utf8ToCp1251(map_text) + "\r\n";
}

void SaveChannelIdFile(const std::filesystem::path& path, std::string_view map_text) {
  WriteFileAtomically(path, ChannelIdFileBytes(map_text));
}

}  // namespace brelvik
