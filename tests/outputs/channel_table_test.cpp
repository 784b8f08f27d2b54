// The channel table: field sizes, order, edits and re-sorting.
#include <gtest/gtest.h>

#include "outputs/channel_table.h"

#include <algorithm>
#include <random>

namespace brelvik {
namespace {

std::vector<std::string> Names(const ChannelTable& table) {
  std::vector<std::string> names;
  for (const ChannelRow& row : table.Rows()) names.push_back(row.name);
  return names;
}

TEST(ChannelTable, KeepsNamesInOrderWithEmptyNamesFirst) {
  ChannelTable table;
  table.Assign({{"Россия 1", "2"}, {"", "x"}, {"bbc", "3"}, {"Первый", "1"}, {"BBC", "4"},
                {"10 канал", "5"}, {"Ёлки", "6"}, {"Елка", "7"}, {"", "y"}, {"Amedia", "8"}});
  EXPECT_EQ(Names(table), (std::vector<std::string>{"", "", "10 канал", "Amedia", "bbc", "BBC",
                                                     "Елка", "Ёлки", "Первый", "Россия 1"}));
  // Empty names keep the order they came in.
  EXPECT_EQ(table.Row(0).code, "x");
  EXPECT_EQ(table.Row(1).code, "y");
  // Appending and renaming put the row at its place.
  EXPECT_EQ(table.Append("Zee TV", "9"), 6u);
  const std::size_t moved = table.SetName(2, "Ю ТВ");
  EXPECT_EQ(table.Row(moved).name, "Ю ТВ");
  EXPECT_EQ(moved, table.Count() - 1);
}

TEST(ChannelTable, CutsFieldsOnCharacterBoundaries) {
  ChannelTable table;
  std::string long_name;
  for (int i = 0; i < 150; ++i) long_name += "Жx";  // 300 characters, 450 bytes
  table.Assign({{long_name, "12345678901234567890123"}, {"a", "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"}});
  const ChannelRow& first = table.Row(0).name == "a" ? table.Row(1) : table.Row(0);
  const ChannelRow& second = table.Row(0).name == "a" ? table.Row(0) : table.Row(1);
  EXPECT_EQ(first.name, long_name.substr(0, 300));  // 100 pairs = 200 characters
  EXPECT_EQ(first.code, "12345678901234567890");
  EXPECT_EQ(second.code, std::string("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"));  // 20 characters
}

TEST(ChannelTable, SortOrdersParseAndApply) {
  EXPECT_EQ(ParseSortOrder("Name_k"), (SortOrder{ChannelField::kName, false}));
  EXPECT_EQ(ParseSortOrder("Kod_k DESC"), (SortOrder{ChannelField::kCode, true}));
  EXPECT_EQ(ParseSortOrder("Kod_k ASC"), (SortOrder{ChannelField::kCode, false}));
  EXPECT_EQ(ParseSortOrder("Kod_k down"), std::nullopt);
  EXPECT_EQ(ParseSortOrder("Other"), std::nullopt);

  ChannelTable table;
  table.Assign({{"b", "10"}, {"a", "9"}, {"c", "100"}, {"d", ""}});
  table.SetOrder({ChannelField::kCode, false});
  // Codes compare as text.
  EXPECT_EQ(Names(table), (std::vector<std::string>{"d", "b", "c", "a"}));
  table.SetOrder({ChannelField::kCode, true});
  EXPECT_EQ(Names(table), (std::vector<std::string>{"a", "c", "b", "d"}));
  table.SetOrder({ChannelField::kName, true});
  EXPECT_EQ(Names(table), (std::vector<std::string>{"d", "c", "b", "a"}));
  table.Clear();
  EXPECT_TRUE(table.Empty());
}

TEST(ChannelTable, TitleClicksCycleAndTheCursorFollowsTheCode) {
  // After a load the name column is marked ascending: its first click sorts descending.
  EXPECT_EQ(OrderForTitleClick(ChannelField::kName, SortMarker::kAscending),
            (SortOrder{ChannelField::kName, true}));
  EXPECT_EQ(MarkerAfterTitleClick(SortMarker::kAscending), SortMarker::kDescending);
  EXPECT_EQ(OrderForTitleClick(ChannelField::kCode, SortMarker::kNone),
            (SortOrder{ChannelField::kCode, false}));
  EXPECT_EQ(MarkerAfterTitleClick(SortMarker::kNone), SortMarker::kAscending);
  EXPECT_EQ(OrderForTitleClick(ChannelField::kCode, SortMarker::kDescending),
            (SortOrder{ChannelField::kCode, false}));
  EXPECT_EQ(MarkerAfterTitleClick(SortMarker::kDescending), SortMarker::kAscending);

  ChannelTable table;
  table.Assign({{"b", "10"}, {"a", "9"}, {"c", "100"}});
  EXPECT_EQ(table.LocateCodePrefix("10"), 1u);  // "b" (10) comes before "c" (100)
  table.SetOrder({ChannelField::kCode, true});
  EXPECT_EQ(table.LocateCodePrefix("10"), 1u);  // now 9, 100, 10: the first starting with 10
  EXPECT_EQ(table.LocateCodePrefix("9"), 0u);
  EXPECT_EQ(table.LocateCodePrefix("x"), std::nullopt);
  EXPECT_EQ(table.LocateCodePrefix(""), 0u);
}

// The name a row was loaded with stays beside the one it shows through
// renames, re-sorts and a rename back, which forgets the difference.
TEST(ChannelTable, EveryRowKeepsItsProviderName) {
  ChannelTable table;
  table.Assign({{"Первый", "1"}, {"НТВ", "4"}, {std::string(250, 'x'), "9"}});
  table.Append("Zee", "7");
  const auto provider_of = [&table](std::string_view code) {
    for (const ListedChannel& c : table.Listed()) {
      if (c.row.code == code) return std::pair{c.row.name, c.provider_name};
    }
    return std::pair<std::string, std::string>{};
  };
  EXPECT_EQ(provider_of("9").second, std::string(200, 'x'));  // cut like the name
  EXPECT_EQ(provider_of("7"), (std::pair<std::string, std::string>{"Zee", "Zee"}));

  std::size_t at = table.SetName(*table.LocateCodePrefix("1"), "Channel One");
  EXPECT_EQ(table.ProviderName(at), "Первый");
  at = table.SetName(at, "Channel 1");
  EXPECT_EQ(table.ProviderName(at), "Первый");
  table.SetOrder({ChannelField::kCode, true});
  table.SetOrder({ChannelField::kName, false});
  EXPECT_EQ(provider_of("1"), (std::pair<std::string, std::string>{"Channel 1", "Первый"}));
  EXPECT_EQ(provider_of("4"), (std::pair<std::string, std::string>{"НТВ", "НТВ"}));

  // Restoring from the provider name itself, then renaming again.
  at = *table.LocateCodePrefix("1");
  at = table.SetName(at, table.ProviderName(at));
  EXPECT_EQ(table.Row(at).name, "Первый");
  at = table.SetName(at, "Один");
  EXPECT_EQ(table.ProviderName(at), "Первый");

  table.Assign({{"A", "1"}});
  EXPECT_EQ(table.ProviderName(0), "A");
}

TEST(ChannelTable, RenamesManyRowsAtOnceAndRestoresTheProviderNames) {
  ChannelTable table;
  table.Assign({{"Б", "1"}, {"А", "2"}, {"В", "3"}});
  table.SetNames({std::nullopt, std::string("Я"), std::nullopt});  // "Б" becomes "Я"
  EXPECT_EQ(Names(table), (std::vector<std::string>{"А", "В", "Я"}));
  EXPECT_EQ(table.ProviderName(2), "Б");
  EXPECT_TRUE(table.Renamed());
  EXPECT_TRUE(table.RestoreProviderNames());
  EXPECT_EQ(Names(table), (std::vector<std::string>{"А", "Б", "В"}));
  EXPECT_FALSE(table.Renamed());
  EXPECT_FALSE(table.RestoreProviderNames());
}

// The order as collation keys of whole texts and a stable sort give it.
ChannelRows ReferenceOrder(ChannelRows rows, const SortOrder& order) {
  const auto text = [&](const ChannelRow& r) -> const std::string& {
    return order.field == ChannelField::kName ? r.name : r.code;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const ChannelRow& a, const ChannelRow& b) {
    const std::string &ta = text(a), &tb = text(b);
    int cmp;
    if (ta.empty() || tb.empty()) {
      cmp = static_cast<int>(!ta.empty()) - static_cast<int>(!tb.empty());
    } else {
      cmp = CollationKey(ta).compare(CollationKey(tb));
      if (cmp == 0) cmp = ta.compare(tb);
    }
    return order.descending ? cmp > 0 : cmp < 0;
  });
  return rows;
}

TEST(ChannelTable, KeepsTheCollationOrderThroughEveryChange) {
  const char* words[] = {"", "Россия", "россия", "РОССИЯ", "Ёлки", "Елки", "bbc", "BBC", "10",
                         "2", "Amedia", "Zee", "ТВ 3", "ТВ-3", "ТВ3", "Ю"};
  std::mt19937 random(3);
  ChannelRows rows;
  for (int i = 0; i < 400; ++i) {
    rows.push_back({std::string(words[random() % 16]) + (random() % 3 ? "" : " 1"),
                    std::to_string(random() % 50)});
  }
  ChannelTable table;
  table.Assign(rows);
  EXPECT_EQ(table.Rows(), ReferenceOrder(rows, {}));
  for (const SortOrder order : {SortOrder{ChannelField::kCode, false}, SortOrder{ChannelField::kName, true},
                                SortOrder{ChannelField::kCode, true}, SortOrder{}}) {
    const ChannelRows before = table.Rows();  // equal texts keep this order
    table.SetOrder(order);
    EXPECT_EQ(table.Rows(), ReferenceOrder(before, order));
  }
  // Renames and appends land where a full sort would put them.
  for (int i = 0; i < 200; ++i) {
    const std::size_t at = random() % table.Count();
    if (i % 2) {
      table.SetName(at, words[random() % 16]);
    } else {
      table.Append(words[random() % 16], std::to_string(i));
    }
    ASSERT_EQ(table.Rows(), ReferenceOrder(table.Rows(), table.Order())) << i;
  }
}

TEST(ChannelTable, SortsRandomTextsAsIcuCollationDoes) {
  // Letters of the scripts channel names use, accents, case pairs, digits,
  // signs, the "l·l" contraction, and a Greek letter that sends the whole
  // table through ICU's own keys.
  const std::vector<std::string> alphabet = {
      "a", "A", "b", "B", "c", "C", "l", "L", "·", "z", "é", "É", "ß", "ü", "0", "1", "9", " ",
      "-", "!", "+", ".", "'", "\"", "«", "»", "№", "°", "–", "а", "А", "б", "е", "Е", "ё", "Ё",
      "й", "и", "ь", "ъ", "я", "Я", "і", "ї", "є", "ґ", "қ", "ә", "ў", "&", "(", "_"};
  std::mt19937 random(11);
  for (const bool greek : {false, true}) {
    ChannelRows rows;
    for (int i = 0; i < 3000; ++i) {
      std::string name;
      const int length = 1 + static_cast<int>(random() % 12);
      for (int k = 0; k < length; ++k) name += alphabet[random() % alphabet.size()];
      if (i % 5 == 0 && !rows.empty()) name = rows[random() % rows.size()].name + name.substr(0, 1);
      rows.push_back({name, std::to_string(i)});
    }
    if (greek) rows.push_back({"Ω", "x"});
    for (const char* contracted : {"l·a", "la", "l·", "l-a", "lb", "L·z", "l.a", "Lz"}) {
      rows.push_back({contracted, "c"});
    }
    ChannelTable table;
    table.Assign(rows);
    EXPECT_EQ(table.Rows(), ReferenceOrder(rows, {})) << greek;
    table.SetOrder({ChannelField::kName, true});
    EXPECT_EQ(table.Rows(), ReferenceOrder(ReferenceOrder(rows, {}), {ChannelField::kName, true}));
  }
}

}  // namespace
}  // namespace brelvik
