// The channel table and its sort order.
#include "outputs/channel_table.h"

#include <algorithm>
#include <memory>

#include <unicode/coll.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/unistr.h>

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
    std::unique_ptr<icu::Collator> c(
        icu::Collator::createInstance(icu::Locale::getRoot(), status));
    c->setStrength(icu::Collator::TERTIARY);
    return c;
  }();
  return *collator;
}

}  // namespace

std::string CollationKey(std::string_view utf8) {
  const icu::UnicodeString text =
      icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
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
    if (std::string_view(rows_[i].row.code).starts_with(code)) return i;
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

// The next eight bytes of a text's sort key, big-endian in an integer and
// zero after the key's end, made by ICU straight from the UTF-8 text and
// continued from `state` (zero for the first). Keys compare as these chunks
// do, chunk by chunk; most names differ within their first chunk, a few
// letters' work. `ended` tells that the key ended within this chunk.
std::uint64_t NextKeyChunk(std::string_view utf8, std::uint32_t state[2], bool& ended) {
  UCharIterator iterator;
  uiter_setUTF8(&iterator, utf8.data(), static_cast<int32_t>(utf8.size()));
  uint8_t bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucol_nextSortKeyPart(TableUCollator(), &iterator, state, bytes, 8, &status);
  ended = U_FAILURE(status) || n < 8;
  std::uint64_t chunk = 0;
  for (const uint8_t b : bytes) chunk = (chunk << 8) | b;
  return chunk;
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
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(TableUCollator(), ta.data(),
                                                static_cast<int32_t>(ta.size()), tb.data(),
                                                static_cast<int32_t>(tb.size()), &status);
    cmp = r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
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

void ChannelTable::Sort() {
  const ChannelField field = order_.field;
  const bool descending = order_.descending;
  // Small handles rather than the rows are sorted, by their keys chunk by
  // chunk: first by each key's first eight bytes, then, only within runs that
  // tie, by the next eight, and so on. Every sort is stable, as the table's
  // order must be; each row is moved once at the end.
  struct Handle {
    std::uint64_t chunk;
    std::uint32_t row;
    std::uint32_t state[2];
    bool ended;
  };
  std::vector<Handle> empty, handles;
  handles.reserve(rows_.size());
  for (std::uint32_t i = 0; i < rows_.size(); ++i) {
    Handle h{0, i, {0, 0}, true};
    const std::string& text = Field(rows_[i], field);
    if (text.empty()) {
      empty.push_back(h);
      continue;
    }
    h.chunk = NextKeyChunk(text, h.state, h.ended);
    handles.push_back(h);
  }
  const auto by_chunk = [descending](const Handle& a, const Handle& b) {
    return descending ? a.chunk > b.chunk : a.chunk < b.chunk;
  };
  std::stable_sort(handles.begin(), handles.end(), by_chunk);
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  const auto find_runs = [&](std::size_t from, std::size_t to) {
    for (std::size_t start = from; start < to;) {
      std::size_t end = start + 1;
      while (end < to && handles[end].chunk == handles[start].chunk) ++end;
      if (end - start > 1) runs.emplace_back(start, end);
      start = end;
    }
  };
  find_runs(0, handles.size());
  while (!runs.empty()) {
    const auto [start, end] = runs.back();
    runs.pop_back();
    const auto first = handles.begin() + static_cast<std::ptrdiff_t>(start);
    const auto last = handles.begin() + static_cast<std::ptrdiff_t>(end);
    if (first->ended) {
      // Equal keys: the bytes decide.
      std::stable_sort(first, last, [&](const Handle& a, const Handle& b) {
        const int cmp = Field(rows_[a.row], field).compare(Field(rows_[b.row], field));
        return descending ? cmp > 0 : cmp < 0;
      });
      continue;
    }
    for (auto it = first; it != last; ++it) {
      it->chunk = NextKeyChunk(Field(rows_[it->row], field), it->state, it->ended);
    }
    std::stable_sort(first, last, by_chunk);
    find_runs(start, end);
  }
  std::vector<Entry> sorted;
  sorted.reserve(rows_.size());
  // Empty texts first in ascending order, last in descending.
  if (!descending) {
    for (const Handle& h : empty) sorted.push_back(std::move(rows_[h.row]));
  }
  for (const Handle& h : handles) sorted.push_back(std::move(rows_[h.row]));
  if (descending) {
    for (const Handle& h : empty) sorted.push_back(std::move(rows_[h.row]));
  }
  rows_ = std::move(sorted);
}

void ChannelTable::Clear() { rows_.clear(); }

void ChannelTable::Assign(const ChannelRows& rows) { Assign(ChannelRows(rows)); }

void ChannelTable::Assign(ChannelRows&& rows) {
  Clear();
  rows_.reserve(rows.size());
  for (ChannelRow& r : rows) {
    // A text of no more bytes than the limit has no more characters either.
    if (r.name.size() > kNameChars) r.name = Utf8Truncate(r.name, kNameChars);
    if (r.code.size() > kCodeChars) r.code = Utf8Truncate(r.code, kCodeChars);
    rows_.push_back({std::move(r), {}});
  }
  rows.clear();
  Sort();
}

std::size_t ChannelTable::Append(std::string_view name, std::string_view code) {
  Entry entry{{Utf8Truncate(name, kNameChars), Utf8Truncate(code, kCodeChars)}, {}};
  const std::size_t at = PlaceFor(Field(entry, order_.field));
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
  return at;
}

std::size_t ChannelTable::SetName(std::size_t i, std::string_view name) {
  // Copied first: `name` may view a name of this very row (its provider name,
  // when a rename is undone).
  std::string new_name = Utf8Truncate(name, kNameChars);
  Entry entry = std::move(rows_[i]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  Rename(entry, std::move(new_name));
  const std::size_t at = PlaceFor(Field(entry, order_.field));
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
  return at;
}

void ChannelTable::Rename(Entry& entry, std::string name) {
  if (!entry.provider_name) {
    if (name != entry.row.name) entry.provider_name = std::move(entry.row.name);
  } else if (*entry.provider_name == name) {
    entry.provider_name.reset();
  }
  entry.row.name = std::move(name);
}

void ChannelTable::SetNames(const std::vector<std::optional<std::string>>& names) {
  for (std::size_t i = 0; i < rows_.size() && i < names.size(); ++i) {
    if (names[i]) Rename(rows_[i], Utf8Truncate(*names[i], kNameChars));
  }
  Sort();
}

bool ChannelTable::RestoreProviderNames() {
  bool changed = false;
  for (Entry& e : rows_) {
    if (!e.provider_name) continue;
    e.row.name = std::move(*e.provider_name);
    e.provider_name.reset();
    changed = true;
  }
  if (changed) Sort();
  return changed;
}

bool ChannelTable::Renamed() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const Entry& e) { return e.provider_name.has_value(); });
}

void ChannelTable::SetOrder(const SortOrder& order) {
  order_ = order;
  Sort();
}

ChannelRows ChannelTable::Rows() const {
  ChannelRows rows;
  rows.reserve(rows_.size());
  for (const Entry& e : rows_) rows.push_back(e.row);
  return rows;
}

ListedChannels ChannelTable::Listed() const {
  ListedChannels listed;
  listed.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) listed.push_back({rows_[i].row, ProviderName(i)});
  return listed;
}

}  // namespace brelvik
