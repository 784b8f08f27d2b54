// The playlist matching window.
#include "app/playlist_match_window.h"

#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QMessageBox>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "app/main_window.h"
#include "app/message_box.h"
#include "matching/match_outputs.h"
#include "support/file_write.h"

namespace brelvik {

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::filesystem::path PathOf(const QString& path) {
  return std::filesystem::path(path.toStdString());
}

QString FromPath(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

QStringList FilterList(std::string_view filters) { return Q(filters).split('|'); }

QPushButton* MakeButton(QWidget* parent, const char* name) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

PlaylistMatchWindow::PlaylistMatchWindow(MainWindow& owner)
    : QWidget(&owner, Qt::Window), owner_(owner), runner_(this) {
  setObjectName("PlaylistMatchWindow");
  setFont(owner.font());
  setWindowIcon(owner.windowIcon());
  language_ = LanguageFromCode(owner.LanguageCode().toStdString());
  BuildControls();
  SetUpKeyboard();
  // The least size is the layout's: every control whole.
  resize(1000, 680);
  splitter_->setSizes({520, 110, 0});
  PlaceBesideOwner();
  connect(&runner_, &MatchRunner::Progress, this, &PlaylistMatchWindow::ShowProgress);
  connect(&runner_, &MatchRunner::Finished, this, &PlaylistMatchWindow::MatchFinished);
  // The table's names change under the restore button: edits, sorting, renames.
  const ChannelModel* table = &owner.Model();
  connect(table, &QAbstractItemModel::modelReset, this, &PlaylistMatchWindow::UpdateEnabled);
  connect(table, &QAbstractItemModel::layoutChanged, this, &PlaylistMatchWindow::UpdateEnabled);
  connect(table, &QAbstractItemModel::dataChanged, this, &PlaylistMatchWindow::UpdateEnabled);
  SetStatus({});
  ApplyTexts();
  UpdateEnabled();
}

PlaylistMatchWindow::~PlaylistMatchWindow() = default;

const MatchWindowTexts& PlaylistMatchWindow::Texts() const { return MatchTextsFor(language_); }

void PlaylistMatchWindow::BuildControls() {
  auto* top = new QHBoxLayout;
  open_playlist_ = MakeButton(this, "BTN_OpenPlaylist");
  playlist_label_ = MakeLabel(this, "Label_Playlist");
  playlist_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  playlist_label_->setWordWrap(true);
  top->addWidget(open_playlist_);
  top->addWidget(playlist_label_, 1);

  progress_row_ = new QWidget(this);
  progress_row_->setObjectName("Panel_MatchProgress");
  auto* progress_layout = new QHBoxLayout(progress_row_);
  progress_layout->setContentsMargins(0, 0, 0, 0);
  progress_ = new QProgressBar(progress_row_);
  progress_->setObjectName("Progress_Match");
  cancel_ = MakeButton(progress_row_, "BTN_CancelMatch");
  progress_layout->addWidget(progress_, 1);
  progress_layout->addWidget(cancel_);
  progress_row_->hide();

  auto* tools = new QHBoxLayout;
  filter_label_ = MakeLabel(this, "Label_Filter");
  filter_ = new QComboBox(this);
  filter_->setObjectName("Combo_Filter");
  for (int i = 0; i < 6; ++i) filter_->addItem(QString());
  filter_label_->setBuddy(filter_);
  search_label_ = MakeLabel(this, "Label_Search");
  search_ = new QLineEdit(this);
  search_->setObjectName("Edit_Search");
  search_->setClearButtonEnabled(true);
  search_->setMinimumWidth(180);
  search_label_->setBuddy(search_);
  confirm_ = MakeButton(this, "BTN_Confirm");
  no_match_ = MakeButton(this, "BTN_NoMatch");
  accept_all_ = MakeButton(this, "BTN_AcceptAll");
  accept_score_ = new QSpinBox(this);
  accept_score_->setObjectName("Spin_AcceptScore");
  accept_score_->setRange(1, 100);
  accept_score_->setValue(kDefaultAcceptScore);
  undo_ = MakeButton(this, "BTN_Undo");
  tools->addWidget(filter_label_);
  tools->addWidget(filter_);
  tools->addSpacing(8);
  tools->addWidget(search_label_);
  tools->addWidget(search_, 1);
  // The decisions on a row of their own, so that the window stays narrow
  // enough for a small screen in both languages.
  auto* decisions = new QHBoxLayout;
  decisions->addWidget(confirm_);
  decisions->addWidget(no_match_);
  decisions->addStretch(1);
  decisions->addWidget(accept_all_);
  decisions->addWidget(accept_score_);
  decisions->addWidget(undo_);

  model_ = new MatchModel(this);
  model_->SetLanguage(language_);
  proxy_ = new MatchFilterModel(this);
  proxy_->setSourceModel(model_);
  grid_ = new QTableView(this);
  grid_->setObjectName("Grid_Match");
  grid_->setModel(proxy_);
  grid_->setSortingEnabled(true);
  grid_->sortByColumn(MatchModel::kStatus, Qt::AscendingOrder);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  grid_->setWordWrap(false);
  grid_->setAlternatingRowColors(true);
  grid_->verticalHeader()->setVisible(false);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  QHeaderView* header = grid_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(true);
  for (auto [column, width] : {std::pair{MatchModel::kProviderName, 200},
                               {MatchModel::kCode, 60},
                               {MatchModel::kPlaylistName, 220},
                               {MatchModel::kAlso, 44},
                               {MatchModel::kScore, 50},
                               {MatchModel::kStatus, 100}}) {
    grid_->setColumnWidth(column, width);
  }
  delegate_ = new PlaylistNameDelegate(*model_, this);
  grid_->setItemDelegateForColumn(MatchModel::kPlaylistName, delegate_);
  grid_->installEventFilter(this);

  refresh_panel_ = new QGroupBox(this);
  refresh_panel_->setObjectName("Panel_Refresh");
  auto* refresh_layout = new QVBoxLayout(refresh_panel_);
  refresh_tree_ = new QTreeWidget(refresh_panel_);
  refresh_tree_->setObjectName("Tree_Refresh");
  refresh_tree_->setColumnCount(3);
  refresh_tree_->setColumnWidth(0, 200);
  refresh_tree_->setColumnWidth(1, 260);
  refresh_tree_->setRootIsDecorated(true);
  refresh_tree_->setUniformRowHeights(true);
  hide_refresh_ = MakeButton(refresh_panel_, "BTN_HideRefresh");
  refresh_layout->addWidget(refresh_tree_, 1);
  refresh_layout->addWidget(hide_refresh_, 0, Qt::AlignRight);
  refresh_panel_->hide();

  further_panel_ = new QGroupBox(this);
  further_panel_->setObjectName("Panel_Further");
  auto* further_layout = new QHBoxLayout(further_panel_);
  further_list_ = new QListWidget(further_panel_);
  further_list_->setObjectName("List_Further");
  further_list_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* further_buttons = new QVBoxLayout;
  detach_ = MakeButton(further_panel_, "BTN_Detach");
  attach_name_ = new QComboBox(further_panel_);
  attach_name_->setObjectName("Combo_Attach");
  attach_name_->setEditable(true);
  attach_name_->setInsertPolicy(QComboBox::NoInsert);
  attach_name_->setMinimumContentsLength(18);
  attach_name_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  attach_ = MakeButton(further_panel_, "BTN_Attach");
  further_buttons->addWidget(detach_);
  further_buttons->addStretch(1);
  further_buttons->addWidget(attach_name_);
  further_buttons->addWidget(attach_);
  further_layout->addWidget(further_list_, 1);
  further_layout->addLayout(further_buttons);

  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName("Splitter_Match");
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(grid_);
  splitter_->addWidget(further_panel_);
  splitter_->addWidget(refresh_panel_);
  splitter_->setStretchFactor(0, 4);
  splitter_->setStretchFactor(1, 1);
  splitter_->setStretchFactor(2, 2);

  // Texts of any length wrap rather than widen the window.
  auto* counts_row = new QHBoxLayout;
  counts_ = MakeLabel(this, "Label_Counts");
  counts_->setWordWrap(true);
  status_label_ = MakeLabel(this, "Label_Status");
  status_label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  status_label_->setWordWrap(true);
  counts_row->addWidget(counts_, 3);
  counts_row->addWidget(status_label_, 2);

  // What the match gives the table and the playlist, then the mapping files
  // and Close.
  auto* bottom = new QHBoxLayout;
  apply_ = MakeButton(this, "BTN_Apply");
  restore_ = MakeButton(this, "BTN_Restore");
  write_playlist_ = MakeButton(this, "BTN_WritePlaylist");
  close_ = MakeButton(this, "BTN_Close");
  bottom->addWidget(apply_);
  bottom->addWidget(restore_);
  bottom->addStretch(1);
  bottom->addWidget(write_playlist_);
  auto* files = new QHBoxLayout;
  save_mapping_ = MakeButton(this, "BTN_SaveMapping");
  open_mapping_ = MakeButton(this, "BTN_OpenMapping");
  files->addWidget(save_mapping_);
  files->addWidget(open_mapping_);
  files->addStretch(1);
  files->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(progress_row_);
  layout->addLayout(tools);
  layout->addLayout(decisions);
  layout->addWidget(splitter_, 1);
  layout->addLayout(counts_row);
  layout->addLayout(bottom);
  layout->addLayout(files);

  connect(open_playlist_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_OpenPlaylistClick);
  connect(cancel_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_CancelMatchClick);
  connect(confirm_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_ConfirmClick);
  connect(no_match_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_NoMatchClick);
  connect(accept_all_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_AcceptAllClick);
  connect(undo_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_UndoClick);
  connect(detach_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_DetachClick);
  connect(attach_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_AttachClick);
  connect(attach_name_->lineEdit(), &QLineEdit::returnPressed, this,
          &PlaylistMatchWindow::BTN_AttachClick);
  connect(further_list_, &QListWidget::itemSelectionChanged, this,
          &PlaylistMatchWindow::UpdateEnabled);
  connect(attach_name_, &QComboBox::currentTextChanged, this, &PlaylistMatchWindow::UpdateEnabled);
  model_->SetGiveQuestion(
      [this](int row, std::size_t name, int holder) { return AskGive(row, name, holder); });
  connect(model_, &MatchModel::Picked, this, [this](int row) {
    // A row decided in its drop-down stays the current one, wherever the
    // order now puts it.
    const QModelIndex cell = proxy_->mapFromSource(model_->index(row, MatchModel::kPlaylistName));
    if (!cell.isValid()) return;
    grid_->selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(cell);
  });
  connect(model_, &QAbstractItemModel::dataChanged, this, &PlaylistMatchWindow::ShowFurther);
  connect(model_, &QAbstractItemModel::modelReset, this, &PlaylistMatchWindow::ShowFurther);
  connect(apply_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_ApplyClick);
  connect(restore_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_RestoreClick);
  connect(write_playlist_, &QPushButton::clicked, this,
          &PlaylistMatchWindow::BTN_WritePlaylistClick);
  connect(save_mapping_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_SaveMappingClick);
  connect(open_mapping_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_OpenMappingClick);
  connect(hide_refresh_, &QPushButton::clicked, this, &PlaylistMatchWindow::BTN_HideRefreshClick);
  connect(refresh_tree_, &QTreeWidget::itemActivated, this,
          &PlaylistMatchWindow::RefreshItemActivated);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  connect(filter_, &QComboBox::currentIndexChanged, this, [this](int index) {
    proxy_->SetFilter(static_cast<MatchFilter>(std::max(index, 0)));
    grid_->scrollToTop();
  });
  connect(search_, &QLineEdit::textChanged, proxy_, &MatchFilterModel::SetSearch);
  connect(proxy_, &QAbstractItemModel::modelReset, this, &PlaylistMatchWindow::UpdateCounts);
  connect(proxy_, &QAbstractItemModel::layoutChanged, this, &PlaylistMatchWindow::UpdateCounts);
  connect(proxy_, &QAbstractItemModel::rowsInserted, this, &PlaylistMatchWindow::UpdateCounts);
  connect(proxy_, &QAbstractItemModel::rowsRemoved, this, &PlaylistMatchWindow::UpdateCounts);
  connect(model_, &QAbstractItemModel::dataChanged, this, &PlaylistMatchWindow::UpdateCounts);
  connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &PlaylistMatchWindow::UpdateEnabled);
  // The cursor stays in the playlist-name column, so that typing a letter on
  // any row opens that row's drop-down.
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid() && current.column() != MatchModel::kPlaylistName) {
              grid_->selectionModel()->setCurrentIndex(
                  proxy_->index(current.row(), MatchModel::kPlaylistName),
                  QItemSelectionModel::NoUpdate);
            }
            ShowFurther();
          });
}

