// Byte-string cutting, trimming, replacement and the (sorted) line lists the
// loaders use to take provider pages apart.
#include "support/text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

namespace brelvik {

namespace {

// std::string_view::find reports an empty needle at position 0; an empty
// delimiter or marker must instead count as never found, or the cutters would
// spin on an empty field.
std::size_t FindNonEmpty(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return std::string_view::npos;
  // Most delimiters are one byte, which a plain byte search finds fastest.
  if (needle.size() == 1) return haystack.find(needle.front());
  return haystack.find(needle);
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string ExtractField(std::string_view text, int n, std::string_view delimiter) {
  return std::string(ExtractFieldView(text, n, delimiter));
}

std::string_view ExtractFieldView(std::string_view text, int n, std::string_view delimiter) {
  if (n <= 0) return text;
  std::string_view rest = text;
  for (int k = 1; k <= n; ++k) {
    const std::size_t pos = FindNonEmpty(rest, delimiter);
    // Without an occurrence the rest never changes again, so every later field,
    // the N-th included, is the whole rest; this also keeps a huge N cheap.
    if (pos == std::string_view::npos) return rest;
    if (k == n) return rest.substr(0, pos);
    // Skips only the occurrence's first byte, as the callers' one-byte
    // delimiters have always been handled.
    rest.remove_prefix(pos + 1);
  }
  return rest;
}

std::string TextBetween(std::string_view start_marker, std::string_view text,
                        std::string_view end_marker) {
  if (start_marker.empty() || text.empty() || end_marker.empty()) return {};
  const std::size_t start = text.find(start_marker);
  if (start == std::string_view::npos) return {};
  const std::string_view after = text.substr(start + start_marker.size());
  const std::size_t end = after.find(end_marker);
  if (end == std::string_view::npos) return {};
  return std::string(after.substr(0, end));
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t done = 0;
  for (std::size_t pos = text.find(from); pos != std::string_view::npos;
       pos = text.find(from, done)) {
    result.append(text.data() + done, pos - done);
    result.append(to);
    done = pos + from.size();
  }
  result.append(text.data() + done, text.size() - done);
  return result;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

namespace {

std::unique_ptr<icu::Collator> CreateLineCollator() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(
      icu::Collator::createInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !collator) {
    throw std::runtime_error(std::string("cannot create the collator: ") + u_errorName(status));
  }
  collator->setStrength(icu::Collator::SECONDARY);
  return collator;
}

// The collator is opened once; each thread works on its own clone, so no
// reliance is placed on how far a shared instance's const methods are
// thread-safe, and a clone is far cheaper than opening the locale's data.
const icu::Collator& ThreadCollator() {
  static const std::unique_ptr<icu::Collator> prototype = CreateLineCollator();
  thread_local const std::unique_ptr<icu::Collator> clone(prototype->clone());
  if (!clone) throw std::runtime_error("cannot clone the collator");
  return *clone;
}

// Writes the line's sort key, without the terminating zero byte ICU counts,
// into a buffer of this thread's that the next call overwrites. Malformed
// UTF-8 reads as U+FFFD, as icu::UnicodeString::fromUTF8 would read it.
std::string_view SortKey(std::string_view line) {
  const icu::Collator& collator = ThreadCollator();
  thread_local std::u16string text;
  thread_local std::string key(256, '\0');
  // One UTF-8 byte never gives more than one UTF-16 unit.
  if (text.size() < line.size()) text.resize(line.size());
  UErrorCode status = U_ZERO_ERROR;
  int32_t text_length = 0;
  u_strFromUTF8WithSub(text.data(), static_cast<int32_t>(text.size()), &text_length, line.data(),
                       static_cast<int32_t>(line.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) {
    throw std::runtime_error(std::string("cannot read a line for sorting: ") + u_errorName(status));
  }
  int32_t length =
      collator.getSortKey(text.data(), text_length, reinterpret_cast<uint8_t*>(key.data()),
                          static_cast<int32_t>(key.size()));
  if (length > static_cast<int32_t>(key.size())) {
    key.resize(length);
    length = collator.getSortKey(text.data(), text_length, reinterpret_cast<uint8_t*>(key.data()),
                                 length);
  }
  return std::string_view(key.data(), length > 0 ? length - 1 : 0);
}

}  // namespace

SortedLineList::SortedLineList() = default;
SortedLineList::~SortedLineList() = default;

bool SortedLineList::Add(std::string_view line) {
  const std::string_view key = SortKey(line);
  const std::size_t hash = std::hash<std::string_view>()(key);
  const auto hash_tag = static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32);
  if ((entries_.size() + 1) * 2 > slots_.size()) GrowSlots();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  for (; slots_[i].entry != 0; i = (i + 1) & mask) {
    if (slots_[i].hash_tag == hash_tag && KeyOf(entries_[slots_[i].entry - 1]) == key) {
      return false;
    }
  }
  if (entries_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many lines for a sorted line list");
  }
  entries_.push_back(Entry{keys_.size(), key.size(), hash, std::string(line)});
  keys_.append(key);
  slots_[i] = Slot{hash_tag, static_cast<std::uint32_t>(entries_.size())};
  return true;
}

void SortedLineList::AddText(std::string_view text) {
  ForEachLine(text, [this](std::string_view line) { Add(line); });
}

void SortedLineList::GrowSlots() {
  slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, Slot{0, 0});
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t n = 0; n < entries_.size(); ++n) {
    const std::size_t hash = entries_[n].hash;
    std::size_t i = hash & mask;
    while (slots_[i].entry != 0) i = (i + 1) & mask;
    slots_[i] = Slot{static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32),
                     static_cast<std::uint32_t>(n + 1)};
  }
}

std::vector<std::size_t> SortedLineList::SortedOrder() const {
  // The keys' first eight bytes, read as one big-endian number (zeros after a
  // shorter key's end), order most pairs of keys without a look at the keys:
  // on a provider page they mostly differ that early.
  struct Item {
    std::uint64_t head;
    std::size_t entry;
  };
  std::vector<Item> items(entries_.size());
  for (std::size_t n = 0; n < items.size(); ++n) {
    const std::string_view key = KeyOf(entries_[n]);
    std::uint64_t head = 0;
    for (std::size_t b = 0; b < 8; ++b) {
      head = (head << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
    }
    items[n] = Item{head, n};
  }
  // No two keys are equal, so this order is the only one. A merge sort keeps to
  // N log N comparisons however the keys are patterned.
  std::stable_sort(items.begin(), items.end(), [this](const Item& a, const Item& b) {
    if (a.head != b.head) return a.head < b.head;
    return KeyOf(entries_[a.entry]) < KeyOf(entries_[b.entry]);
  });
  std::vector<std::size_t> order(items.size());
  for (std::size_t n = 0; n < items.size(); ++n) order[n] = items[n].entry;
  return order;
}

std::vector<std::string> SortedLineList::Lines() const& {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const std::size_t n : SortedOrder()) lines.push_back(entries_[n].line);
  return lines;
}

std::vector<std::string> SortedLineList::Lines() && {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const std::size_t n : SortedOrder()) lines.push_back(std::move(entries_[n].line));
  Clear();
  return lines;
}

void SortedLineList::Clear() {
  entries_.clear();
  keys_.clear();
  slots_.clear();
}

}  // namespace brelvik
