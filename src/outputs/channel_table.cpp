// The channel table and its sort order.
#include "outputs/channel_table.h"

#include <unicode/coll.h>
#include <unicode/ucol.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <memory>

#include "outputs/table_collation.h"
#include "support/codepage.h"

namespace brelvik {

namespace {

// ICU's root collation (CLDR, fixed: never the machine's locale settings) at
// tertiary strength: digits, then Latin, then Cyrillic, as lists on Russian
// desktops are usually ordered; letter case decides only between otherwise
// equal names. One collator per thread, as ICU collators are not shared.
const icu::Collator& TableCollator() {
  thread_local std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    c->setStrength(icu::Collator::TERTIARY);
    return c;
  }();
  return *collator;
}

}  // namespace

std::string CollationKey(std::string_view utf8) {
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  const icu::Collator& collator = TableCollator();
  uint8_t small[256];
  int32_t n = collator.getSortKey(text, small, sizeof small);
  if (n <= static_cast<int32_t>(sizeof small)) {
    return std::string(reinterpret_cast<const char*>(small), n > 0 ? n - 1 : 0);
  }
  std::string key(static_cast<std::size_t>(n), '\0');
  collator.getSortKey(text, reinterpret_cast<uint8_t*>(key.data()), n);
  key.pop_back();  // the terminating zero
  return key;
}

std::optional<SortOrder> ParseSortOrder(std::string_view text) {
  SortOrder order;
  std::string_view field = text;
  if (const auto space = text.find(' '); space != std::string_view::npos) {
    field = text.substr(0, space);
    const std::string_view direction = text.substr(space + 1);
    if (direction == "DESC") {
      order.descending = true;
    } else if (direction != "ASC") {
      return std::nullopt;
    }
  }
  if (field == "Name_k") {
    order.field = ChannelField::kName;
  } else if (field == "Kod_k") {
    order.field = ChannelField::kCode;
  } else {
    return std::nullopt;
  }
  return order;
}

SortOrder OrderForTitleClick(ChannelField field, SortMarker before) {
  return {field, before == SortMarker::kAscending};
}

SortMarker MarkerAfterTitleClick(SortMarker before) {
  return before == SortMarker::kAscending ? SortMarker::kDescending : SortMarker::kAscending;
}

std::optional<std::size_t> ChannelTable::LocateCodePrefix(std::string_view code) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (std::string_view(rows_[i].code).starts_with(code)) return i;
  }
  return std::nullopt;
}

namespace {

UCollator* TableUCollator() {
  // The same collation as CollationKey's: the root locale at tertiary strength.
  thread_local UCollator* collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* c = ucol_open("", &status);
    ucol_setStrength(c, UCOL_TERTIARY);
    return c;
  }();
  return collator;
}