void PlaylistMatchWindow::ApplyTexts() {
  const MatchWindowTexts& texts = Texts();
  setWindowTitle(Q(texts.title));
  open_playlist_->setText(Q(texts.open_playlist));
  cancel_->setText(Q(texts.cancel));
  filter_label_->setText(Q(texts.show));
  for (int i = 0; i < 6; ++i) filter_->setItemText(i, Q(texts.filters[i]));
  search_label_->setText(Q(texts.find));
  search_->setPlaceholderText(Q(texts.find_hint));
  confirm_->setText(Q(texts.confirm));
  confirm_->setToolTip(Q(texts.confirm_hint));
  no_match_->setText(Q(texts.no_match));
  no_match_->setToolTip(Q(texts.no_match_hint));
  accept_all_->setText(Q(texts.accept_all));
  undo_->setText(Q(texts.undo));
  detach_->setText(Q(texts.detach));
  attach_->setText(Q(texts.attach));
  attach_name_->lineEdit()->setPlaceholderText(Q(texts.attach_hint));
  ShowFurther();
  apply_->setText(Q(texts.apply));
  restore_->setText(Q(texts.restore));
  write_playlist_->setText(Q(texts.write_playlist));
  save_mapping_->setText(Q(texts.save_mapping));
  open_mapping_->setText(Q(texts.open_mapping));
  hide_refresh_->setText(Q(texts.hide));
  refresh_tree_->setHeaderLabels({Q(texts.refresh_columns[0]), Q(texts.refresh_columns[1]),
                                  Q(texts.refresh_columns[2])});
  FillRefreshTree();
  close_->setText(Q(texts.close));
  delegate_->SetNoMatchText(Q(texts.no_match_item));
  model_->SetLanguage(language_);
  ShowPlaylistState();
  status_label_->setText(status_ ? status_(texts) : QString());
  UpdateCounts();
}

