// Dialog panels: lazily made non-modal windows around a content area.
#include "app/widgets/dialog_panel.h"

#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace brelvik {

DialogPanel::DialogPanel(const char* name, QSize design_size, Border border, QWidget* owner)
    : QObject(owner), owner_(owner), border_(border) {
  setObjectName(name);
  content_ = new QWidget(owner);
  content_->setObjectName(QString(name) + "_Content");
  content_->setFixedSize(design_size.width() - 8, design_size.height() - 27);
  content_->hide();
}

void DialogPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  if (window_) window_->setWindowTitle(caption);
}

void DialogPanel::Show() {
  if (!window_) {
    Qt::WindowFlags flags = (border_ == Border::kToolWindow ? Qt::Tool : Qt::Dialog) |
                            Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    window_ = new QWidget(owner_, flags);
    window_->setObjectName(objectName() + "_Window");
    // Fonts and colours do not pass on to windows by themselves.
    window_->setFont(owner_->font());
    window_->setPalette(owner_->palette());
    window_->setWindowTitle(caption_);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(window_);
    layout->setContentsMargins(0, 0, 0, 0);
    content_->setParent(window_);
    layout->addWidget(content_);
    content_->show();
    window_->setFixedSize(content_->size());
    window_->installEventFilter(this);
    // The first showing puts the dialog over the middle of the main window
    // (centred on it, or near its top for the other dialogs) so that it never
    // opens far from what it works on.
    const QRect owner_frame = owner_->frameGeometry();
    QPoint place = owner_frame.center() - window_->rect().center();
    if (!centred_) place.setY(owner_frame.top() + 40);
    window_->move(place);
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
  if (active_control_) {
    active_control_->setFocus();
    return;
  }
  // Each showing starts at the dialog's first control, as a dialog does.
  for (QWidget* w = content_->nextInFocusChain(); w != content_ && content_->isAncestorOf(w);
       w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window_) &&
        !w->focusProxy()) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void DialogPanel::SetButtons(QAbstractButton* ok, QAbstractButton* cancel) {
  ok_ = ok;
  cancel_ = cancel;
}

void DialogPanel::Hide() {
  // As the close box does, so that the owner sees the dialog close.
  if (window_) window_->close();
}

bool DialogPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    if (event->type() == QEvent::Show) emit Shown();
    if (event->type() == QEvent::Hide) emit Hidden();
    // Keys that no control of the dialog took come here.
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
      if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && ok_) {
        if (!key->isAutoRepeat()) ok_->click();
        return true;
      }
      if (plain && key->key() == Qt::Key_Escape) {
        if (cancel_) {
          cancel_->click();
        } else {
          Hide();
        }
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace brelvik
