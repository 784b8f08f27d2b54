// Clipboard helpers.
#include "app/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace brelvik {

void CopyTextToClipboard(const QString& text) { QGuiApplication::clipboard()->setText(text); }

QString ReadClipboardText() { return QGuiApplication::clipboard()->text(); }

void EmptyClipboard() { QGuiApplication::clipboard()->clear(); }

}  // namespace brelvik
