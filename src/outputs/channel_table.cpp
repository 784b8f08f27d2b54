// The channel table and its sort order.
#include "outputs/channel_table.h"

#include <algorithm>
#include <memory>

#include <unicode/coll.h>
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

void ChannelTable::Clear() { rows_.clear(); }

std::optional<std::size_t> ChannelTable::LocateCodePrefix(std::string_view code) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (std::string_view(rows_[i].row.code).starts_with(code)) return i;
  }
  return std::nullopt;
}

void ChannelTable::MakeKey(Entry& entry) const {
  if (order_.field == ChannelField::kName) {
    if (entry.name_key.empty() && !entry.row.name.empty()) {
      entry.name_key = CollationKey(entry.row.name);
    }
  } else if (entry.code_key.empty() && !entry.row.code.empty()) {
    entry.code_key = CollationKey(entry.row.code);
  }
}

bool ChannelTable::Before(const Entry& a, const Entry& b) const {
  const bool by_name = order_.field == ChannelField::kName;
  const std::string& ta = by_name ? a.row.name : a.row.code;
  const std::string& tb = by_name ? b.row.name : b.row.code;
  const std::string& ka = by_name ? a.name_key : a.code_key;
  const std::string& kb = by_name ? b.name_key : b.code_key;
  // Empty texts first in ascending order; then collation, then the bytes, so
  // that the order is total and does not depend on the order of insertion
  // beyond truly equal texts.
  int cmp;
  if (ta.empty() || tb.empty()) {
    cmp = static_cast<int>(!ta.empty()) - static_cast<int>(!tb.empty());
  } else {
    cmp = ka.compare(kb);
    if (cmp == 0) cmp = ta.compare(tb);
  }
  return order_.descending ? cmp > 0 : cmp < 0;
}

void ChannelTable::Sort() {
  for (Entry& e : rows_) MakeKey(e);
  std::stable_sort(rows_.begin(), rows_.end(),
                   [this](const Entry& a, const Entry& b) { return Before(a, b); });
}

void ChannelTable::Assign(const ChannelRows& rows) {
  rows_.clear();
  rows_.reserve(rows.size());
  for (const ChannelRow& r : rows) {
    rows_.push_back({{Utf8Truncate(r.name, kNameChars), Utf8Truncate(r.code, kCodeChars)}, {}, {}, {}});
  }
  Sort();
}

std::size_t ChannelTable::Append(std::string_view name, std::string_view code) {
  Entry entry{{Utf8Truncate(name, kNameChars), Utf8Truncate(code, kCodeChars)}, {}, {}, {}};
  MakeKey(entry);
  auto pos = std::upper_bound(rows_.begin(), rows_.end(), entry,
                              [this](const Entry& a, const Entry& b) { return Before(a, b); });
  pos = rows_.insert(pos, std::move(entry));
  return static_cast<std::size_t>(pos - rows_.begin());
}

std::size_t ChannelTable::SetName(std::size_t i, std::string_view name) {
  // Copied first: `name` may view a name of this very row (its provider name,
  // when a rename is undone).
  std::string new_name = Utf8Truncate(name, kNameChars);
  Entry entry = std::move(rows_[i]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
  Rename(entry, std::move(new_name));
  MakeKey(entry);
  auto pos = std::upper_bound(rows_.begin(), rows_.end(), entry,
                              [this](const Entry& a, const Entry& b) { return Before(a, b); });
  pos = rows_.insert(pos, std::move(entry));
  return static_cast<std::size_t>(pos - rows_.begin());
}

void ChannelTable::Rename(Entry& entry, std::string name) {
  if (!entry.provider_name) {
    if (name != entry.row.name) entry.provider_name = std::move(entry.row.name);
  } else if (*entry.provider_name == name) {
    entry.provider_name.reset();
  }
  entry.row.name = std::move(name);
  entry.name_key.clear();
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
    e.name_key.clear();
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
