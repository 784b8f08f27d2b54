// The playlist matching window: the user's playlist matched to the main
// window's table, reviewed and corrected row by row, then applied to the
// table, written into the playlist as tvg-ids, or kept as a mapping.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/match_model.h"
#include "app/match_runner.h"
#include "app/playlist_name_delegate.h"
#include "matching/mapping.h"
#include "support/ui_texts.h"

namespace brelvik {

class MainWindow;

class PlaylistMatchWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDefaultAcceptScore = 80;

  explicit PlaylistMatchWindow(MainWindow& owner);
  ~PlaylistMatchWindow() override;

  void SetRu();
  void SetEn();

  // Handlers, named after the control.
  void BTN_OpenPlaylistClick();
  void BTN_CancelMatchClick();
  void BTN_ConfirmClick();
  void BTN_NoMatchClick();
  void BTN_AcceptAllClick();
  // Puts the window back as it was before the last bulk acceptance.
  void BTN_UndoClick();
  // The current row's further names: detach the selected one, attach the
  // one named in the box.
  void BTN_DetachClick();
  void BTN_AttachClick();
  void BTN_ApplyClick();
  void BTN_RestoreClick();
  void BTN_WritePlaylistClick();
  void BTN_SaveMappingClick();
  void BTN_OpenMappingClick();
  void BTN_HideRefreshClick();
  // The main window's table got other rows: a load began or ended, or
  // another provider was chosen. A running match is given up; with a
  // playlist at hand the new rows are matched to it.
  void TableReplaced();

  bool Matching() const { return runner_.Running(); }
  const MatchModel& Model() const { return *model_; }
  const std::filesystem::path& PlaylistPath() const { return playlist_path_; }
  QString StatusText() const;
  // What the refresh panel shows, when it shows something.
  const std::optional<RefreshReport>& Refresh() const { return report_; }

 signals:
  // A match has ended: done, failed or given up.
  void MatchEnded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  // Tab order, Escape, and the names assistive technology reads.
  void SetUpKeyboard();
  void ApplyKeyboardTexts();
  void ApplyTexts();
  const MatchWindowTexts& Texts() const;
  void StartMatch(std::filesystem::path path, std::shared_ptr<const Playlist> playlist);
  void MatchFinished(const MatchOutcome& outcome);
  void ShowProgress(std::size_t done, std::size_t total);
  void SetMatching(bool matching);
  void UpdateCounts();
  void UpdateEnabled();
  void SetStatus(std::function<QString(const MatchWindowTexts&)> text);
  void ShowPlaylistState();
  void ShowError(const QString& text);
  // Source rows of the selection, or the current row; in view order.
  std::vector<int> SelectedRows() const;
  // Runs `decide` on the rows, then puts the cursor on the row below them.
  void DecideRows(const std::vector<int>& rows, const std::function<void(int)>& decide);
  ChannelRows TableRows() const;
  void ShowRefresh(RefreshReport report, bool since_mapping);
  void FillRefreshTree();
  // Puts the cursor on the row of the channel a refresh line names.
  void RefreshItemActivated(QTreeWidgetItem* item);
  // User decisions of `mapping` that rows of the run took.
  int DecisionsTaken(const ChannelMapping& mapping) const;
  // Asks whether row `row` may take `name`, which row `holder` holds.
  bool AskGive(int row, std::size_t name, int holder);
  // The overwrite question of the save dialogs, in the window's language.
  QStringList OverwriteQuestion() const;
  // Beside the main window when the screen has room for both, else over it
  // below its title.
  void PlaceBesideOwner();
  // The further-names panel for the current row.
  void ShowFurther();
  int CurrentRow() const;

  MainWindow& owner_;
  Language language_ = Language::kRu;
  MatchRunner runner_;
  MatchModel* model_ = nullptr;
  MatchFilterModel* proxy_ = nullptr;
  PlaylistNameDelegate* delegate_ = nullptr;
  std::shared_ptr<const Playlist> playlist_;
  std::filesystem::path playlist_path_;
  std::function<QString(const MatchWindowTexts&)> status_;
  // The provider whose rows were matched.
  std::string provider_key_;
  std::string job_provider_;
  // The decisions of the match a new load replaced, for the next match.
  std::optional<ChannelMapping> carry_;
  std::optional<RefreshReport> report_;
  bool report_since_mapping_ = false;
  QString mapping_path_;

  QPushButton* open_playlist_ = nullptr;
  QLabel* playlist_label_ = nullptr;
  QWidget* progress_row_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLabel* filter_label_ = nullptr;
  QComboBox* filter_ = nullptr;
  QLabel* search_label_ = nullptr;
  QLineEdit* search_ = nullptr;
  QPushButton* confirm_ = nullptr;
  QPushButton* no_match_ = nullptr;
  QPushButton* accept_all_ = nullptr;
  QSpinBox* accept_score_ = nullptr;
  QPushButton* undo_ = nullptr;
  // The run before the last bulk acceptance, for its undo.
  std::optional<MatchRun> undo_run_;
  QGroupBox* further_panel_ = nullptr;
  QListWidget* further_list_ = nullptr;
  QPushButton* detach_ = nullptr;
  QComboBox* attach_name_ = nullptr;
  QPushButton* attach_ = nullptr;
  QTableView* grid_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QGroupBox* refresh_panel_ = nullptr;
  QTreeWidget* refresh_tree_ = nullptr;
  QPushButton* hide_refresh_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* status_label_ = nullptr;
  QPushButton* apply_ = nullptr;
  QPushButton* restore_ = nullptr;
  QPushButton* write_playlist_ = nullptr;
  QPushButton* save_mapping_ = nullptr;
  QPushButton* open_mapping_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace brelvik
