// The channel table as the grid sees it: name column left-aligned and
// editable once editing is on, code column right-aligned and read-only.
#pragma once

#include <QAbstractTableModel>

#include "matching/matcher.h"
#include "outputs/channel_table.h"
#include "support/ui_texts.h"

namespace brelvik {

class ChannelModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ChannelModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const ChannelTable& Table() const { return table_; }
  void Clear();
  void Assign(const ChannelRows& rows);
  // Takes a table made elsewhere in; no sorting on this thread.
  void TakeTable(ChannelTable&& table);
  void SetEditable(bool editable) { editable_ = editable; }
  bool Editable() const { return editable_; }
  void SetColumnTitles(const QString& name, const QString& code);
  void SetOrder(const SortOrder& order);
  // Renames the rows `run` accepted, the run made on the rows in their
  // present order; the table keeps its order rules.
  void ApplyMatches(const MatchRun& run);
  bool RestoreProviderNames();

 signals:
  // An edited name was stored and its row now stands at `row`.
  void NamePosted(int row);

 private:
  ChannelTable table_;
  bool editable_ = false;
  QString titles_[2];
};

}  // namespace brelvik