void PlaylistMatchWindow::SetRu() {
  language_ = Language::kRu;
  ApplyTexts();
  ApplyKeyboardTexts();
}

void PlaylistMatchWindow::SetEn() {
  language_ = Language::kEn;
  ApplyTexts();
  ApplyKeyboardTexts();
}

namespace {

// Escape that no control of the window took for itself (an open drop-down,
// a name being picked) closes the window.
class EscapeCloses : public QObject {
 public:
  explicit EscapeCloses(QWidget* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        window_->close();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* window_;
};

}  // namespace

void PlaylistMatchWindow::SetUpKeyboard() {
  // Tab leaves the table, so the buttons below it are reached; the arrows
  // move between its rows.
  grid_->setTabKeyNavigation(false);
  installEventFilter(new EscapeCloses(this));
  // The bottom row in the order it stands, Close last.
  setTabOrder(write_playlist_, save_mapping_);
  setTabOrder(save_mapping_, open_mapping_);
  ApplyKeyboardTexts();
}

void PlaylistMatchWindow::ApplyKeyboardTexts() {
  const UiTexts& texts = TextsFor(language_);
  grid_->setAccessibleName(Q(texts.match_grid_name));
  grid_->setAccessibleDescription(Q(texts.match_grid_description));
  accept_score_->setAccessibleName(Q(texts.match_score_name));
  progress_->setAccessibleName(Q(texts.match_progress_name));
  refresh_tree_->setAccessibleName(Q(texts.match_refresh_name));
  close_->setToolTip(Q(texts.key_one) +
                     QKeySequence(Qt::Key_Escape).toString(QKeySequence::NativeText));
  close_->setAccessibleDescription(close_->toolTip());
  // The search field's clear button is a picture only.
  if (auto* clear = search_->findChild<QAction*>("_q_qlineeditclearaction")) {
    clear->setToolTip(Q(texts.clear_search));
    for (QToolButton* button : search_->findChildren<QToolButton*>()) {
      if (button->defaultAction() == clear) button->setAccessibleName(Q(texts.clear_search));
    }
  }
}

QString PlaylistMatchWindow::StatusText() const { return status_label_->text(); }

void PlaylistMatchWindow::SetStatus(std::function<QString(const MatchWindowTexts&)> text) {
  status_ = std::move(text);
  status_label_->setText(status_ ? status_(Texts()) : QString());
}

void PlaylistMatchWindow::ShowPlaylistState() {
  const MatchWindowTexts& texts = Texts();
  if (!playlist_) {
    playlist_label_->setText(Q(owner_.Model().Table().Empty() ? texts.table_empty
                                                              : texts.no_playlist));
    playlist_label_->setToolTip(QString());
    return;
  }
  QString text = Q(texts.playlist_state)
                     .arg(QFileInfo(FromPath(playlist_path_)).fileName())
                     .arg(playlist_->entries.size())
                     .arg(model_->Run().names.size());
  QStringList warnings;
  for (const PlaylistNotice& notice : playlist_->warnings) {
    warnings << Q(texts.line).arg(notice.line) + Q(PlaylistNoticeText(notice, language_));
  }
  if (!warnings.isEmpty()) text += "; " + Q(texts.warnings).arg(warnings.size());
  playlist_label_->setText(text);
  playlist_label_->setToolTip(FromPath(playlist_path_) +
                              (warnings.isEmpty() ? QString() : "\n" + warnings.join('\n')));
}

void PlaylistMatchWindow::ShowError(const QString& text) {
  // The core's notices are phrased to follow a program's name; a box shows
  // them as sentences.
  QString sentence = text;
  if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
  MessageBoxes::Show(this, QMessageBox::Critical, Q(owner_.Texts().message_caption), sentence);
}

ChannelRows PlaylistMatchWindow::TableRows() const {
  // The provider's names, whatever the table shows now: a match, and the
  // mapping made of it, are about the provider's channels.
  ChannelRows rows;
  for (const ListedChannel& channel : owner_.Model().Table().Listed()) {
    rows.push_back({channel.provider_name, channel.row.code});
  }
  return rows;
}

void PlaylistMatchWindow::BTN_OpenPlaylistClick() {
  const QString start = playlist_path_.empty() ? QString() : FromPath(playlist_path_);
  const std::optional<QString> path =
      FileDialogs::AskOpen(this, start, FilterList(Texts().playlist_filter));
  if (!path || path->isEmpty()) return;
  StartMatch(PathOf(*path), nullptr);
}

void PlaylistMatchWindow::StartMatch(std::filesystem::path path,
                                     std::shared_ptr<const Playlist> playlist) {
  MatchJob job;
  job.path = std::move(path);
  job.playlist = std::move(playlist);
  job.rows = TableRows();
  if (job.rows.empty()) return;
  job_provider_ = owner_.ProviderKey();
  runner_.Start(std::move(job));
  progress_->setRange(0, 0);
  SetMatching(true);
  SetStatus([](const MatchWindowTexts& texts) { return Q(texts.matching); });
}

void PlaylistMatchWindow::SetMatching(bool matching) {
  progress_row_->setVisible(matching);
  UpdateEnabled();
}

void PlaylistMatchWindow::ShowProgress(std::size_t done, std::size_t total) {
  if (total == 0) return;
  progress_->setRange(0, static_cast<int>(total));
  progress_->setValue(static_cast<int>(done));
}

void PlaylistMatchWindow::BTN_CancelMatchClick() {
  if (!runner_.Running()) return;
  runner_.Cancel();
  SetMatching(false);
  SetStatus([](const MatchWindowTexts& texts) { return Q(texts.match_cancelled); });
  emit MatchEnded();
}

void PlaylistMatchWindow::MatchFinished(const MatchOutcome& outcome) {
  SetMatching(false);
  if (outcome.error || !outcome.failure.empty() || outcome.cancelled) {
    // What the window showed before stays as it was.
    SetStatus({});
    if (outcome.error) {
      ShowError(Q(PlaylistNoticeText(*outcome.error, language_)) + "\n" +
                QString::fromStdString(outcome.path.string()));
    } else if (!outcome.failure.empty()) {
      ShowError(Q(outcome.failure));
    }
    UpdateEnabled();
    emit MatchEnded();
    return;
  }
  playlist_ = outcome.playlist;
  if (!outcome.path.empty()) playlist_path_ = outcome.path;
  MatchRun run = outcome.run;
  std::optional<RefreshReport> carried_report;
  int carried = 0;
  // The decisions made on the load before carry over to this one of the
  // same provider, as a saved mapping would.
  if (carry_ && carry_->provider == job_provider_) {
    ApplyMapping(*carry_, outcome.rows, run);
    carried_report = CompareWithMapping(*carry_, outcome.rows);
  }
  provider_key_ = job_provider_;
  undo_run_.reset();
  model_->Assign(outcome.rows, std::move(run));
  // Names to attach, found by any piece of them.
  auto* completer = new QCompleter(model_->SortedNames(), attach_name_);
  completer->setFilterMode(Qt::MatchContains);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  delete attach_name_->completer();
  attach_name_->setCompleter(completer);
  if (carried_report) carried = DecisionsTaken(*carry_);
  carry_.reset();
  if (carried > 0) {
    SetStatus([carried](const MatchWindowTexts& texts) { return Q(texts.carried).arg(carried); });
  } else {
    SetStatus({});
  }
  if (carried_report && !carried_report->Empty()) {
    ShowRefresh(std::move(*carried_report), false);
  } else {
    BTN_HideRefreshClick();
  }
  ShowPlaylistState();
  if (proxy_->rowCount() > 0) {
    grid_->setCurrentIndex(proxy_->index(0, MatchModel::kPlaylistName));
  }
  UpdateCounts();
  UpdateEnabled();
  emit MatchEnded();
}

void PlaylistMatchWindow::TableReplaced() {
  if (model_->rowCount() > 0 && !provider_key_.empty()) {
    carry_ = MappingOf(provider_key_, model_->Rows(), model_->Run());
  }
  runner_.Cancel();
  SetMatching(false);
  model_->Clear();
  SetStatus({});
  ShowPlaylistState();
  UpdateCounts();
  UpdateEnabled();
  if (playlist_ && !owner_.Model().Table().Empty()) {
    StartMatch({}, playlist_);
  }
}

void PlaylistMatchWindow::UpdateCounts() {
  // The user's own decisions are counted apart from the matcher's.
  std::size_t exact = 0, automatic = 0, yours = 0, review = 0, none = 0;
  for (const RowMatch& match : model_->Run().rows) {
    if (match.by_user) {
      ++yours;
      continue;
    }
    switch (match.status) {
      case MatchStatus::kExact: ++exact; break;
      case MatchStatus::kAuto: ++automatic; break;
      case MatchStatus::kReview: ++review; break;
      case MatchStatus::kNone: ++none; break;
    }
  }
  counts_->setText(Q(Texts().counts)
                       .arg(exact)
                       .arg(automatic)
                       .arg(yours)
                       .arg(review)
                       .arg(none)
                       .arg(proxy_->rowCount())
                       .arg(model_->rowCount()));
}

void PlaylistMatchWindow::UpdateEnabled() {
  const bool matching = runner_.Running();
  const bool has_run = !matching && model_->rowCount() > 0;
  const bool has_rows = !owner_.Model().Table().Empty() && !owner_.Loading();
  open_playlist_->setEnabled(!matching && has_rows);
  const bool has_selection = has_run && grid_->selectionModel()->hasSelection();
  confirm_->setEnabled(has_selection);
  no_match_->setEnabled(has_selection);
  accept_all_->setEnabled(has_run);
  accept_score_->setEnabled(has_run);
  undo_->setEnabled(has_run && undo_run_.has_value());
  const int row = has_run ? CurrentRow() : -1;
  const bool accepted = row >= 0 && Accepted(model_->Run().rows[row].status) &&
                        model_->Run().rows[row].name.has_value();
  detach_->setEnabled(accepted && !further_list_->selectedItems().isEmpty());
  attach_name_->setEnabled(accepted);
  attach_->setEnabled(accepted && !attach_name_->currentText().trimmed().isEmpty());
  grid_->setEnabled(!matching);
  apply_->setEnabled(has_run && has_rows);
  restore_->setEnabled(has_rows && owner_.Model().Table().Renamed());
  write_playlist_->setEnabled(has_run && playlist_ != nullptr);
  save_mapping_->setEnabled(has_run);
  open_mapping_->setEnabled(has_run);
}

std::vector<int> PlaylistMatchWindow::SelectedRows() const {
  QModelIndexList selected = grid_->selectionModel()->selectedRows();
  if (selected.isEmpty() && grid_->currentIndex().isValid()) selected << grid_->currentIndex();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<int> rows;
  for (const QModelIndex& index : selected) rows.push_back(proxy_->mapToSource(index).row());
  return rows;
}

void PlaylistMatchWindow::DecideRows(const std::vector<int>& rows,
                                     const std::function<void(int)>& decide) {
  if (rows.empty()) return;
  // The row below the last decided one in the view, found before the
  // decision moves or hides the decided rows.
  const int last_view_row = proxy_->mapFromSource(model_->index(rows.back(), 0)).row();
  QPersistentModelIndex next;
  for (int view_row = last_view_row + 1; view_row < proxy_->rowCount(); ++view_row) {
    const QModelIndex candidate = proxy_->mapToSource(proxy_->index(view_row, 0));
    if (std::find(rows.begin(), rows.end(), candidate.row()) == rows.end()) {
      next = candidate;
      break;
    }
  }
  for (const int row : rows) decide(row);
  QModelIndex target = next.isValid() ? proxy_->mapFromSource(next) : QModelIndex();
  if (!target.isValid()) target = proxy_->mapFromSource(model_->index(rows.back(), 0));
  if (!target.isValid() && proxy_->rowCount() > 0) target = proxy_->index(proxy_->rowCount() - 1, 0);
  if (target.isValid()) {
    const QModelIndex cell = proxy_->index(target.row(), MatchModel::kPlaylistName);
    grid_->selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(cell);
  }
}

void PlaylistMatchWindow::BTN_ConfirmClick() {
  std::vector<int> rows = SelectedRows();
  // A row without a suggestion has nothing to confirm: its name is picked.
  // An unmatched row's closest name is no suggestion.
  std::erase_if(rows, [this](int row) {
    const RowMatch& match = model_->Run().rows[row];
    return !match.name || match.status == MatchStatus::kNone;
  });
  if (rows.empty()) {
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid()) grid_->edit(proxy_->index(current.row(), MatchModel::kPlaylistName));
    return;
  }
  DecideRows(rows, [this](int row) { model_->Decide(row, model_->Run().rows[row].name); });
}

