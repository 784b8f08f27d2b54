// A small option dialog shown and hidden without being modal. Its controls
// exist from the start (so their states outlive the window); the window itself
// is made on the first showing and kept for later ones. Enter presses its OK
// button and Escape its Cancel button, wherever the focus is in it.
#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace brelvik {

class DialogPanel : public QObject {
  Q_OBJECT
 public:
  enum class Border { kToolWindow, kSingle };

  // `design_size` is the panel's size; its content area, which holds the
  // controls, is 8 pixels narrower and 27 lower.
  DialogPanel(const char* name, QSize design_size, Border border, QWidget* owner);

  // The widget the dialog's controls are placed on.
  QWidget* Content() const { return content_; }
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  // The control that gets the focus when the panel is shown, or none.
  void SetActiveControl(QWidget* control) { active_control_ = control; }
  void SetCentredOnOwner(bool centred) { centred_ = centred; }
  // The buttons Enter and Escape press; without a Cancel button Escape hides
  // the panel. A focused button takes Enter itself.
  void SetButtons(QAbstractButton* ok, QAbstractButton* cancel);

  void Show();
  void Hide();
  bool Visible() const { return window_ && window_->isVisible(); }
  // The run-time window; null until the first showing.
  QWidget* Window() const { return window_; }

 signals:
  void Shown();
  void Hidden();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;

  QWidget* owner_;
  QWidget* content_;
  QPointer<QWidget> window_;
  QPointer<QWidget> active_control_;
  QPointer<QAbstractButton> ok_;
  QPointer<QAbstractButton> cancel_;
  QString caption_;
  Border border_;
  bool centred_ = false;
};

}  // namespace brelvik
