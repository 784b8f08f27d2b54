// The main window: channel grid, provider selector, load button with its
// progress strip, the output buttons, language toggle and clipboard label.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QWidget>
#include <memory>

#include "app/channel_model.h"
#include "app/load_runner.h"
#include "app/widgets/hover_button.h"
#include "app/widgets/progress_strip.h"
#include "loaders/providers.h"
#include "support/http_client.h"
#include "support/site_probe.h"
#include "support/ui_texts.h"

namespace brelvik {

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

  explicit MainWindow(AppSettings settings = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Handlers, named after the control and its event.
  void Combo1Change();
  void BTN_StartClick();
  void Btn7Click();
  void VHSBtn1Click();
  void Btn9Click();
  void FormActivate();
  void BTNS_Enable();
  void BTNS_Disable();
  void SetRu();
  void SetEn();

  // State the other parts of the program read.
  const QString& LanguageCode() const { return language_code_; }
  const QString& SiteLabel() const { return site_label_; }
  const std::string& ChannelListText() const { return channel_list_text_; }
  const QString& ListFileName() const { return list_file_name_; }
  const ChannelModel& Model() const { return *model_; }
  bool Loading() const { return runner_.Running(); }
  const UiTexts& Texts() const;

 signals:
  // A load has ended, whatever its outcome.
  void LoadEnded();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ApplyTexts(const UiTexts& texts);
  void RefreshBufferLabel();
  void AttachPopupMenu(bool attach);
  void RunLoader(const Provider& provider);
  void FinishLoad(const LoadResult& result);
  void NoConnect(const QString& saved_caption);
  void RestoreAfterLoad(const QString& saved_caption);
  int SelectedProviderIndex() const;
  HoverButton* MakeButton(const char* name, const QRect& place, QRgb leave_color, QRgb enter_color);

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
  QString list_file_name_ = "vsetv_list";
  QString saved_start_caption_;

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
  bool popup_attached_ = false;
};

}  // namespace brelvik