void PlaylistMatchWindow::BTN_NoMatchClick() {
  DecideRows(SelectedRows(), [this](int row) { model_->Decide(row, std::nullopt); });
}

void PlaylistMatchWindow::BTN_AcceptAllClick() {
  const int threshold = accept_score_->value();
  const MatchRun& run = model_->Run();
  // Only suggestions whose one doubt is the score are taken at once; the
  // others are counted by what keeps them.
  std::vector<std::size_t> take;
  std::array<std::size_t, 8> left{};
  const std::vector<std::int64_t> holders = Holders(run);
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    switch (DoubtOf(run, r, holders)) {
      case ReviewDoubt::kNotReview: break;
      case ReviewDoubt::kScore:
        if (run.rows[r].score >= threshold) {
          take.push_back(r);
        } else {
          ++left[7];
        }
        break;
      case ReviewDoubt::kHeld: ++left[0]; break;
      case ReviewDoubt::kTie: ++left[1]; break;
      case ReviewDoubt::kSpelling: ++left[2]; break;
      case ReviewDoubt::kUltraHd: ++left[3]; break;
      case ReviewDoubt::kCountry: ++left[4]; break;
      case ReviewDoubt::kAssumed: ++left[5]; break;
      case ReviewDoubt::kOther: ++left[6]; break;
    }
  }
  // Two rows that would both take one name are a tie, taken by neither.
  std::unordered_map<std::size_t, int> wanted;
  for (const std::size_t r : take) ++wanted[*run.rows[r].name];
  std::erase_if(take, [&](std::size_t r) {
    if (wanted[*run.rows[r].name] == 1) return false;
    ++left[1];
    return true;
  });
  const MatchWindowTexts& texts = Texts();
  std::size_t staying = 0;
  QStringList reasons;
  for (std::size_t k = 0; k < left.size(); ++k) {
    staying += left[k];
    if (left[k] > 0) reasons << "• " + Q(texts.left_for[k]).arg(left[k]);
  }
  const QString why = reasons.isEmpty() ? QString() : "\n\n" + reasons.join('\n');
  if (take.empty()) {
    MessageBoxes::Show(this, QMessageBox::Information, Q(texts.accept_title),
                       Q(texts.accept_none).arg(staying) + why);
    return;
  }
  if (MessageBoxes::Ask(this, QMessageBox::Question, Q(texts.accept_title),
                        Q(texts.accept_question).arg(take.size()).arg(staying) + why,
                        {Q(texts.confirm), Q(texts.cancel)}) != 0) {
    return;
  }
  undo_run_ = model_->Run();
  MatchRun& changed = model_->MutableRun();
  for (const std::size_t r : take) {
    DecideByUser(changed, r, changed.rows[r].name, model_->Rows()[r].name, false);
  }
  UpdateFurtherNames(changed);
  model_->RunChanged();
  const std::size_t accepted = take.size();
  SetStatus([accepted](const MatchWindowTexts& texts) { return Q(texts.accepted).arg(accepted); });
  UpdateEnabled();
}