// ICU's own key of a text, for tables with a character AppendTableKey leaves
// to ICU; the same order, so the two kinds are never mixed in one sort.
void AppendIcuKey(std::string_view utf8, std::string& out) {
  thread_local std::vector<UChar> buffer(256);
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(buffer.data(), static_cast<int32_t>(buffer.size()), &length, utf8.data(),
                       static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    buffer.resize(static_cast<std::size_t>(length) + 1);
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(buffer.data(), static_cast<int32_t>(buffer.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  }
  const std::size_t at = out.size();
  std::size_t room = 64 + 4 * static_cast<std::size_t>(length);
  while (true) {
    out.resize(at + room);
    const int32_t n =
        ucol_getSortKey(TableUCollator(), buffer.data(), length,
                        reinterpret_cast<uint8_t*>(out.data() + at), static_cast<int32_t>(room));
    if (n <= static_cast<int32_t>(room)) {
      out.resize(at + (n > 0 ? static_cast<std::size_t>(n) - 1 : 0));
      return;
    }
    room = static_cast<std::size_t>(n);
  }
}

}  // namespace

namespace {

// The full collation comparison of two texts: -1, 0 or 1.
int Collate(std::string_view a, std::string_view b) {
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      ucol_strcollUTF8(TableUCollator(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                       static_cast<int32_t>(b.size()), &status);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

}  // namespace

bool ChannelTable::Before(std::string_view ta, std::string_view tb) const {
  // Empty texts first in ascending order; then collation, then the bytes, so
  // that the order is total and does not depend on the order of insertion
  // beyond truly equal texts.
  int cmp;
  if (ta.empty() || tb.empty()) {
    cmp = static_cast<int>(!ta.empty()) - static_cast<int>(!tb.empty());
  } else {
    cmp = Collate(ta, tb);
    if (cmp == 0) cmp = ta.compare(tb);
  }
  return order_.descending ? cmp > 0 : cmp < 0;
}

std::size_t ChannelTable::PlaceFor(std::string_view text) const {
  // After every row equal to it: a binary search costs log N keys.
  std::size_t low = 0, high = rows_.size();
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (Before(text, Field(rows_[mid], order_.field))) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

namespace {

// A row while the table sorts: eight bytes of its key and where it stands.
struct SortHandle {
  std::uint64_t chunk;
  std::uint32_t row;
  bool empty;
};

struct SortBuffers {
  std::string arena;
  std::vector<std::uint32_t> offsets;
  std::vector<SortHandle> handles, empty, scratch;
};

}  // namespace

void ChannelTable::Sort() {
  const ChannelField field = order_.field;
  const bool descending = order_.descending;
  const std::size_t n = rows_.size();
  // Every row's key, made once, end to end in one arena. The work buffers
  // stay with the thread, so that sorting again (a click on a column title)
  // reuses their memory.
  thread_local SortBuffers buffers;
  std::string& arena = buffers.arena;
  arena.clear();
  std::size_t text_bytes = 0;
  for (const ChannelRow& row : rows_) text_bytes += Field(row, field).size();
  arena.reserve(text_bytes + 64);
  std::vector<std::uint32_t>& offsets = buffers.offsets;
  offsets.assign(n + 1, 0);
  // Primary keys from the element table where every text allows; ICU's
  // whole keys otherwise, never the two kinds in one sort.
  bool primary_keys = true;
  for (std::size_t i = 0; i < n; ++i) {
    offsets[i] = static_cast<std::uint32_t>(arena.size());
    const std::string& text = Field(rows_[i], field);
    if (!text.empty() && !AppendPrimaryKey(text, arena)) {
      primary_keys = false;
      break;
    }
  }
  if (!primary_keys) {
    arena.clear();
    for (std::size_t i = 0; i < n; ++i) {
      offsets[i] = static_cast<std::uint32_t>(arena.size());
      const std::string& text = Field(rows_[i], field);
      if (!text.empty()) AppendIcuKey(text, arena);
    }
  }
  offsets[n] = static_cast<std::uint32_t>(arena.size());
  // Small handles rather than the rows are sorted: by the keys' first eight
  // bytes as an integer, then, only within runs that tie, by the next eight,
  // and so on; keys that tie to their ends are ordered by full collation and
  // then by their bytes. Every sort is stable, as the table's order must be;
  // each row then moves once.
  using Handle = SortHandle;
  const auto chunk_at = [&](std::uint32_t row, std::uint32_t depth) {
    const std::uint32_t begin = offsets[row] + 8 * depth;
    const std::uint32_t end = offsets[row + 1];
    std::uint64_t chunk = 0;
    for (std::uint32_t k = 0; k < 8; ++k) {
      chunk = (chunk << 8) | (begin + k < end ? static_cast<unsigned char>(arena[begin + k]) : 0u);
    }
    return chunk;
  };
  // Empty texts first in ascending order, last in descending; the rest by
  // chunks. Long stretches are sorted by radix, a byte a pass, which stays
  // linear however long the list; short ones by comparison.
  std::vector<Handle>& handles = buffers.handles;
  std::vector<Handle>& empty = buffers.empty;
  handles.clear();
  empty.clear();
  handles.reserve(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (Field(rows_[i], field).empty()) {
      empty.push_back({0, i, true});
    } else {
      handles.push_back({chunk_at(i, 0), i, false});
    }
  }
  const auto by_chunk = [descending](const Handle& a, const Handle& b) {
    return descending ? a.chunk > b.chunk : a.chunk < b.chunk;
  };
  std::vector<Handle>& scratch = buffers.scratch;
  const auto sort_by_chunk = [&](std::vector<Handle>::iterator first,
                                 std::vector<Handle>::iterator last) {
    const std::size_t size = static_cast<std::size_t>(last - first);
    if (size < 256) {
      std::stable_sort(first, last, by_chunk);
      return;
    }
    std::vector<std::array<std::uint32_t, 256>> counts(8);
    for (auto& c : counts) c.fill(0);
    for (auto it = first; it != last; ++it) {
      for (int b = 0; b < 8; ++b) ++counts[b][(it->chunk >> (8 * b)) & 0xFF];
    }
    scratch.resize(size);
    auto* from = &*first;
    Handle* to = scratch.data();
    bool in_scratch = false;
    for (int b = 0; b < 8; ++b) {
      auto& count = counts[b];
      if (std::any_of(count.begin(), count.end(), [size](std::uint32_t c) { return c == size; })) {
        continue;  // every key has the same byte here
      }
      std::array<std::uint32_t, 256> place{};
      std::uint32_t at = 0;
      for (int k = 0; k < 256; ++k) {
        const int digit = descending ? 255 - k : k;
        place[digit] = at;
        at += count[digit];
      }
      for (std::size_t i = 0; i < size; ++i) {
        to[place[(from[i].chunk >> (8 * b)) & 0xFF]++] = from[i];
      }
      std::swap(from, to);
      in_scratch = !in_scratch;
    }
    if (in_scratch) std::copy(scratch.begin(), scratch.end(), first);
  };
  sort_by_chunk(handles.begin(), handles.end());
  if (!descending)
    handles.insert(handles.begin(), empty.begin(), empty.end());
  else
    handles.insert(handles.end(), empty.begin(), empty.end());
  struct Run {
    std::size_t begin, end;
    std::uint32_t depth;
  };
  std::vector<Run> runs;
  const auto find_runs = [&](std::size_t begin, std::size_t end, std::uint32_t depth) {
    for (std::size_t start = begin; start < end;) {
      std::size_t stop = start + 1;
      while (stop < end && handles[stop].chunk == handles[start].chunk &&
             handles[stop].empty == handles[start].empty) {
        ++stop;
      }
      if (stop - start > 1 && !handles[start].empty) runs.push_back({start, stop, depth});
      start = stop;
    }
  };
  find_runs(0, n, 0);
  while (!runs.empty()) {
    const Run run = runs.back();
    runs.pop_back();
    const auto first = handles.begin() + static_cast<std::ptrdiff_t>(run.begin);
    const auto last = handles.begin() + static_cast<std::ptrdiff_t>(run.end);
    bool longer = false;
    for (auto it = first; it != last; ++it) {
      longer = longer || offsets[it->row + 1] - offsets[it->row] > 8 * (run.depth + 1);
    }
    if (longer) {
      for (auto it = first; it != last; ++it) it->chunk = chunk_at(it->row, run.depth + 1);
      sort_by_chunk(first, last);
      find_runs(run.begin, run.end, run.depth + 1);
      continue;
    }
    std::stable_sort(first, last, [&](const Handle& a, const Handle& b) {
      const std::string& ta = Field(rows_[a.row], field);
      const std::string& tb = Field(rows_[b.row], field);
      int cmp = primary_keys ? Collate(ta, tb) : 0;
      if (cmp == 0) cmp = ta.compare(tb);
      return descending ? cmp > 0 : cmp < 0;
    });
  }
  // Rows to their places, following the permutation's cycles: no second
  // copy of the table is ever held. A handle's row becomes its own index
  // once placed.
  std::vector<std::uint32_t>& order = buffers.offsets;
  order.resize(n);
  for (std::uint32_t i = 0; i < n; ++i) order[i] = handles[i].row;
  for (std::size_t start = 0; start < n; ++start) {
    if (order[start] == start) continue;
    ChannelRow held = std::move(rows_[start]);
    std::unique_ptr<std::string> held_name = std::move(provider_names_[start]);
    std::unique_ptr<std::vector<std::string>> held_further = std::move(further_[start]);
    std::size_t at = start;
    while (true) {
      const std::size_t from = order[at];
      order[at] = static_cast<std::uint32_t>(at);
      if (from == start) {
        rows_[at] = std::move(held);
        provider_names_[at] = std::move(held_name);
        further_[at] = std::move(held_further);
        break;
      }
      // The rows a cycle visits lie anywhere in memory: ask for the next
      // two ahead while this one moves.
      const std::size_t next = order[from];
      __builtin_prefetch(&rows_[next]);
      __builtin_prefetch(&rows_[order[next]]);
      rows_[at] = std::move(rows_[from]);
      provider_names_[at] = std::move(provider_names_[from]);
      further_[at] = std::move(further_[from]);
      at = from;
    }
  }
}

void ChannelTable::Clear() {
  rows_.clear();
  provider_names_.clear();
  further_.clear();
}

ChannelTable::Entry ChannelTable::TakeAt(std::size_t i) {
  Entry entry{std::move(rows_[i]), std::move(provider_names_[i]), std::move(further_[i])};
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  provider_names_.erase(provider_names_.begin() + static_cast<std::ptrdiff_t>(i));
  further_.erase(further_.begin() + static_cast<std::ptrdiff_t>(i));
  return entry;
}

void ChannelTable::PutAt(std::size_t at, Entry entry) {
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry.row));
  provider_names_.insert(provider_names_.begin() + static_cast<std::ptrdiff_t>(at),
                         std::move(entry.provider_name));
  further_.insert(further_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry.further));
}

void ChannelTable::Assign(const ChannelRows& rows) { Assign(ChannelRows(rows)); }

void ChannelTable::Assign(ChannelRows&& rows) {
  Clear();
  rows_ = std::move(rows);
  rows.clear();
  for (ChannelRow& r : rows_) {
    // A text of no more bytes than the limit has no more characters either.
    if (r.name.size() > kNameChars) r.name = Utf8Truncate(r.name, kNameChars);
    if (r.code.size() > kCodeChars) r.code = Utf8Truncate(r.code, kCodeChars);
  }
  provider_names_.resize(rows_.size());
  further_.resize(rows_.size());
  Sort();
}

std::size_t ChannelTable::Append(std::string_view name, std::string_view code) {
  Entry entry{{Utf8Truncate(name, kNameChars), Utf8Truncate(code, kCodeChars)}, nullptr, nullptr};
  const std::size_t at = PlaceFor(Field(entry.row, order_.field));
  PutAt(at, std::move(entry));
  return at;
}

std::size_t ChannelTable::SetName(std::size_t i, std::string_view name) {
  // Copied first: `name` may view a name of this very row (its provider name,
  // when a rename is undone).
  std::string new_name = Utf8Truncate(name, kNameChars);
  Entry entry = TakeAt(i);
  Rename(entry, std::move(new_name));
  const std::size_t at = PlaceFor(Field(entry.row, order_.field));
  PutAt(at, std::move(entry));
  return at;
}

void ChannelTable::Rename(Entry& entry, std::string name) {
  Rename(entry.row, entry.provider_name, std::move(name));
}

void ChannelTable::Rename(ChannelRow& row, std::unique_ptr<std::string>& provider_name,
                          std::string name) {
  if (!provider_name) {
    if (name != row.name) provider_name = std::make_unique<std::string>(std::move(row.name));
  } else if (*provider_name == name) {
    provider_name.reset();
  }
  row.name = std::move(name);
}

void ChannelTable::SetNames(const std::vector<std::optional<std::string>>& names,
                            const std::vector<std::vector<std::string>>& further) {
  for (std::size_t i = 0; i < rows_.size() && i < names.size(); ++i) {
    if (names[i]) Rename(rows_[i], provider_names_[i], Utf8Truncate(*names[i], kNameChars));
  }
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (i < further.size() && !further[i].empty()) {
      auto cut = std::make_unique<std::vector<std::string>>();
      for (const std::string& name : further[i]) cut->push_back(Utf8Truncate(name, kNameChars));
      further_[i] = std::move(cut);
    } else {
      further_[i].reset();
    }
  }
  Sort();
}

