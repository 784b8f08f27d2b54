// Byte-string cutting, trimming, replacement and the (sorted) line lists the
// loaders use to take provider pages apart.
#include "support/text.h"

#include <unicode/coleitr.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/tblcoll.h>
#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uniset.h>
#include <unicode/unistr.h>
#include <unicode/uset.h>
#include <unicode/usetiter.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

#include "support/byte_scan.h"
#include "support/codepage.h"

namespace brelvik {

namespace {

// std::string_view::find reports an empty needle at position 0; an empty
// delimiter or marker must instead count as never found, or the cutters would
// spin on an empty field.
std::size_t FindNonEmpty(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return std::string_view::npos;
  // Most delimiters are one byte, which a plain byte search finds fastest;
  // the fields cut from provider lines are short enough that a loop beats a
  // call to memchr.
  if (needle.size() == 1) {
    return haystack.size() < 64 ? FindByte(haystack, needle.front())
                                : haystack.find(needle.front());
  }
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
  return std::string(TextBetweenView(start_marker, text, end_marker));
}

std::string_view TextBetweenView(std::string_view start_marker, std::string_view text,
                                 std::string_view end_marker) {
  if (start_marker.empty() || text.empty() || end_marker.empty()) return {};
  const std::size_t start = FindMarker(text, start_marker);
  if (start == std::string_view::npos) return {};
  const std::size_t from = start + start_marker.size();
  const std::size_t end = FindMarker(text, end_marker, from);
  if (end == std::string_view::npos) return {};
  return text.substr(from, end - from);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::string_view TrimView(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
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

const icu::Collator& PrototypeCollator() {
  static const std::unique_ptr<icu::Collator> prototype = CreateLineCollator();
  return *prototype;
}

// The collator is opened once; each thread works on its own clone, so no
// reliance is placed on how far a shared instance's const methods are
// thread-safe, and a clone is far cheaper than opening the locale's data.
const icu::Collator& ThreadCollator() {
  thread_local const std::unique_ptr<icu::Collator> clone(PrototypeCollator().clone());
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

// The root collation's elements, at secondary strength, of the characters
// provider pages are made of (ASCII, Latin-1 and Latin Extended-A, the Russian,
// Ukrainian and Belarusian Cyrillic letters, common punctuation and signs) that
// start or belong to no contraction and no prefix rule that could fire among
// them, and have no canonical combining class at either end (so no reordering
// or discontiguous match can involve them). For a line of such characters the
// collation elements are those of its characters one after the other, and
// ICU's key at secondary strength orders and equates lines as comparing, first,
// the sequences of their non-zero primary weights and then the sequences of
// their non-zero secondary weights does (each weight compared as a number, a
// shorter sequence that is a prefix of a longer one first). The table's key
// writes exactly that: each primary as a code of its rank among the table's
// primaries (one byte, or two for ranks past 0xEF; the codes are prefix-free
// and ordered as the ranks), a zero byte, then each secondary as its rank in
// one byte. The weights come from ICU's own collation element iterator, so the
// table follows the ICU the program runs with.
class SecondaryWeights {
 public:
  static const SecondaryWeights& Get() {
    static const SecondaryWeights weights;
    return weights;
  }

  // The table's key of `line`, written to `key` (whose size it may raise);
  // npos when a character is not in the table or the line is not well-formed
  // UTF-8. `secondaries` is room for the key's second part.
  std::size_t Key(std::string_view line, std::string& key, std::string& secondaries) const {
    // A character has at most eight elements, each at most two bytes of
    // primary and one of secondary.
    if (key.size() < line.size() * 24 + 1) key.resize(line.size() * 24 + 1);
    if (secondaries.size() < line.size() * 8) secondaries.resize(line.size() * 8);
    char* to = key.data();
    char* const secondary_start = secondaries.data();
    char* secondary = secondary_start;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const std::size_t size = line.size();
    for (std::size_t i = 0; i < size;) {
      char32_t cp = bytes[i];
      if (cp < 0x80) {
        ++i;
      } else if (cp >= 0xC2 && cp <= 0xDF && i + 1 < size && (bytes[i + 1] & 0xC0) == 0x80) {
        cp = ((cp & 0x1F) << 6) | (bytes[i + 1] & 0x3F);
        i += 2;
      } else if ((cp == 0xE0 || cp == 0xE1 || cp == 0xE2) && i + 2 < size &&
                 (bytes[i + 1] & 0xC0) == 0x80 && (bytes[i + 2] & 0xC0) == 0x80 &&
                 (cp != 0xE0 || bytes[i + 1] >= 0xA0)) {
        cp = ((cp & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F);
        i += 3;
      } else {
        return std::string_view::npos;
      }
      if (cp >= kTableEnd) return std::string_view::npos;
      const Span span = spans_[cp];
      if (!span.usable) return std::string_view::npos;
      const Element* element = elements_.data() + span.first;
      for (const Element* const end = element + span.count; element != end; ++element) {
        to[0] = element->primary[0];
        to[1] = element->primary[1];
        to += element->primary_size;
        *secondary = static_cast<char>(element->secondary);
        secondary += element->secondary != 0;
      }
    }
    *to++ = '\0';
    const std::size_t secondary_size = static_cast<std::size_t>(secondary - secondary_start);
    std::memcpy(to, secondary_start, secondary_size);
    return static_cast<std::size_t>(to - key.data()) + secondary_size;
  }

 private:
  static constexpr char32_t kTableEnd = 0x2200;
  static constexpr std::pair<char32_t, char32_t> kRanges[] = {
      {0x0001, 0x0080}, {0x00A0, 0x0180}, {0x0400, 0x0460}, {0x0490, 0x0492}, {0x2010, 0x2028},
      {0x2030, 0x203B}, {0x20AC, 0x20AD}, {0x2116, 0x2117}, {0x2122, 0x2123}};
  static constexpr std::size_t kOneByteRanks = 0xEF;

  struct Span {
    std::uint16_t first = 0;
    std::uint8_t count = 0;
    bool usable = false;
  };
  struct Element {
    char primary[2];  // the rank's code; none for a weight of 0
    std::uint8_t primary_size;
    std::uint8_t secondary;  // rank from 1; 0 for none
  };

  static bool InTable(char32_t cp) {
    for (const auto& [first, end] : kRanges) {
      if (cp >= first && cp < end) return true;
    }
    return false;
  }

  SecondaryWeights() : spans_(kTableEnd) {
    UErrorCode status = U_ZERO_ERROR;
    const auto* collator = dynamic_cast<const icu::RuleBasedCollator*>(&PrototypeCollator());
    // Any setting that makes weights compare otherwise than plainly leaves the
    // table empty, and every line is keyed by ICU.
    if (collator == nullptr || collator->getStrength() != icu::Collator::SECONDARY ||
        collator->getAttribute(UCOL_ALTERNATE_HANDLING, status) != UCOL_NON_IGNORABLE ||
        collator->getAttribute(UCOL_FRENCH_COLLATION, status) != UCOL_OFF ||
        collator->getAttribute(UCOL_CASE_LEVEL, status) != UCOL_OFF ||
        collator->getAttribute(UCOL_NUMERIC_COLLATION, status) != UCOL_OFF ||
        collator->getReorderCodes(nullptr, 0, status) != 0 || U_FAILURE(status)) {
      return;
    }
    UCollator* root = ucol_open("", &status);
    USet* contraction_set = uset_openEmpty();
    ucol_getContractionsAndExpansions(root, contraction_set, nullptr, true, &status);
    const icu::UnicodeSet contractions(*icu::UnicodeSet::fromUSet(contraction_set));
    uset_close(contraction_set);
    ucol_close(root);
    if (U_FAILURE(status)) return;

    // A character whose elements hold alone: in the table's ranges, assigned,
    // of combining class 0 at both ends. Contractions (and prefix rules, which
    // come as strings too) that start with such a character could fire inside
    // a line the table keys, so every later character of them is left out;
    // those starting with any other character cannot, as a line holding it is
    // keyed by ICU.
    std::vector<bool> plain(kTableEnd, false);
    for (char32_t cp = 1; cp < kTableEnd; ++cp) {
      plain[cp] = InTable(cp) && u_charType(cp) != U_UNASSIGNED && u_getCombiningClass(cp) == 0 &&
                  u_getIntPropertyValue(cp, UCHAR_LEAD_CANONICAL_COMBINING_CLASS) == 0 &&
                  u_getIntPropertyValue(cp, UCHAR_TRAIL_CANONICAL_COMBINING_CLASS) == 0;
    }
    std::vector<bool> in_context(kTableEnd, false);
    for (icu::UnicodeSetIterator it(contractions); it.next();) {
      const icu::UnicodeString text = it.getString();
      const UChar32 first = text.char32At(0);
      if (first < 0 || static_cast<char32_t>(first) >= kTableEnd || !plain[first]) continue;
      for (int32_t k = U16_LENGTH(first); k < text.length();) {
        const UChar32 cp = text.char32At(k);
        if (cp >= 0 && static_cast<char32_t>(cp) < kTableEnd) in_context[cp] = true;
        k += U16_LENGTH(cp);
      }
    }

    struct Raw {
      std::uint32_t primary;
      std::uint32_t secondary;
    };
    std::vector<std::vector<Raw>> raw(kTableEnd);
    std::vector<std::uint32_t> primaries;
    std::vector<std::uint32_t> secondaries;
    for (char32_t cp = 1; cp < kTableEnd; ++cp) {
      if (!plain[cp] || in_context[cp]) continue;
      std::unique_ptr<icu::CollationElementIterator> elements(
          collator->createCollationElementIterator(icu::UnicodeString(static_cast<UChar32>(cp))));
      if (!elements) continue;
      std::vector<Raw> list;
      bool usable = true;
      status = U_ZERO_ERROR;
      for (int32_t order;
           (order = elements->next(status)) != icu::CollationElementIterator::NULLORDER;) {
        const auto half = static_cast<std::uint32_t>(order);
        // A 64-bit element comes as two halves: the first with the upper 16
        // bits of the primary and the upper byte of the secondary, a
        // continuation (marked 0xC0 in its low byte) with the lower ones.
        if ((half & 0xC0) == 0xC0) {
          if (list.empty()) {
            usable = false;
            break;
          }
          list.back().primary |= half >> 16;
          list.back().secondary |= (half >> 8) & 0xFF;
        } else {
          list.push_back({half & 0xFFFF0000u, ((half >> 8) & 0xFF) << 8});
        }
      }
      if (U_FAILURE(status) || !usable) continue;
      std::vector<Raw> kept;
      for (const Raw& element : list) {
        if (element.primary == 0 && element.secondary == 0) continue;  // ignorable here
        if (element.primary != 0 && element.secondary == 0) usable = false;
        kept.push_back(element);
      }
      if (!usable || kept.size() > 8) continue;
      for (const Raw& element : kept) {
        if (element.primary != 0) primaries.push_back(element.primary);
        secondaries.push_back(element.secondary);
      }
      raw[cp] = std::move(kept);
      spans_[cp].usable = true;
    }
    std::sort(primaries.begin(), primaries.end());
    primaries.erase(std::unique(primaries.begin(), primaries.end()), primaries.end());
    std::sort(secondaries.begin(), secondaries.end());
    secondaries.erase(std::unique(secondaries.begin(), secondaries.end()), secondaries.end());
    if (primaries.size() > kOneByteRanks + 0x0F00 || secondaries.size() > 0xFF) {
      spans_.assign(kTableEnd, Span{});
      return;
    }
    const auto rank = [](const std::vector<std::uint32_t>& sorted, std::uint32_t weight) {
      return static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), weight) -
                                      sorted.begin()) +
             1;
    };
    for (char32_t cp = 0; cp < kTableEnd; ++cp) {
      if (!spans_[cp].usable) continue;
      spans_[cp].first = static_cast<std::uint16_t>(elements_.size());
      spans_[cp].count = static_cast<std::uint8_t>(raw[cp].size());
      for (const Raw& element : raw[cp]) {
        Element coded{{0, 0}, 0, 0};
        if (element.primary != 0) {
          const std::size_t r = rank(primaries, element.primary);
          if (r <= kOneByteRanks) {
            coded.primary[0] = static_cast<char>(r);
            coded.primary_size = 1;
          } else {
            coded.primary[0] = static_cast<char>(0xF0 + ((r - kOneByteRanks - 1) >> 8));
            coded.primary[1] = static_cast<char>((r - kOneByteRanks - 1) & 0xFF);
            coded.primary_size = 2;
          }
        }
        coded.secondary = static_cast<std::uint8_t>(rank(secondaries, element.secondary));
        elements_.push_back(coded);
      }
    }
  }

  std::vector<Span> spans_;
  std::vector<Element> elements_;
};

// The indices 0 to n - 1 ordered by the keys `key_of(index)` gives, indices
// with equal keys in increasing order. The keys' first eight bytes, read as
// one big-endian number (zeros after a shorter key's end), are sorted by a
// radix sort, linear in n; only runs of equal heads, rare on provider pages,
// are sorted by comparing whole keys.
template <typename KeyOf>
std::vector<std::uint32_t> OrderByKeys(std::size_t n, KeyOf key_of, bool keep_equal) {
  struct Item {
    std::uint64_t head;
    std::uint32_t index;
  };
  std::vector<Item> items(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string_view key = key_of(i);
    std::uint64_t head = 0;
    for (std::size_t b = 0; b < 8; ++b) {
      head = (head << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
    }
    items[i] = Item{head, static_cast<std::uint32_t>(i)};
  }
  std::vector<Item> moved(n);
  constexpr int kDigitBits = 11;
  constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
  std::vector<std::size_t> counts(std::size_t{1} << kDigitBits);
  for (int shift = 0; shift < 64; shift += kDigitBits) {
    std::fill(counts.begin(), counts.end(), 0);
    for (const Item& item : items) ++counts[(item.head >> shift) & kDigitMask];
    if (std::find(counts.begin(), counts.end(), n) != counts.end()) continue;
    std::size_t offset = 0;
    for (std::size_t& count : counts) offset += std::exchange(count, offset);
    for (const Item& item : items) moved[counts[(item.head >> shift) & kDigitMask]++] = item;
    items.swap(moved);
  }
  for (std::size_t run = 0; run < n;) {
    std::size_t end = run + 1;
    while (end < n && items[end].head == items[run].head) ++end;
    if (end - run > 1) {
      std::sort(items.begin() + run, items.begin() + end, [&](const Item& a, const Item& b) {
        const int order = key_of(a.index).compare(key_of(b.index));
        return order != 0 ? order < 0 : a.index < b.index;
      });
    }
    run = end;
  }
  // Of equal keys, the first (by index) stands first; unless all are kept,
  // only it is.
  std::vector<std::uint32_t> order;
  order.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!keep_equal && i > 0 && items[i].head == items[i - 1].head &&
        key_of(items[i].index) == key_of(items[i - 1].index)) {
      continue;
    }
    order.push_back(items[i].index);
  }
  return order;
}

}  // namespace

SortedLineList::SortedLineList() = default;
SortedLineList::~SortedLineList() = default;

bool SortedLineList::AppendKey(std::string_view line) {
  if (!icu_keys_) {
    const std::size_t size = SecondaryWeights::Get().Key(line, scratch_, key_secondaries_);
    if (size == std::string_view::npos) return false;
    keys_.append(scratch_, 0, size);
    return true;
  }
  keys_.append(SortKey(line));
  return true;
}

bool SortedLineList::Add(std::string_view line) {
  const std::size_t key_offset = keys_.size();
  if (!AppendKey(line)) {
    UseIcuKeys();
    return Add(line);
  }
  const std::string_view key = std::string_view(keys_).substr(key_offset);
  const std::size_t hash = std::hash<std::string_view>()(key);
  const auto hash_tag = static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32);
  if ((entries_.size() + 1) * 2 > slots_.size()) {
    Rehash(slots_.empty() ? 64 : slots_.size() * 2);
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  for (; slots_[i].entry != 0; i = (i + 1) & mask) {
    if (slots_[i].hash_tag == hash_tag && KeyOf(entries_[slots_[i].entry - 1]) == key) {
      keys_.resize(key_offset);
      return false;
    }
  }
  if (entries_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    keys_.resize(key_offset);
    throw std::length_error("too many lines for a sorted line list");
  }
  // The table keys only well-formed UTF-8, so only ICU's keys need the check.
  if (icu_keys_ && !IsValidUtf8(line)) ++malformed_;
  entries_.push_back(Entry{lines_.size(), line.size(), key_offset, key.size(), hash});
  lines_.append(line);
  slots_[i] = Slot{hash_tag, static_cast<std::uint32_t>(entries_.size())};
  return true;
}

void SortedLineList::UseIcuKeys() {
  icu_keys_ = true;
  std::string keys;
  keys.reserve(keys_.size());
  for (Entry& entry : entries_) {
    const std::string_view key = SortKey(LineOf(entry));
    entry.key_offset = keys.size();
    entry.key_size = key.size();
    entry.hash = std::hash<std::string_view>()(key);
    keys.append(key);
  }
  keys_ = std::move(keys);
  Rehash(slots_.size());
}

void SortedLineList::AddText(std::string_view text) {
  ForEachLine(text, [this](std::string_view line) { Add(line); });
}

void SortedLineList::Rehash(std::size_t slot_count) {
  slots_.assign(slot_count, Slot{0, 0});
  if (slot_count == 0) return;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t n = 0; n < entries_.size(); ++n) {
    const std::size_t hash = entries_[n].hash;
    std::size_t i = hash & mask;
    while (slots_[i].entry != 0) i = (i + 1) & mask;
    slots_[i] = Slot{static_cast<std::uint32_t>(static_cast<std::uint64_t>(hash) >> 32),
                     static_cast<std::uint32_t>(n + 1)};
  }
}