void PlaylistMatchWindow::BTN_UndoClick() {
  if (!undo_run_) return;
  model_->Restore(std::move(*undo_run_));
  undo_run_.reset();
  SetStatus([](const MatchWindowTexts& texts) { return Q(texts.undone); });
  UpdateCounts();
  UpdateEnabled();
}

bool PlaylistMatchWindow::AskGive(int row, std::size_t name, int holder) {
  const MatchWindowTexts& texts = Texts();
  const QString text = Q(texts.give_question)
                           .arg(Q(model_->Run().names[name].name))
                           .arg(Q(model_->Rows()[holder].name))
                           .arg(Q(model_->Rows()[row].name));
  return MessageBoxes::Ask(this, QMessageBox::Question, Q(texts.give_title), text,
                           {Q(texts.give), Q(texts.keep)}) == 0;
}

QStringList PlaylistMatchWindow::OverwriteQuestion() const {
  const MatchWindowTexts& texts = Texts();
  return {Q(texts.overwrite_title), Q(texts.overwrite_question), Q(texts.replace),
          Q(texts.dont_replace)};
}

void PlaylistMatchWindow::PlaceBesideOwner() {
  const QScreen* screen = owner_.screen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  const QRect main = owner_.frameGeometry();
  // What the window's frame adds to its inside, and its least inside.
  const QSize frame = frameGeometry().size() - size();
  const QSize least = minimumSizeHint().expandedTo(minimumSize());
  QSize inside = size().boundedTo(room.size() - frame);
  const int right = room.right() - main.right() - frame.width();
  const int left = main.left() - room.left() - frame.width();
  QPoint at;
  if (right >= least.width() && right >= left) {
    // Beside the main window, as wide as the room allows.
    inside.setWidth(std::min(inside.width(), right));
    at = QPoint(main.right() + 1, main.top());
  } else if (left >= least.width()) {
    inside.setWidth(std::min(inside.width(), left));
    at = QPoint(main.left() - inside.width() - frame.width(), main.top());
  } else {
    // Over the main window, its title bar left in sight.
    const int title = std::max(owner_.geometry().top() - main.top(), 0);
    at = QPoint(main.left() + 24, main.top() + title + 24);
  }
  // No taller than what is left below that point, where the least size allows.
  const int below = room.bottom() + 1 - at.y() - frame.height();
  inside.setHeight(std::max(least.height(), std::min(inside.height(), below)));
  resize(inside.expandedTo(least));
  const QSize outside = size() + frame;
  at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - outside.width())));
  at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outside.height())));
  move(at);
}