const std::vector<std::string>& ChannelTable::FurtherNames(std::size_t i) const {
  static const std::vector<std::string> kNone;
  return further_[i] ? *further_[i] : kNone;
}

ChannelRows ChannelTable::HashedRows() const {
  ChannelRows out;
  out.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    out.push_back(rows_[i]);
    if (!further_[i]) continue;
    for (const std::string& name : *further_[i]) out.push_back({name, rows_[i].code});
  }
  return out;
}

bool ChannelTable::RestoreProviderNames() {
  bool changed = false;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (further_[i]) {
      further_[i].reset();
      changed = true;
    }
    if (!provider_names_[i]) continue;
    rows_[i].name = std::move(*provider_names_[i]);
    provider_names_[i].reset();
    changed = true;
  }
  if (changed) Sort();
  return changed;
}

bool ChannelTable::Renamed() const {
  return std::any_of(provider_names_.begin(), provider_names_.end(),
                     [](const std::unique_ptr<std::string>& name) { return name != nullptr; }) ||
         std::any_of(further_.begin(), further_.end(),
                     [](const auto& names) { return names != nullptr; });
}

void ChannelTable::SetOrder(const SortOrder& order) {
  order_ = order;
  Sort();
}

ListedChannels ChannelTable::Listed() const {
  ListedChannels listed;
  listed.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) listed.push_back({rows_[i], ProviderName(i)});
  return listed;
}

}  // namespace brelvik
