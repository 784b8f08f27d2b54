// The GUI's command line: `--site NAME=URL` overrides, `--help`, `--version`.
#pragma once

#include <QString>
#include <QStringList>

#include "app/main_window.h"

namespace brelvik {

struct GuiCommandLine {
  enum class Outcome { kRun, kPrint, kUsageError };
  Outcome outcome = Outcome::kRun;
  QString text;  // what to print (kPrint) or the error (kUsageError)
};

// Reads the arguments (the program's name first) into `settings`. Needs no
// window system, so `--help` and `--version` work without a display.
GuiCommandLine ParseGuiCommandLine(const QStringList& arguments, AppSettings& settings);

}  // namespace brelvik
