// Byte-string cutting and line lists shared by the loaders: field extraction,
// text between markers, trimming, replacement and (sorted) line lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik {

// The N-th field (from 1) of `text` split at `delimiter`. N <= 0 gives the text
// itself; a text without the delimiter gives itself for every N; an N beyond the
// number of fields gives the last field.
std::string ExtractField(std::string_view text, int n, std::string_view delimiter);
// The same field as a view into `text`.
std::string_view ExtractFieldView(std::string_view text, int n, std::string_view delimiter);

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

// Calls `take(std::string_view line)` for each line SplitLines would give, in
// order, without copying them.
template <typename Take>
void ForEachLine(std::string_view text, Take take) {
  if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
    text = text.substr(0, nul);
  }
  std::size_t line_start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    take(text.substr(line_start, i - line_start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    line_start = i;
  }
  if (line_start < text.size()) take(text.substr(line_start));
}

// Joins the lines, each followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// A list of UTF-8 lines kept in case-insensitive collation order that passes
// over a line equal (under that comparison) to one it already holds.
//
// Collation: ICU's root collation (CLDR root, a fixed locale, never the
// machine's settings: digits, Latin, then Cyrillic, which covers Russian
// alphabetical order) at secondary strength, so letter case is ignored while
// letters and accents still differ. Lines are compared through ICU sort keys:
// adding a line costs one key and a hash look-up, and the lines are sorted
// when asked for, so adding N lines and reading them costs O(N log N).
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
  std::vector<std::string> Lines() const&;
  // The lines in order, moved out; the list is left empty.
  std::vector<std::string> Lines() &&;
  void Clear();

 private:
  struct Entry {
    std::size_t key_offset;  // into keys_
    std::size_t key_size;
    std::size_t hash;  // of the key
    std::string line;
  };
  // A slot of the hash set: the upper half of the key's hash, and the entry's
  // index + 1 (0 for a free slot). Eight bytes a slot keep look-ups in cache.
  struct Slot {
    std::uint32_t hash_tag;
    std::uint32_t entry;
  };

  std::string_view KeyOf(const Entry& entry) const {
    return std::string_view(keys_).substr(entry.key_offset, entry.key_size);
  }
  void GrowSlots();
  std::vector<std::size_t> SortedOrder() const;

  // Entries in the order they were added; their keys stand end to end in
  // keys_, so an entry costs no allocation beyond its line's.
  std::vector<Entry> entries_;
  std::string keys_;
  // An open-addressing hash set over the keys, never more than half full.
  std::vector<Slot> slots_;
};

}  // namespace brelvik
