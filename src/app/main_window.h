// The main window: channel grid, provider selector, load button with its
// progress strip, the output buttons, language toggle and clipboard label.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QHash>
#include <QMenu>
#include <QTableView>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

#include "app/about_window.h"
#include "app/channel_model.h"
#include "app/load_runner.h"
#include "app/widgets/hover_button.h"
#include "app/widgets/dialog_panel.h"
#include "app/widgets/focus_frame.h"
#include "app/widgets/progress_strip.h"
#include "loaders/providers.h"
#include "matching/matcher.h"
#include "outputs/channel_id_map.h"
#include "support/failure.h"
#include "support/http_client.h"
#include "support/site_probe.h"
#include "support/ui_texts.h"

namespace brelvik {

class PlaylistMatchWindow;

// What the window is started with.
struct AppSettings {
  ProviderSites sites;
  HttpLimits http_limits;
  ProbeLimits probe_limits;
};

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr QRgb kTextColor = qRgb(10, 36, 106);
  static constexpr QRgb kHoverColor = qRgb(0, 0, 255);
  static constexpr QRgb kRedColor = qRgb(255, 0, 0);
  static constexpr QRgb kMaroonColor = qRgb(128, 0, 0);
  static constexpr QRgb kSelectedCellColor = qRgb(204, 211, 228);
  static constexpr int kHintShowMs = 5000;
  // Rows or keys a notice after saving the channel_id file names, per kind.
  static constexpr std::size_t kFindingsShown = 5;

  explicit MainWindow(AppSettings settings = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Handlers, named after the control and its event.
  void Combo1Change();
  void BTN_StartClick();
  // The twelve loaders, in selector order.
  void Load_vsetv();
  void Load_teleguide();
  void Load_akado();
  void Load_ntvplus();
  void Load_idcmd();
  void Load_mailru();
  void Load_smartlab();
  void Load_ontimetv();
  void Load_tricolor();
  void Load_zakon();
  void Load_stv();
  void Load_moyo();
  void Btn7Click();
  void VHSBtn1Click();
  void Btn9Click();
  void Btn6Click();
  void FormActivate();
  void BTNS_Enable();
  void BTNS_Disable();
  void SetRu();
  void SetEn();

  // Channel-id file.
  void BTN_ChannelIDClick();
  void SpeedForm1Show();
  void CBox1Click();
  void VHSBtn2Click();
  // Writes `text`, then tells what the file cannot hold (`findings`).
  void SaveIDFile(const std::string& text, const ChannelIdFindings& findings = {});
  // Clipboard and M3U line.
  void BTN_CopyNameClick();
  void BTN_CopyCodeClick();
  void BTN_CreateClick();
  void BTN_CopyHashClick();
  void ChannelMD5();
  void VHSBtn4Click();
  // Search and sorting.
  void BTN_SearchClick();
  // F3: the next step of the search with the panel's text; opens the panel
  // when there is no text to go on with.
  void SearchNext();
  void SpeedForm3Show();
  void SpeedForm3Hide();
  void VHSBtn6Click();
  void VHSBtn7Click();
  void CheckBox2Click();
  void Grid1TitleBtnClick(int column);
  // An edited name was saved; its row now stands at `row`.
  void MT1AfterPost(int row);
  // List export.
  void BTN_SaveToFileClick();
  // Playlist matching: opens its window.
  void Match1Click();
  // Renames the rows `run` accepted (made on `matched`, the rows with their
  // provider names, in the order they had then) to their playlist names;
  // returns how many rows took a name.
  int ApplyMatchNames(const ChannelRows& matched, const MatchRun& run);
  // Gives every row its provider's name back; false when none had another.
  bool RestoreProviderNames();

  // State the other parts of the program read.
  const QString& LanguageCode() const { return language_code_; }
  const QString& SiteLabel() const { return site_label_; }
  const std::string& ChannelListText() const { return channel_list_text_; }
  const QString& ListFileName() const { return list_file_name_; }
  const ChannelModel& Model() const { return *model_; }
  std::size_t SearchPosition() const { return search_position_; }
  // The grid's current row (0-based), or -1.
  int CurrentRow() const;
  void SetCurrentRow(int row);
  bool Loading() const { return runner_.Running(); }
  const UiTexts& Texts() const;
  // A failure in the active language.
  QString FailureMessage(const Failure& failure) const;
  // Filter of the list save dialog in the active language.
  const QString& ListFilter() const { return list_filter_; }
  // The hint the buffer label shows after a hash copy.
  const QString& Label2Hint() const { return label2_hint_; }
  DialogPanel* SpeedForm1() const { return speed_form1_; }
  DialogPanel* SpeedForm2() const { return speed_form2_; }
  DialogPanel* SpeedForm3() const { return speed_form3_; }
  AboutWindow* About() const { return about_; }
  // Made when first opened.
  PlaylistMatchWindow* MatchWindow() const { return match_window_; }
  // The key of the provider whose rows the table holds, empty when none.
  const std::string& ProviderKey() const { return provider_key_; }

 signals:
  // A load has ended, whatever its outcome.
  void LoadEnded();
  // The table was emptied or filled with a new load's rows.
  void RowsReplaced();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildPanels();
  HoverButton* MakePanelButton(QWidget* parent, const char* name, const QRect& place);
  QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QRect& place);
  void ApplyTexts(const UiTexts& texts);
  // Keys of the commands, the tab order, and the texts that tell them.
  void SetUpKeyboard();
  void ApplyKeyTexts(const UiTexts& texts);
  QKeySequence KeyOf(HoverButton* button) const;
  QString KeyHint(HoverButton* button, const UiTexts& texts) const;
  void ShowGridFocus();
  void RefreshBufferLabel();
  void AttachPopupMenu(bool attach);
  void RunLoader(const Provider& provider);
  void FinishLoad(const LoadResult& result);
  void NoConnect(const QString& saved_caption);
  void RestoreAfterLoad(const QString& saved_caption);
  int SelectedProviderIndex() const;
  QString CurrentText(int column) const;
  ChannelIdOptions SaveOptions() const;
  void CopyToClipboard(const QString& text);
  void RefreshAfterCopy();
  void ShowError(const QString& text);
  HoverButton* MakeButton(QWidget* parent, const char* name, const QRect& place, QRgb leave_color,
                          QRgb enter_color);

