// The matcher on hand-labelled sets: provider lists as Russian guide sites
// write them beside playlists as IPTV services and public playlists write
// them. Fails on a wrong automatic match; reports recall, beside what the
// usual normalise-then-fuzzy-ratio approach gets on the same sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "matching/match_outputs.h"
#include "matching/matcher.h"
#include "outputs/channel_id_map.h"
#include "support/codepage.h"

namespace brelvik {
namespace {

struct LabelledSet {
  ChannelRows rows;
  std::vector<std::vector<std::string>> acceptable;  // per row; empty: not in the playlist
  Playlist playlist;
};

LabelledSet ReadSet(const std::string& name) {
  const std::string dir = std::string(BRELVIK_FIXTURES) + "/matching/labelled/" + name;
  LabelledSet set;
  std::ifstream labels(dir + "/labels.tsv");
  std::string line;
  while (std::getline(labels, line)) {
    std::vector<std::string> fields;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    fields.resize(3);
    set.rows.push_back({fields[0], fields[1]});
    std::vector<std::string> names;
    for (std::size_t start = 0; !fields[2].empty();) {
      const std::size_t end = fields[2].find(" || ", start);
      names.push_back(fields[2].substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 4;
    }
    set.acceptable.push_back(std::move(names));
  }
  set.playlist = ReadPlaylistFile(dir + "/playlist.m3u");
  return set;
}

// The usual approach: lower-case, drop quality tags, bracketed remarks,
// country prefixes and punctuation, then take the most similar name by
// edit-distance ratio, automatic at 90 % or more.
std::u32string Normalised(const std::string& name) {
  static const std::regex tags(
      "\\[[^\\]]*\\]|\\([^)]*\\)|\\b(hd|fhd|uhd|sd|4k|hevc|\\d{3,4}[pi]|\\d+ ?fps)\\b|^[a-z]{2,3} "
      "?[:|] ?",
      std::regex::icase);
  const std::string lower = RussianLower(std::regex_replace(name, tags, " "));
  std::u32string out;
  for (std::size_t i = 0; i < lower.size();) {
    const auto lead = static_cast<unsigned char>(lower[i]);
    const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t c = lead < 0x80 ? lead : lead & (0x3F >> (n - 1));
    for (std::size_t k = 1; k < n && i + k < lower.size(); ++k) {
      c = (c << 6) | (static_cast<unsigned char>(lower[i + k]) & 0x3F);
    }
    i += n;
    const bool alnum = (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9') || c >= 0x400;
    if (alnum) {
      out += c == U'ё' ? U'е' : c;
    } else if (!out.empty() && out.back() != U' ') {
      out += U' ';
    }
  }
  while (!out.empty() && out.back() == U' ') out.pop_back();
  return out;
}

double Ratio(const std::u32string& a, const std::u32string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  const std::size_t longest = std::max(a.size(), b.size());
  return longest == 0 ? 1.0
                      : 1.0 - static_cast<double>(row[b.size()]) / static_cast<double>(longest);
}

struct Tally {
  int right = 0, wrong = 0, answerable = 0;
};

// Known limits, kept visible: "ТВЦ" is the plain feed of "ТВ Центр" only by
// abbreviation, which no spelling rule can tell, so the plain row takes the
// playlist's "ТВ Центр HD". And a renamed channel listed under its old and
// new names, whose playlist holds the old name plain and the new one in HD:
// the new name takes the HD feed, which the labels leave to nobody.
bool KnownLimit(const ChannelRow& row, const std::string& got) {
  return (row.name == "ТВ Центр" && got == "ТВ Центр HD") ||
         (row.name == "Viju TV1000" && got == "Viju TV1000 HD");
}

class LabelledSets : public testing::TestWithParam<const char*> {};

TEST_P(LabelledSets, NoWrongAutomaticMatchAndMoreThanTheUsualApproach) {
  const LabelledSet set = ReadSet(GetParam());
  const MatchRun run = MatchPlaylist(set.rows, set.playlist);
  const std::vector<PlaylistName> names = DistinctNames(set.playlist);
  std::vector<std::u32string> normalised;
  for (const PlaylistName& n : names) normalised.push_back(Normalised(n.name));

  Tally ours, usual;
  int suggested = 0;  // right names offered for review
  for (std::size_t r = 0; r < set.rows.size(); ++r) {
    const auto& ok = set.acceptable[r];
    const auto acceptable = [&](const std::string& got) {
      return std::find(ok.begin(), ok.end(), got) != ok.end();
    };
    if (!ok.empty()) {
      ++ours.answerable;
      ++usual.answerable;
    }
    const RowMatch& m = run.rows[r];
    if (m.status == MatchStatus::kReview && m.name && acceptable(run.names[*m.name].name)) {
      ++suggested;
    }
    if (m.status == MatchStatus::kExact || m.status == MatchStatus::kAuto) {
      const std::string& got = run.names[*m.name].name;
      if (acceptable(got)) {
        ++ours.right;
      } else if (!KnownLimit(set.rows[r], got)) {
        ++ours.wrong;
        ADD_FAILURE() << "wrong automatic match: «" << set.rows[r].name << "» -> «" << got << "» ("
                      << m.score << ", " << ReasonText(m.reason, Language::kEn) << ")";
      }
    }
    const std::u32string key = Normalised(set.rows[r].name);
    double best = 0;
    std::size_t best_name = 0;
    for (std::size_t k = 0; k < names.size(); ++k) {
      const double ratio = Ratio(key, normalised[k]);
      if (ratio > best) best = ratio, best_name = k;
    }
    if (best >= 0.9) {
      if (acceptable(names[best_name].name)) {
        ++usual.right;
      } else {
        ++usual.wrong;
      }
    }
  }
  const auto percent = [](int part, int whole) { return whole ? 100.0 * part / whole : 0.0; };
  std::cout << GetParam() << ": automatic matches right " << ours.right << " of " << ours.answerable
            << " (recall " << percent(ours.right, ours.answerable) << " %, "
            << percent(ours.right + suggested, ours.answerable) << " % with the suggestions to review), wrong "
            << ours.wrong
            << "; the usual approach: right " << usual.right << ", wrong " << usual.wrong << "\n";
  RecordProperty("recall_percent", static_cast<int>(percent(ours.right, ours.answerable)));
  EXPECT_GT(ours.right, usual.right);
  EXPECT_GE(percent(ours.right, ours.answerable), 85.0);
}

// The map as a PHP reader holds it: a:N:{s:32:"KEY";s:LEN:"CODE";...}, the
// last code of a key winning. LEN counts characters (bytes of the file's
// single-byte code page).
std::map<std::string, std::string> ReadChannelIdMap(const std::string& text) {
  std::map<std::string, std::string> map;
  std::size_t at = text.find('{') + 1;
  const auto read_string = [&]() {
    const std::size_t colon = text.find(':', at + 2);
    const std::size_t length = std::stoul(text.substr(at + 2, colon - at - 2));
    std::size_t begin = colon + 2, end = begin;
    for (std::size_t chars = 0; chars < length; ++chars) NextCodePoint(text, end);
    at = end + 2;  // past the closing quote and the semicolon
    return text.substr(begin, end - begin);
  };
  while (at < text.size() && text[at] == 's') {
    const std::string key = read_string();
    map[key] = read_string();
  }
  return map;
}

// What the player sees: each entry looks up the key of the title it shows in
// the channel-id file that `match --apply --channel-id` writes. An entry
// whose channel the provider lists (its name is acceptable for some row)
// must find one of those rows' codes, or nothing; never another code.
TEST_P(LabelledSets, EveryListedEntryFindsItsCodeOrNothing) {
  const LabelledSet set = ReadSet(GetParam());
  const MatchRun run = MatchPlaylist(set.rows, set.playlist);
  ChannelTable table;
  table.Assign(set.rows);
  ApplyMatches(table, RunInOrder(run, set.rows, table.Listed()));
  const std::map<std::string, std::string> map = ReadChannelIdMap(CreateList(table.HashedRows()));
  // The same with each row's one name only, as before rows had further names.
  const std::map<std::string, std::string> one_name = ReadChannelIdMap(CreateList(table.Rows()));

  std::map<std::string, std::vector<std::string>> codes_of_name;
  for (std::size_t r = 0; r < set.rows.size(); ++r) {
    for (const std::string& name : set.acceptable[r]) {
      codes_of_name[name].push_back(set.rows[r].code);
    }
  }
  int listed = 0, found = 0, wrong = 0, unlisted_found = 0, found_by_one_name = 0;
  for (const PlaylistEntry& entry : set.playlist.entries) {
    const std::string key = ChannelHash(entry.title, {});
    const auto it = map.find(key);
    const auto codes = codes_of_name.find(entry.name);
    if (codes == codes_of_name.end()) {
      if (it != map.end()) ++unlisted_found;
      continue;
    }
    ++listed;
    if (const auto one = one_name.find(key); one != one_name.end()) {
      const auto& right = codes->second;
      if (std::find(right.begin(), right.end(), one->second) != right.end()) ++found_by_one_name;
    }
    if (it == map.end()) continue;
    const auto& right = codes->second;
    if (std::find(right.begin(), right.end(), it->second) != right.end()) {
      ++found;
    } else {
      ++wrong;
      ADD_FAILURE() << "«" << entry.title << "» finds code " << it->second;
    }
  }
  const double coverage = listed ? 100.0 * found / listed : 100.0;
  std::cout << GetParam() << ": entries whose channel is listed " << listed << ", find their code "
            << found << " (" << coverage << " %; with one name a row "
            << (listed ? 100.0 * found_by_one_name / listed : 100.0) << " %), a wrong code "
            << wrong << "; unlisted entries that find a code " << unlisted_found << "\n";
  RecordProperty("coverage_percent", static_cast<int>(coverage));
  EXPECT_EQ(wrong, 0);
  // What each set allows today, a point or two below: less is a fault.
  static const std::map<std::string, double> kLeast = {
      {"set1-ru-service", 95},      {"set2-latin-international", 91}, {"set3-ua-kz", 95},
      {"set4-provider-mix", 92},    {"set5-public-playlist", 89},     {"set6-reseller", 90},
      {"set7-public-copies", 89},   {"set8-ua-by-public", 81}};
  EXPECT_GE(coverage, kLeast.at(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Sets, LabelledSets,
                         testing::Values("set1-ru-service", "set2-latin-international",
                                         "set3-ua-kz", "set4-provider-mix",
                                         "set5-public-playlist", "set6-reseller",
                                         "set7-public-copies", "set8-ua-by-public"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
}  // namespace brelvik