std::vector<std::uint32_t> SortedLineList::SortedOrder() const {
  return OrderByKeys(
      entries_.size(), [this](std::size_t n) { return KeyOf(entries_[n]); }, true);
}

std::vector<std::string> SortedLineList::Lines() const& {
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  ForEachSorted([&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::vector<std::string> SortedLineList::Lines() && {
  std::vector<std::string> lines = std::as_const(*this).Lines();
  Clear();
  return lines;
}

void SortedLineList::Clear() {
  entries_.clear();
  lines_.clear();
  keys_.clear();
  slots_.clear();
  icu_keys_ = false;
  malformed_ = 0;
}

SortedLineBatch::SortedLineBatch() = default;
SortedLineBatch::~SortedLineBatch() = default;

void SortedLineBatch::Add(std::string_view line) {
  const std::size_t offset = lines_.size();
  lines_.append(line);
  AddLastLine(offset);
}

void SortedLineBatch::AddJoined(std::string_view first, char joint, std::string_view second) {
  const std::size_t offset = lines_.size();
  lines_.append(first);
  lines_.push_back(joint);
  lines_.append(second);
  AddLastLine(offset);
}

void SortedLineBatch::AddLastLine(std::size_t offset) {
  const std::string_view line = std::string_view(lines_).substr(offset);
  // Keys are at most 24 bytes per byte of line, or ICU's.
  constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max() / 32;
  if (lines_.size() > kLimit || keys_.size() > kLimit) {
    lines_.resize(offset);
    throw std::length_error("too many lines for a sorted line list");
  }
  bool valid = true;
  std::string_view key;
  const std::size_t size = icu_keys_
                               ? std::string_view::npos
                               : SecondaryWeights::Get().Key(line, scratch_, key_secondaries_);
  if (size != std::string_view::npos) {
    key = std::string_view(scratch_.data(), size);
  } else {
    if (!icu_keys_) UseIcuKeys();
    key = SortKey(line);
    valid = brelvik::IsValidUtf8(line);
    if (!valid) ++malformed_;
  }
  entries_.push_back(Entry{
      static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(keys_.size()),
      static_cast<std::uint32_t>(line.size()), static_cast<std::uint32_t>(key.size()), valid});
  keys_.append(key);
}

void SortedLineBatch::Clear() {
  entries_.clear();
  lines_.clear();
  keys_.clear();
  icu_keys_ = false;
  malformed_ = 0;
}

void SortedLineBatch::UseIcuKeys() {
  icu_keys_ = true;
  std::string keys;
  keys.reserve(keys_.size());
  for (Entry& entry : entries_) {
    const std::string_view key =
        SortKey(std::string_view(lines_).substr(entry.line_offset, entry.line_size));
    entry.key_offset = static_cast<std::uint32_t>(keys.size());
    entry.key_size = static_cast<std::uint32_t>(key.size());
    keys.append(key);
  }
  keys_ = std::move(keys);
}

std::vector<std::uint32_t> SortedLineBatch::Order() const {
  return OrderByKeys(
      entries_.size(), [this](std::size_t n) { return KeyOf(entries_[n]); }, false);
}

}  // namespace brelvik
