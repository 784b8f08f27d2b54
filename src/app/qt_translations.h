// Qt's own texts (file dialogs, the standard buttons of message boxes, the
// edit fields' context menus) in the interface language.
#pragma once

#include "support/ui_texts.h"

namespace brelvik {

// Installs Qt's Russian catalogue for kRu and removes it for kEn, and makes
// the language's locale Qt's default; switching to the language already in
// force changes nothing. Without the catalogue on the system Qt's texts stay
// English and this returns false.
bool UseQtTexts(Language language);

}  // namespace brelvik
