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
  void VHSBtn1Click() { hide(); }
  void Label6Click();

 private:
  void ApplyTexts(const UiTexts& texts);

  QLabel* label1_;
  QLabel* label2_;
  QLabel* label3_;
  QLabel* label4_;
  QLabel* label6_;
};

}  // namespace brelvik
