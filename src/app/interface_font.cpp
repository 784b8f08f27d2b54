// The font of the program's windows.
#include "app/interface_font.h"

#include <QStringList>

namespace brelvik {

QFont InterfaceFont() {
  QFont font;
  // Liberation Sans Narrow is the last resort: narrower still, and installed
  // wherever the Liberation faces are.
  font.setFamilies({"MS Sans Serif", "PT Sans", "Liberation Sans Narrow"});
  font.setPixelSize(11);
  return font;
}

}  // namespace brelvik
