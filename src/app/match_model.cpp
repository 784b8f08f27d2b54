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

QString MatchModel::AlsoHint(const RowMatch& match) const {
  QStringList lines{Q(MatchTextsFor(language_).also_hint).arg(match.also.size())};
  for (const FurtherName& further : match.also) {
    lines << Q(run_.names[further.name].name) + " — " + Q(ReasonText(further.reason, language_));
  }
  return lines.join('\n');
}

QVariant MatchModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const std::size_t r = static_cast<std::size_t>(index.row());
  const RowMatch& match = run_.rows[r];
  const ChannelRow& row = rows_[r];
  // An unmatched row's closest name is only told in its reason: in this
  // column it would read as a match.
  const bool shown = match.name && match.status != MatchStatus::kNone;
  const auto playlist_name = [&] { return shown ? Q(run_.names[*match.name].name) : QString(); };
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case kSortRole:
      switch (index.column()) {
        case kProviderName: return Q(row.name);
        case kCode: return Q(row.code);
        case kPlaylistName: return playlist_name();
        case kAlso:
          if (role == kSortRole) return static_cast<int>(match.also.size());
          return match.also.empty() ? QString() : QString("+%1").arg(match.also.size());
        case kScore: return match.score;
        case kStatus: return role == kSortRole ? QVariant(StatusRank(match)) : StatusText(match);
        case kReason: return ReasonOf(index.row());
      }
      return {};
    case Qt::ToolTipRole:
      if (index.column() == kReason) return ReasonOf(index.row());
      if (index.column() == kAlso && !match.also.empty()) return AlsoHint(match);
      if (index.column() == kPlaylistName && shown) {
        QString hint = Q(MatchTextsFor(language_).entries_hint).arg(run_.names[*match.name].entries);
        if (!match.also.empty()) hint += "\n" + AlsoHint(match);
        return hint;
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
      if (index.column() == kScore || index.column() == kCode || index.column() == kAlso) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
      }
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
      return {};
  }
}

const QString& MatchModel::SearchText(int row) const {
  std::optional<QString>& text = search_texts_[static_cast<std::size_t>(row)];
  if (!text) {
    const RowMatch& match = run_.rows[static_cast<std::size_t>(row)];
    const ChannelRow& channel = rows_[static_cast<std::size_t>(row)];
    QString all = Q(channel.name) + '\n' + Q(channel.code);
    if (match.name && match.status != MatchStatus::kNone) all += '\n' + Q(run_.names[*match.name].name);
    text = all.toCaseFolded();
  }
  return *text;
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
  if (!Decide(index.row(), name)) return false;
  emit Picked(index.row());
  return true;
}

bool MatchModel::Decide(int row, std::optional<std::size_t> name) {
  if (row < 0 || row >= rowCount()) return false;
  if (name && give_question_) {
    const std::optional<std::size_t> holder = HolderOf(run_, *name);
    if (holder && static_cast<int>(*holder) != row &&
        !give_question_(row, *name, static_cast<int>(*holder))) {
      return false;
    }
  }
  DecideByUser(run_, static_cast<std::size_t>(row), name, rows_[static_cast<std::size_t>(row)].name);
  Changed();
  return true;
}

void MatchModel::Attach(int row, std::size_t name) {
  if (row < 0 || row >= rowCount() || name >= run_.names.size()) return;
  AttachByUser(run_, static_cast<std::size_t>(row), name);
  Changed();
}

void MatchModel::Detach(int row, std::size_t name) {
  if (row < 0 || row >= rowCount()) return;
  DetachByUser(run_, static_cast<std::size_t>(row), name);
  Changed();
}

void MatchModel::Restore(MatchRun run) {
  run_ = std::move(run);
  Changed();
}

void MatchModel::Changed() {
  // A decision can change other rows too (the row that gave its name up,
  // the further names): every row is told, and texts are made again when
  // shown.
  for (auto& reason : reasons_) reason.reset();
  for (auto& text : search_texts_) text.reset();
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
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
  search_texts_.assign(run_.rows.size(), std::nullopt);
  sorted_names_.clear();
  for (const PlaylistName& name : run_.names) sorted_names_ << Q(name.name);
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(sorted_names_.begin(), sorted_names_.end(),
            [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
  endResetModel();
}

void MatchModel::Clear() { Assign({}, {}); }

void MatchModel::RunChanged() { Changed(); }

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
  const QString folded = text.trimmed().toCaseFolded();
  if (folded == search_) return;
  search_ = folded;
  invalidateRowsFilter();
}

bool MatchFilterModel::filterAcceptsRow(int source_row, const QModelIndex&) const {
  const auto* model = static_cast<const MatchModel*>(sourceModel());
  const RowMatch& match = model->Run().rows[static_cast<std::size_t>(source_row)];
  switch (filter_) {
    case MatchFilter::kAll: break;
    case MatchFilter::kReview: if (match.status != MatchStatus::kReview) return false; break;
    case MatchFilter::kNone:
      if (match.status != MatchStatus::kNone || match.by_user) return false;
      break;
    case MatchFilter::kExact: if (match.status != MatchStatus::kExact) return false; break;
    case MatchFilter::kAuto:
      if (match.status != MatchStatus::kAuto || match.by_user) return false;
      break;
    case MatchFilter::kYours: if (!match.by_user) return false; break;
  }
  return search_.isEmpty() || model->SearchText(source_row).contains(search_);
}

}  // namespace brelvik
