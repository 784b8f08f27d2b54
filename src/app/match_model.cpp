// The match table's model and its filter.
#include "app/match_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <algorithm>

namespace brelvik {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A status's place when sorted by status: what needs the user first.
int StatusRank(const RowMatch& match) {
  switch (match.status) {
    case MatchStatus::kReview: return 0;
    case MatchStatus::kNone: return match.by_user ? 2 : 1;
    case MatchStatus::kAuto: return match.by_user ? 4 : 3;
    case MatchStatus::kExact: return 5;
  }
  return 0;
}

// The status cell's colour; the cell says the status in words too.
QColor StatusColor(const RowMatch& match) {
  switch (match.status) {
    case MatchStatus::kExact: return QColor(0xc6, 0xec, 0xc6);
    case MatchStatus::kAuto: return match.by_user ? QColor(0xc9, 0xdd, 0xfb) : QColor(0xe2, 0xf4, 0xd2);
    case MatchStatus::kReview: return QColor(0xff, 0xe3, 0x9a);
    case MatchStatus::kNone: return match.by_user ? QColor(0xe3, 0xe3, 0xe3) : QColor(0xf6, 0xd0, 0xd0);
  }
  return {};
}

}  // namespace

MatchModel::MatchModel(QObject* parent) : QAbstractTableModel(parent) {}

int MatchModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(run_.rows.size());
}

int MatchModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString MatchModel::StatusText(const RowMatch& match) const {
  const MatchWindowTexts& texts = MatchTextsFor(language_);
  switch (match.status) {
    case MatchStatus::kExact: return Q(texts.status_exact);
    case MatchStatus::kAuto: return Q(match.by_user ? texts.status_confirmed : texts.status_auto);
    case MatchStatus::kReview: return Q(texts.status_review);
    case MatchStatus::kNone: return Q(match.by_user ? texts.status_rejected : texts.status_none);
  }
  return {};
}

const QString& MatchModel::ReasonOf(int row) const {
  std::optional<QString>& reason = reasons_[static_cast<std::size_t>(row)];
  if (!reason) reason = Q(ReasonText(run_.rows[static_cast<std::size_t>(row)].reason, language_));
  return *reason;
}

QVariant MatchModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const std::size_t r = static_cast<std::size_t>(index.row());
  const RowMatch& match = run_.rows[r];
  const ChannelRow& row = rows_[r];
  // An unmatched row's closest name is only told in its reason: in this
  // column it would read as a match.
  const bool shown = match.name && match.status != MatchStatus::kNone;
  const QString playlist_name = shown ? Q(run_.names[*match.name].name) : QString();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case kSortRole:
      switch (index.column()) {
        case kProviderName: return Q(row.name);
        case kCode: return Q(row.code);
        case kPlaylistName: return playlist_name;
        case kScore: return match.score;
        case kStatus: return role == kSortRole ? QVariant(StatusRank(match)) : StatusText(match);
        case kReason: return ReasonOf(index.row());
      }
      return {};
    case Qt::ToolTipRole:
      if (index.column() == kReason) return ReasonOf(index.row());
      if (index.column() == kPlaylistName && shown) {
        return Q(MatchTextsFor(language_).entries_hint)
            .arg(run_.names[*match.name].entries);
      }
      return {};
    case Qt::BackgroundRole:
      if (index.column() == kStatus) return QBrush(StatusColor(match));
      return {};
    case Qt::ForegroundRole:
      if (index.column() == kStatus) return QBrush(QColor(0x20, 0x20, 0x20));
      return {};
    case Qt::FontRole:
      // A suggestion not yet accepted reads as one.
      if (index.column() == kPlaylistName && match.status == MatchStatus::kReview) {
        QFont italic;
        italic.setItalic(true);
        return italic;
      }
      return {};
    case Qt::TextAlignmentRole:
      if (index.column() == kScore || index.column() == kCode) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      }
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

