// The match as the window's table shows it: one line per provider row with
// its playlist name, score, status and reason, and the proxy that filters
// and sorts it.
#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "matching/matcher.h"
#include "support/ui_texts.h"

namespace brelvik {

class MatchModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kProviderName, kCode, kPlaylistName, kAlso, kScore, kStatus, kReason, kColumns };
  // The key the proxy sorts by: numbers for the score, the status's rank.
  static constexpr int kSortRole = Qt::UserRole + 1;

  explicit MatchModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void SetLanguage(Language language);
  void Assign(ChannelRows rows, MatchRun run);
  void Clear();
  // Brings the table up to date after the run was changed from outside.
  void RunChanged();

  const ChannelRows& Rows() const { return rows_; }
  const MatchRun& Run() const { return run_; }
  MatchRun& MutableRun() { return run_; }
  // The playlist's distinct names, sorted for the drop-down.
  const QStringList& SortedNames() const { return sorted_names_; }

  // The user's decision on a row, recorded as theirs. A name another row
  // holds is given to this row only when the question set with
  // SetGiveQuestion answers yes (always, when none is set); returns whether
  // the decision was made.
  bool Decide(int row, std::optional<std::size_t> name);
  // Asked before a decision takes a name `holder` holds for row `row`.
  void SetGiveQuestion(std::function<bool(int row, std::size_t name, int holder)> ask) {
    give_question_ = std::move(ask);
  }
  // The user's decisions on a row's further names.
  void Attach(int row, std::size_t name);
  void Detach(int row, std::size_t name);
  // The whole run replaced, as an undo does.
  void Restore(MatchRun run);
  // The row's names and code, folded for the Find field.
  const QString& SearchText(int row) const;

  // The playlist name a text typed or picked in the drop-down stands for:
  // the name itself (in any case), else the only name containing it. Empty
  // text and the drop-down's "no match" item give nullopt in `name`; a text
  // naming nothing gives false.
  bool ResolveName(const QString& text, std::optional<std::size_t>& name) const;

 signals:
  // A row was decided in its drop-down.
  void Picked(int row);

 private:
  QString StatusText(const RowMatch& match) const;
  const QString& ReasonOf(int row) const;
  QString AlsoHint(const RowMatch& match) const;
  void Changed();

  Language language_ = Language::kRu;
  ChannelRows rows_;
  MatchRun run_;
  QStringList sorted_names_;
  mutable std::vector<std::optional<QString>> reasons_;
  mutable std::vector<std::optional<QString>> search_texts_;
  std::function<bool(int, std::size_t, int)> give_question_;
};

// Which rows the table shows.
// Which rows the table shows; the user's own decisions are a kind of their own.
enum class MatchFilter { kAll, kReview, kNone, kExact, kAuto, kYours };

class MatchFilterModel : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit MatchFilterModel(QObject* parent = nullptr);
  void SetFilter(MatchFilter filter);
  // Rows whose provider name, code or playlist name contain the text, in any case.
  void SetSearch(const QString& text);

 protected:
  bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;
  // Numbers as numbers, texts in the order of the main grid with the numbers
  // in them as numbers too ("Россия 2" before "Россия 24").
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  QCollator collator_;
  MatchFilter filter_ = MatchFilter::kAll;
  QString search_;
};

}  // namespace brelvik