  AppSettings settings_;
  HttpClient http_;
  LoadRunner runner_;
  ChannelModel* model_ = nullptr;

  QString language_code_ = "RU";
  QString site_label_;
  // The site the title shows: the site label of the load the table holds, so
  // that a language switch keeps it but never brings back one whose load
  // failed or whose table was emptied by choosing another provider.
  QString title_site_;
  std::string channel_list_text_;
  // What channel_list_text_ cannot tell the plug-in, found when it was built.
  ChannelIdFindings channel_list_findings_;
  QString list_file_name_ = "vsetv_list";
  QString saved_start_caption_;
  QString list_filter_;
  QString label2_hint_;
  std::size_t search_position_ = 0;
  SortMarker markers_[2] = {SortMarker::kNone, SortMarker::kNone};
  int list_filter_index_ = 0;
  bool label2_shows_hint_ = false;

  QTableView* grid_ = nullptr;
  QComboBox* combo_ = nullptr;
  QLabel* label_prov_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  ProgressStrip* progress_ = nullptr;
  HoverButton* btn_start_ = nullptr;
  HoverButton* btn_search_ = nullptr;
  HoverButton* btn_save_ = nullptr;
  HoverButton* btn_copy_name_ = nullptr;
  HoverButton* btn_copy_code_ = nullptr;
  HoverButton* btn_copy_hash_ = nullptr;
  HoverButton* btn_create_ = nullptr;
  HoverButton* btn_channel_id_ = nullptr;
  HoverButton* btn9_ = nullptr;
  HoverButton* btn6_ = nullptr;
  HoverButton* vhs_btn1_ = nullptr;
  HoverButton* btn7_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* n1_ = nullptr;
  QAction* n2_ = nullptr;
  QAction* n3_ = nullptr;
  QAction* md51_ = nullptr;
  QAction* m3u1_ = nullptr;
  QAction* channelid1_ = nullptr;
  QAction* match1_ = nullptr;
  QAction* search1_ = nullptr;
  // The commands' keys, each pressing its button (which ignores it while
  // disabled); Ctrl+L loads too, F3 searches on.
  std::vector<std::pair<HoverButton*, QAction*>> command_keys_;
  QAction* load_key_ = nullptr;
  QAction* search_next_key_ = nullptr;
  // What each copy button's hint adds to the channel's name.
  QHash<HoverButton*, QString> key_hints_;
  PlaylistMatchWindow* match_window_ = nullptr;
  std::string provider_key_;
  std::string loading_key_;

  AboutWindow* about_ = nullptr;
  DialogPanel* speed_form1_ = nullptr;
  DialogPanel* speed_form2_ = nullptr;
  DialogPanel* speed_form3_ = nullptr;
  QCheckBox* cbox1_ = nullptr;
  QCheckBox* cbox2_ = nullptr;
  QCheckBox* cbox3_ = nullptr;
  QCheckBox* checkbox1_ = nullptr;
  QCheckBox* cbox4_ = nullptr;
  QCheckBox* cbox5_ = nullptr;
  QCheckBox* checkbox2_ = nullptr;
  QLabel* label3_ = nullptr;
  QLabel* label4_ = nullptr;
  QLineEdit* edit1_ = nullptr;
  HoverButton* vhs_btn2_ = nullptr;
  HoverButton* vhs_btn3_ = nullptr;
  HoverButton* vhs_btn4_ = nullptr;
  HoverButton* vhs_btn5_ = nullptr;
  HoverButton* vhs_btn6_ = nullptr;
  HoverButton* vhs_btn7_ = nullptr;
};

}  // namespace brelvik
