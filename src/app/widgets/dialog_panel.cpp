// Dialog panels: lazily made non-modal windows around a content area.
#include "app/widgets/dialog_panel.h"

#include <QEvent>
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
  if (active_control_) active_control_->setFocus();
}

void DialogPanel::Hide() {
  if (window_) window_->hide();
}

bool DialogPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_) {
    if (event->type() == QEvent::Show) emit Shown();
    if (event->type() == QEvent::Hide) emit Hidden();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace brelvik
