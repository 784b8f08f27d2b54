// The system clipboard as the program uses it: plain text in and out.
#pragma once

#include <QString>

namespace brelvik {

// Replaces the clipboard's content by the text (Unicode, so any reader sees
// Cyrillic as written).
void CopyTextToClipboard(const QString& text);

// The clipboard's text; empty when it holds none (a picture, nothing).
QString ReadClipboardText();

void EmptyClipboard();

}  // namespace brelvik
