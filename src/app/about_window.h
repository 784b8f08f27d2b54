// The About window: name, version, what the program is for, and its author.
#pragma once

#include <QLabel>
#include <QWidget>

#include "app/widgets/hover_button.h"
#include "support/ui_texts.h"

namespace brelvik {

class AboutWindow : public QWidget {
  Q_OBJECT
 public:
  explicit AboutWindow(QWidget* parent = nullptr);

  void SetRu();
  void SetEn();
  // Closes the window, as its close box does.
  void VHSBtn1Click() { close(); }
  void Label6Click();

 protected:
  // Escape closes the window, as its OK button does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ApplyTexts(const UiTexts& texts);

  QLabel* label1_;
  QLabel* label2_;
  QLabel* label3_;
  QLabel* label4_;
  QLabel* label6_;
  QLabel* image_;
};

}  // namespace brelvik
