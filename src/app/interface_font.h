// The font of the program's windows: the design's face where the system has
// it, otherwise a face whose captions fit the buttons in both languages.
#pragma once

#include <QFont>

namespace brelvik {

// 11 pixels high (8 points at 96 dpi). On systems without "MS Sans Serif"
// (every Linux desktop) PT Sans stands in: it is drawn for Cyrillic, and at
// this size the longest caption of either language keeps a few pixels clear
// of its button's frame, where the common sans faces overrun it.
QFont InterfaceFont();

}  // namespace brelvik