int PlaylistMatchWindow::CurrentRow() const {
  const QModelIndex current = grid_->currentIndex();
  if (!current.isValid()) return -1;
  return proxy_->mapToSource(current).row();
}

void PlaylistMatchWindow::ShowFurther() {
  const MatchWindowTexts& texts = Texts();
  further_list_->clear();
  const int row = CurrentRow();
  if (row < 0 || row >= model_->rowCount()) {
    further_panel_->setTitle(Q(texts.further_none));
    UpdateEnabled();
    return;
  }
  const RowMatch& match = model_->Run().rows[row];
  further_panel_->setTitle(Q(texts.further_title).arg(Q(model_->Rows()[row].name)));
  for (const FurtherName& further : match.also) {
    auto* item = new QListWidgetItem(Q(model_->Run().names[further.name].name), further_list_);
    item->setData(Qt::UserRole, static_cast<qulonglong>(further.name));
    item->setToolTip(Q(ReasonText(further.reason, language_)));
    if (further.by_user) {
      QFont font = item->font();
      font.setBold(true);
      item->setFont(font);
    }
  }
  if (match.also.empty()) {
    auto* item = new QListWidgetItem(Q(texts.further_none), further_list_);
    item->setFlags(Qt::NoItemFlags);
  }
  UpdateEnabled();
}

