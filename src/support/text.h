// Byte-string cutting and line lists shared by the loaders: field extraction,
// text between markers, trimming, replacement and (sorted) line lists.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik {

// The N-th field (from 1) of `text` split at `delimiter`. N <= 0 gives the text
// itself; a text without the delimiter gives itself for every N; an N beyond the
// number of fields gives the last field.
std::string ExtractField(std::string_view text, int n, std::string_view delimiter);

// The text between the first `start_marker` and the first `end_marker` after it;
// empty when any argument is empty or either marker is missing.
std::string TextBetween(std::string_view start_marker, std::string_view text,
                        std::string_view end_marker);

// Removes leading and trailing bytes whose code is 32 or less.
std::string Trim(std::string_view text);

// Replaces every occurrence of `from` by `to`, case-sensitively, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Splits at CR LF, a lone CR or a lone LF. A final line break adds no empty
// line; a NUL byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Joins the lines, each followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// A list of UTF-8 lines kept in case-insensitive collation order that passes
// over a line equal (under that comparison) to one it already holds.
//
// Collation: ICU's root collation (CLDR root, a fixed locale, never the
// machine's settings: digits, Latin, then Cyrillic, which covers Russian
// alphabetical order) at secondary strength, so letter case is ignored while
// letters and accents still differ. Lines are compared through ICU sort keys,
// so adding N lines costs O(N log N).
class SortedLineList {
 public:
  SortedLineList();
  ~SortedLineList();
  SortedLineList(const SortedLineList&) = delete;
  SortedLineList& operator=(const SortedLineList&) = delete;

  // Adds the line unless an equal one is held; true when it was added.
  bool Add(std::string_view line);
  // Adds every line of a text split as SplitLines does.
  void AddText(std::string_view text);
  std::size_t Count() const { return entries_.size(); }
  // The lines in order.
  std::vector<std::string> Lines() const;
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    std::string key;
    std::string line;
    bool operator<(const Entry& other) const { return key < other.key; }
  };
  std::set<Entry> entries_;
};

}  // namespace brelvik
