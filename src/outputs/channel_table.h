// The channel table: rows of channel name and code, kept in a sort order
// (name ascending, empty names first, unless the user re-sorts). Each row also
// remembers the name it was loaded with, whatever edits and renames do later.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/channel_row.h"

namespace brelvik {

enum class ChannelField { kName, kCode };

struct SortOrder {
  ChannelField field = ChannelField::kName;
  bool descending = false;
  bool operator==(const SortOrder&) const = default;
};

// "Name_k", "Kod_k", optionally followed by " ASC" or " DESC".
std::optional<SortOrder> ParseSortOrder(std::string_view text);

// The marker a column title shows.
enum class SortMarker { kNone, kAscending, kDescending };

// A click on a column title sorts by that column in the order the click is
// about to mark: ascending from no marker or the descending one, descending
// from the ascending one.
SortOrder OrderForTitleClick(ChannelField field, SortMarker before);
SortMarker MarkerAfterTitleClick(SortMarker before);

// A row as the table shows it, with the name its provider gave it.
struct ListedChannel {
  ChannelRow row;
  std::string provider_name;
  bool operator==(const ListedChannel&) const = default;
};

using ListedChannels = std::vector<ListedChannel>;

class ChannelTable {
 public:
  static constexpr std::size_t kNameChars = 200;
  static constexpr std::size_t kCodeChars = 20;

  std::size_t Count() const { return rows_.size(); }
  bool Empty() const { return rows_.empty(); }
  // Row i (0-based) in the current order.
  const ChannelRow& Row(std::size_t i) const { return rows_[i]; }
  // The name row i was loaded (assigned or appended) with, cut like any name.
  const std::string& ProviderName(std::size_t i) const {
    return provider_names_[i] ? *provider_names_[i] : rows_[i].name;
  }

  void Clear();

  // Replaces the content with these rows, cut to the field sizes, then sorted:
  // O(N log N).
  void Assign(const ChannelRows& rows);
  void Assign(ChannelRows&& rows);

  // Adds one row at its place in the order; returns its index.
  std::size_t Append(std::string_view name, std::string_view code);

  // Changes the name of row i, keeping its provider name; returns the row's
  // new index.
  std::size_t SetName(std::size_t i, std::string_view name);

  // Renames many rows at once: row i (in the current order) takes names[i]
  // where it is set, keeping its provider name, and further[i] as the other
  // names it stands for (none where `further` is shorter); the table is
  // sorted once.
  void SetNames(const std::vector<std::optional<std::string>>& names,
                const std::vector<std::vector<std::string>>& further = {});
  // The other names row i stands for, as a match to a playlist gave them:
  // further copies of its channel in the playlist, hashed beside its name.
  const std::vector<std::string>& FurtherNames(std::size_t i) const;
  // The rows in the current order, each followed by one row per further
  // name with its code: what the channel-id file hashes.
  ChannelRows HashedRows() const;
  // Gives every row its provider name back and drops the further names;
  // false when nothing changed.
  bool RestoreProviderNames();
  // True when a row shows a name other than its provider name, or has
  // further names.
  bool Renamed() const;

  const SortOrder& Order() const { return order_; }
  void SetOrder(const SortOrder& order);

  // All rows in the current order.
  const ChannelRows& Rows() const { return rows_; }
  // All rows in the current order, each with its provider name.
  ListedChannels Listed() const;

  // The first row, in the current order, whose code begins with `code`
  // (case-sensitive).
  std::optional<std::size_t> LocateCodePrefix(std::string_view code) const;

 private:
  // A row on its own, while it moves.
  struct Entry {
    ChannelRow row;
    std::unique_ptr<std::string> provider_name;
    std::unique_ptr<std::vector<std::string>> further;
  };
  static void Rename(Entry& entry, std::string name);
  static void Rename(ChannelRow& row, std::unique_ptr<std::string>& provider_name,
                     std::string name);
  static const std::string& Field(const ChannelRow& row, ChannelField field) {
    return field == ChannelField::kName ? row.name : row.code;
  }
  // The order of two texts of the sorted field.
  bool Before(std::string_view a, std::string_view b) const;
  std::size_t PlaceFor(std::string_view text) const;
  void Sort();

  Entry TakeAt(std::size_t i);
  void PutAt(std::size_t at, Entry entry);

  ChannelRows rows_;
  // Beside each row: the name it was loaded with, set only while the shown
  // name differs from it, so that a fresh load holds each name once.
  std::vector<std::unique_ptr<std::string>> provider_names_;
  // Beside each row: its further names, set only while it has some.
  std::vector<std::unique_ptr<std::vector<std::string>>> further_;
  SortOrder order_;
};

// Collation key of a text for the table's order (ICU root collation, a fixed
// locale): texts differing only in case sort next to each other.
std::string CollationKey(std::string_view utf8);

}  // namespace brelvik