void PlaylistMatchWindow::BTN_DetachClick() {
  const int row = CurrentRow();
  const QList<QListWidgetItem*> selected = further_list_->selectedItems();
  if (row < 0 || selected.isEmpty()) return;
  model_->Detach(row, static_cast<std::size_t>(selected.front()->data(Qt::UserRole).toULongLong()));
}

void PlaylistMatchWindow::BTN_AttachClick() {
  const int row = CurrentRow();
  if (row < 0) return;
  std::optional<std::size_t> name;
  if (!model_->ResolveName(attach_name_->currentText(), name) || !name) return;
  const MatchRun& run = model_->Run();
  // A name that is another row's match is decided on that row.
  for (std::size_t r = 0; r < run.rows.size(); ++r) {
    if (static_cast<int>(r) != row && run.rows[r].name == name && Accepted(run.rows[r].status)) {
      const QString text = Q(Texts().attach_held)
                               .arg(Q(run.names[*name].name))
                               .arg(Q(model_->Rows()[r].name));
      SetStatus([text](const MatchWindowTexts&) { return text; });
      return;
    }
  }
  if (run.rows[row].name == name) return;
  model_->Attach(row, *name);
  attach_name_->clearEditText();
}

void PlaylistMatchWindow::BTN_ApplyClick() {
  const int renamed = owner_.ApplyMatchNames(model_->Rows(), model_->Run());
  SetStatus([renamed](const MatchWindowTexts& texts) { return Q(texts.applied).arg(renamed); });
  UpdateEnabled();
}

void PlaylistMatchWindow::BTN_RestoreClick() {
  owner_.RestoreProviderNames();
  SetStatus([](const MatchWindowTexts& texts) { return Q(texts.restored); });
  UpdateEnabled();
}

void PlaylistMatchWindow::BTN_WritePlaylistClick() {
  if (!playlist_) return;
  const QFileInfo info(FromPath(playlist_path_));
  const QString suggested = info.dir().filePath(info.completeBaseName() + "-tvg-id." +
                                                (info.suffix().isEmpty() ? "m3u" : info.suffix()));
  const std::optional<SaveAnswer> answer =
      FileDialogs::AskSave(this, suggested, {}, 0, OverwriteQuestion());
  if (!answer || answer->path.isEmpty()) return;
  const UiTexts& texts = owner_.Texts();
  std::vector<PlaylistNotice> warnings;
  std::size_t with_id = 0;
  try {
    const std::vector<std::string> ids = PlaylistIds(*playlist_, model_->Rows(), model_->Run());
    with_id = static_cast<std::size_t>(
        std::count_if(ids.begin(), ids.end(), [](const std::string& id) { return !id.empty(); }));
    WriteFileAtomically(PathOf(answer->path), PlaylistWithIds(*playlist_, ids, &warnings));
  } catch (const PlaylistError& e) {
    ShowError(Q(PlaylistNoticeText(e.Notice(), language_)));
    return;
  } catch (const std::exception& e) {
    ShowError(Q(texts.save_failed) + "\n" + Q(e.what()));
    return;
  }
  // Entries whose line would read otherwise kept their lines.
  with_id -= static_cast<std::size_t>(
      std::count_if(warnings.begin(), warnings.end(), [](const PlaylistNotice& notice) {
        return notice.problem == PlaylistProblem::kIdNotWritable;
      }));
  QStringList lines;
  for (const PlaylistNotice& notice : warnings) lines << Q(PlaylistNoticeText(notice, language_));
  QString summary = Q(Texts().playlist_written).arg(with_id);
  if (!lines.isEmpty()) summary += "\n" + Q(Texts().warnings).arg(lines.size());
  MessageBoxes::Show(this, QMessageBox::Information, Q(texts.message_caption), summary,
                     lines.join('\n'));
}

int PlaylistMatchWindow::DecisionsTaken(const ChannelMapping& mapping) const {
  std::unordered_set<std::string_view> codes;
  for (const MappingEntry& entry : mapping.entries) {
    if (entry.decision == Decision::kUser) codes.insert(entry.code);
  }
  int taken = 0;
  for (std::size_t r = 0; r < model_->Rows().size(); ++r) {
    taken += model_->Run().rows[r].by_user && codes.count(model_->Rows()[r].code) ? 1 : 0;
  }
  return taken;
}

