// Grid model over the channel table.
#include "app/channel_model.h"

#include "matching/match_outputs.h"

namespace brelvik {

namespace {
QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

ChannelModel::ChannelModel(QObject* parent) : QAbstractTableModel(parent) {}

int ChannelModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.Count());
}

int ChannelModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ChannelModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ChannelRow& row = table_.Row(static_cast<std::size_t>(index.row()));
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return FromUtf8(index.column() == 0 ? row.name : row.code);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          Qt::Alignment(index.column() == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                            : Qt::AlignRight | Qt::AlignVCenter));
    default:
      return {};
  }
}

bool ChannelModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != 0 || !editable_) return false;
  const QByteArray name = value.toString().toUtf8();
  const int from = index.row();
  // The row moves to its place in the order; persistent indexes (the grid's
  // current cell among them) move with the rows, so the cursor stays on the
  // edited channel.
  emit layoutAboutToBeChanged();
  const int to = static_cast<int>(table_.SetName(static_cast<std::size_t>(from),
                                                 std::string_view(name.constData(), name.size())));
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  for (const QModelIndex& old : before) {
    int row = old.row();
    if (row == from) {
      row = to;
    } else if (from < to && row > from && row <= to) {
      --row;
    } else if (to < from && row >= to && row < from) {
      ++row;
    }
    after.push_back(this->index(row, old.column()));
  }
  changePersistentIndexList(before, after);
  emit layoutChanged();
  emit NamePosted(to);
  return true;
}

Qt::ItemFlags ChannelModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable_ && index.column() == 0) f |= Qt::ItemIsEditable;
  return f;
}

QVariant ChannelModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section > 1) return {};
  if (role == Qt::DisplayRole) return titles_[section];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
  return {};
}

void ChannelModel::Clear() {
  beginResetModel();
  table_.Clear();
  endResetModel();
}

void ChannelModel::Assign(const ChannelRows& rows) {
  beginResetModel();
  table_.Assign(rows);
  endResetModel();
}

void ChannelModel::TakeTable(ChannelTable&& table) {
  beginResetModel();
  table_ = std::move(table);
  endResetModel();
}

void ChannelModel::SetOrder(const SortOrder& order) {
  beginResetModel();
  table_.SetOrder(order);
  endResetModel();
}

void ChannelModel::ApplyMatches(const MatchRun& run) {
  beginResetModel();
  brelvik::ApplyMatches(table_, run);
  endResetModel();
}

bool ChannelModel::RestoreProviderNames() {
  beginResetModel();
  const bool restored = table_.RestoreProviderNames();
  endResetModel();
  return restored;
}

void ChannelModel::SetColumnTitles(const QString& name, const QString& code) {
  titles_[0] = name;
  titles_[1] = code;
  emit headerDataChanged(Qt::Horizontal, 0, 1);
}

}  // namespace brelvik