bool MatchModel::ResolveName(const QString& text, std::optional<std::size_t>& name) const {
  const QString wanted = text.trimmed();
  name.reset();
  if (wanted.isEmpty() || wanted == Q(MatchTextsFor(language_).no_match_item)) return true;
  if (const auto found = FindName(run_, wanted.toStdString())) {
    name = found;
    return true;
  }
  std::optional<std::size_t> containing;
  bool several = false;
  for (std::size_t i = 0; i < run_.names.size(); ++i) {
    const QString candidate = Q(run_.names[i].name);
    if (candidate.compare(wanted, Qt::CaseInsensitive) == 0) {
      name = i;
      return true;
    }
    if (candidate.contains(wanted, Qt::CaseInsensitive)) {
      several = several || containing.has_value();
      containing = i;
    }
  }
  if (!containing || several) return false;
  name = containing;
  return true;
}

bool MatchModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != kPlaylistName) return false;
  std::optional<std::size_t> name;
  if (!ResolveName(value.toString(), name)) return false;
  Decide(index.row(), name);
  return true;
}

void MatchModel::Decide(int row, std::optional<std::size_t> name) {
  if (row < 0 || row >= rowCount()) return;
  DecideByUser(run_, static_cast<std::size_t>(row), name);
  reasons_[static_cast<std::size_t>(row)].reset();
  emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

Qt::ItemFlags MatchModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kPlaylistName) f |= Qt::ItemIsEditable;
  return f;
}

QVariant MatchModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return {};
  if (role == Qt::DisplayRole) return Q(MatchTextsFor(language_).columns[section]);
  return {};
}

void MatchModel::SetLanguage(Language language) {
  language_ = language;
  for (auto& reason : reasons_) reason.reset();
  emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

void MatchModel::Assign(ChannelRows rows, MatchRun run) {
  beginResetModel();
  rows_ = std::move(rows);
  run_ = std::move(run);
  reasons_.assign(run_.rows.size(), std::nullopt);
  sorted_names_.clear();
  for (const PlaylistName& name : run_.names) sorted_names_ << Q(name.name);
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(sorted_names_.begin(), sorted_names_.end(),
            [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
  endResetModel();
}

void MatchModel::Clear() { Assign({}, {}); }

void MatchModel::RunChanged() {
  for (auto& reason : reasons_) reason.reset();
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

MatchFilterModel::MatchFilterModel(QObject* parent)
    // English collation is the root one the main grid sorts by (Latin
    // before Cyrillic); the C locale would turn off the numeric mode.
    : QSortFilterProxyModel(parent), collator_(QLocale(QLocale::English)) {
  collator_.setNumericMode(true);
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  setSortRole(MatchModel::kSortRole);
  setDynamicSortFilter(true);
}

bool MatchFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const QVariant a = left.data(MatchModel::kSortRole);
  const QVariant b = right.data(MatchModel::kSortRole);
  if (a.typeId() == QMetaType::Int && b.typeId() == QMetaType::Int) return a.toInt() < b.toInt();
  return collator_.compare(a.toString(), b.toString()) < 0;
}

void MatchFilterModel::SetFilter(MatchFilter filter) {
  filter_ = filter;
  invalidateRowsFilter();
}

void MatchFilterModel::SetSearch(const QString& text) {
  search_ = text.trimmed();
  invalidateRowsFilter();
}

bool MatchFilterModel::filterAcceptsRow(int source_row, const QModelIndex&) const {
  const auto* model = static_cast<const MatchModel*>(sourceModel());
  const RowMatch& match = model->Run().rows[static_cast<std::size_t>(source_row)];
  switch (filter_) {
    case MatchFilter::kAll: break;
    case MatchFilter::kReview: if (match.status != MatchStatus::kReview) return false; break;
    case MatchFilter::kNone: if (match.status != MatchStatus::kNone) return false; break;
    case MatchFilter::kExact: if (match.status != MatchStatus::kExact) return false; break;
    case MatchFilter::kAuto: if (match.status != MatchStatus::kAuto) return false; break;
  }
  if (search_.isEmpty()) return true;
  for (const int column : {MatchModel::kProviderName, MatchModel::kCode, MatchModel::kPlaylistName}) {
    if (model->index(source_row, column).data().toString().contains(search_, Qt::CaseInsensitive)) {
      return true;
    }
  }
  return false;
}

}  // namespace brelvik
