// Byte-string cutting and line lists shared by the loaders: field extraction,
// text between markers, trimming, replacement and (sorted) line lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/byte_scan.h"

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
// The same text as a view into `text`.
std::string_view TextBetweenView(std::string_view start_marker, std::string_view text,
                                 std::string_view end_marker);

// Removes leading and trailing bytes whose code is 32 or less.
std::string Trim(std::string_view text);
// The same as a view into `text`.
std::string_view TrimView(std::string_view text);

// Replaces every occurrence of `from` by `to`, case-sensitively, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Splits at CR LF, a lone CR or a lone LF. A final line break adds no empty
// line; a NUL byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Calls `take(std::string_view line)` for each line SplitLines would give, in
// order, without copying them.
template <typename Take>
void ForEachLine(std::string_view text, Take take) {
  std::size_t line_start = 0;
  std::size_t i = 0;
  while (true) {
    i = FindFirstOf<'\r', '\n', '\0'>(text, i);
    if (i == text.size() || text[i] == '\0') {
      if (line_start < i) take(text.substr(line_start, i - line_start));
      return;
    }
    take(text.substr(line_start, i - line_start));
    i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    line_start = i;
  }
}

// Joins the lines, each followed by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// A list of UTF-8 lines kept in case-insensitive collation order that passes
// over a line equal (under that comparison) to one it already holds.
//
// Collation: ICU's root collation (CLDR root, a fixed locale, never the
// machine's settings: digits, Latin, then Cyrillic, which covers Russian
// alphabetical order) at secondary strength, so letter case is ignored while
// letters and accents still differ. Lines are compared through sort keys:
// adding a line costs one key and a hash look-up, and the lines are sorted
// when asked for, so adding N lines and reading them costs O(N log N).
//
// A line made only of characters whose collation elements do not depend on
// their neighbours (Latin, Greek, Cyrillic, punctuation and the like, which
// is what provider pages hold) gets its key from a table of those elements
// taken from ICU once; such keys order and equate lines exactly as ICU's sort
// keys do. The first line the table cannot key makes the list key every line
// through ICU from then on, the ones it holds included.
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
  // True when every line held is well-formed UTF-8.
  bool AllValidUtf8() const { return malformed_ == 0; }
  // Calls `take(std::string_view line)` for each line in order; the views
  // stay valid while the list is not changed.
  template <typename Take>
  void ForEachSorted(Take take) const {
    for (const std::uint32_t n : SortedOrder()) take(LineOf(entries_[n]));
  }
  // The lines in order.
  std::vector<std::string> Lines() const&;
  // The lines in order, moved out; the list is left empty.
  std::vector<std::string> Lines() &&;
  void Clear();

 private:
  struct Entry {
    std::size_t line_offset;  // into lines_
    std::size_t line_size;
    std::size_t key_offset;  // into keys_
    std::size_t key_size;
    std::size_t hash;  // of the key
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
  std::string_view LineOf(const Entry& entry) const {
    return std::string_view(lines_).substr(entry.line_offset, entry.line_size);
  }
  // Puts the key of `line` at the end of keys_; false when the line is left
  // unkeyed because the table cannot key it (keys_ is then as before).
  bool AppendKey(std::string_view line);
  void UseIcuKeys();
  void Rehash(std::size_t slot_count);
  std::vector<std::uint32_t> SortedOrder() const;

  // Entries in the order they were added; their lines and keys stand end to
  // end in lines_ and keys_, so an entry costs no allocation of its own.
  std::vector<Entry> entries_;
  std::string lines_;
  std::string keys_;
  std::string scratch_;
  std::string key_secondaries_;
  // An open-addressing hash set over the keys, never more than half full.
  std::vector<Slot> slots_;
  bool icu_keys_ = false;      // keys_ holds ICU's sort keys rather than the table's
  std::size_t malformed_ = 0;  // lines held that are not well-formed UTF-8
};

// The lines a SortedLineList would hold, in its order, for lines that are
// all added before any is read: each line is kept once (the first of lines
// equal under the collation), found by sorting the keys rather than through a
// hash set, which costs less when most lines are distinct.
class SortedLineBatch {
 public:
  SortedLineBatch();
  ~SortedLineBatch();
  SortedLineBatch(const SortedLineBatch&) = delete;
  SortedLineBatch& operator=(const SortedLineBatch&) = delete;

  void Add(std::string_view line);
  // Adds the line `first`, `joint`, `second` without making it first.
  void AddJoined(std::string_view first, char joint, std::string_view second);
  // The lines kept, in order: indices for Line() and IsValidUtf8().
  std::vector<std::uint32_t> Order() const;
  // True when some line added is not well-formed UTF-8 (kept or not).
  bool AnyMalformed() const { return malformed_ > 0; }
  // Calls `take(std::string_view line)` for each of the lines of `order`.
  template <typename Take>
  void ForEachLine(const std::vector<std::uint32_t>& order, Take take) const {
    // In sorted order the lines are spread over the arena; fetching them a
    // few steps ahead keeps a large list from waiting on memory.
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i + 16 < order.size()) __builtin_prefetch(&entries_[order[i + 16]]);
      if (i + 8 < order.size())
        __builtin_prefetch(lines_.data() + entries_[order[i + 8]].line_offset);
      take(Line(order[i]));
    }
  }
  std::string_view Line(std::uint32_t n) const {
    const Entry& entry = entries_[n];
    return std::string_view(lines_).substr(entry.line_offset, entry.line_size);
  }
  bool IsValidUtf8(std::uint32_t n) const { return entries_[n].valid_utf8; }
  void Clear();

 private:
  // Offsets fit 32 bits: Add refuses arenas past 4 GiB.
  struct Entry {
    std::uint32_t line_offset;
    std::uint32_t key_offset;
    std::uint32_t line_size;
    std::uint32_t key_size;
    bool valid_utf8;
  };
  std::string_view KeyOf(const Entry& entry) const {
    return std::string_view(keys_).substr(entry.key_offset, entry.key_size);
  }
  void UseIcuKeys();
  // Keys the line that stands at `offset` to the end of lines_.
  void AddLastLine(std::size_t offset);

  std::vector<Entry> entries_;
  std::string lines_;
  std::string keys_;
  std::string scratch_;
  std::string key_secondaries_;
  bool icu_keys_ = false;
  std::size_t malformed_ = 0;
};

}  // namespace brelvik