void PlaylistMatchWindow::BTN_SaveMappingClick() {
  if (model_->rowCount() == 0) return;
  const QString suggested =
      mapping_path_.isEmpty()
          ? QFileInfo(FromPath(playlist_path_)).dir().filePath(Q(provider_key_) + "-mapping.tsv")
          : mapping_path_;
  const std::optional<SaveAnswer> answer =
      FileDialogs::AskSave(this, suggested, {}, 0, OverwriteQuestion());
  if (!answer || answer->path.isEmpty()) return;
  const ChannelMapping mapping = MappingOf(provider_key_, model_->Rows(), model_->Run());
  try {
    SaveMappingFile(PathOf(answer->path), mapping);
  } catch (const std::exception& e) {
    ShowError(Q(owner_.Texts().save_failed) + "\n" + Q(e.what()));
    return;
  }
  mapping_path_ = answer->path;
  const auto users = std::count_if(mapping.entries.begin(), mapping.entries.end(),
                                   [](const MappingEntry& e) { return e.decision == Decision::kUser; });
  const std::size_t all = mapping.entries.size();
  SetStatus([all, users](const MatchWindowTexts& texts) {
    return Q(texts.mapping_saved).arg(all).arg(users);
  });
}

void PlaylistMatchWindow::BTN_OpenMappingClick() {
  if (model_->rowCount() == 0) return;
  const std::optional<QString> path =
      FileDialogs::AskOpen(this, mapping_path_, FilterList(Texts().mapping_filter));
  if (!path || path->isEmpty()) return;
  ChannelMapping mapping;
  try {
    mapping = ReadMappingFile(PathOf(*path), provider_key_);
  } catch (const MappingError& e) {
    ShowError(Q(MappingErrorText(e, language_)) + "\n" + *path);
    return;
  } catch (const std::exception& e) {
    ShowError(Q(e.what()));
    return;
  }
  mapping_path_ = *path;
  undo_run_.reset();
  ApplyMapping(mapping, model_->Rows(), model_->MutableRun());
  model_->RunChanged();
  const int taken = DecisionsTaken(mapping);
  SetStatus([taken](const MatchWindowTexts& texts) { return Q(texts.mapping_applied).arg(taken); });
  ShowRefresh(CompareWithMapping(mapping, model_->Rows()), true);
}

void PlaylistMatchWindow::ShowRefresh(RefreshReport report, bool since_mapping) {
  report_ = std::move(report);
  report_since_mapping_ = since_mapping;
  FillRefreshTree();
  if (!refresh_panel_->isVisible()) {
    // Room for a few lines of every kind, the table keeping the most.
    const int height = splitter_->height();
    refresh_panel_->show();
    splitter_->setSizes({height * 3 / 5, height * 2 / 5});
  }
}

void PlaylistMatchWindow::BTN_HideRefreshClick() {
  report_.reset();
  refresh_tree_->clear();
  refresh_panel_->hide();
}

void PlaylistMatchWindow::FillRefreshTree() {
  refresh_tree_->clear();
  if (!report_) return;
  const MatchWindowTexts& texts = Texts();
  refresh_panel_->setTitle(Q(report_since_mapping_ ? texts.refresh_title : texts.refresh_since_load));
  if (report_->Empty()) {
    auto* item = new QTreeWidgetItem(refresh_tree_, {Q(texts.refresh_none)});
    item->setFirstColumnSpanned(true);
    return;
  }
  // One group per kind of change; a line's code finds its row in the table.
  const auto group = [this](std::string_view title, std::size_t count) {
    auto* item = new QTreeWidgetItem(refresh_tree_, {Q(title).arg(count)});
    item->setFirstColumnSpanned(true);
    item->setExpanded(true);
    item->setDisabled(count == 0);
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
    return item;
  };
  const auto line = [](QTreeWidgetItem* parent, const std::string& code, const std::string& name,
                       const std::string& before) {
    auto* item = new QTreeWidgetItem(parent, {Q(code), Q(name), Q(before)});
    item->setData(0, Qt::UserRole, Q(code));
  };
  QTreeWidgetItem* added = group(texts.refresh_new, report_->added.size());
  for (const auto& c : report_->added) line(added, c.code, c.name, {});
  QTreeWidgetItem* gone = group(texts.refresh_gone, report_->gone.size());
  for (const auto& c : report_->gone) line(gone, c.code, c.name, {});
  QTreeWidgetItem* renamed = group(texts.refresh_renamed, report_->renamed.size());
  for (const auto& c : report_->renamed) line(renamed, c.code, c.name, c.previous_name);
  QTreeWidgetItem* moved = group(texts.refresh_code_changed, report_->code_changed.size());
  for (const auto& c : report_->code_changed) line(moved, c.code, c.name, c.previous_code);
  for (QTreeWidgetItem* item : {added, gone, renamed, moved}) item->setExpanded(true);
}

void PlaylistMatchWindow::RefreshItemActivated(QTreeWidgetItem* item) {
  if (!item) return;
  const std::string code = item->data(0, Qt::UserRole).toString().toStdString();
  if (code.empty()) return;
  for (std::size_t r = 0; r < model_->Rows().size(); ++r) {
    if (model_->Rows()[r].code != code) continue;
    filter_->setCurrentIndex(0);
    search_->clear();
    const QModelIndex cell =
        proxy_->mapFromSource(model_->index(static_cast<int>(r), MatchModel::kPlaylistName));
    grid_->selectionModel()->setCurrentIndex(
        cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->scrollTo(cell);
    grid_->setFocus();
    return;
  }
}

bool PlaylistMatchWindow::eventFilter(QObject* watched, QEvent* event) {
  // Keys typed into an open drop-down are its own.
  if (watched == grid_ && event->type() == QEvent::KeyPress &&
      !grid_->indexWidget(grid_->currentIndex())) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      BTN_ConfirmClick();
      return true;
    }
    if (plain && key->key() == Qt::Key_Delete) {
      BTN_NoMatchClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace brelvik
