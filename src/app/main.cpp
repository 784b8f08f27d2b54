// Brelvik GUI entry point: reads the command line, shows the window.
#include <QApplication>
#include <cstdio>

#include "app/command_line.h"
#include "app/main_window.h"
#include "support/version.h"

int main(int argc, char** argv) {
  // Read before the application object exists: --help and --version must
  // work where no display is.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  brelvik::AppSettings settings;
  const brelvik::GuiCommandLine command_line = brelvik::ParseGuiCommandLine(arguments, settings);
  switch (command_line.outcome) {
    case brelvik::GuiCommandLine::Outcome::kPrint:
      std::fputs(command_line.text.toLocal8Bit().constData(), stdout);
      return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    case brelvik::GuiCommandLine::Outcome::kUsageError:
      std::fprintf(stderr, "brelvik: %s\nbrelvik: \"brelvik --help\" lists the options\n",
                   command_line.text.toLocal8Bit().constData());
      return 2;
    case brelvik::GuiCommandLine::Outcome::kRun:
      break;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brelvik");
  QApplication::setApplicationVersion(
      QString::fromUtf8(brelvik::ProgramVersion().data(), brelvik::ProgramVersion().size()));
  // Lets desktops match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName("org.brelvik.brelvik");
  brelvik::MainWindow window(std::move(settings));
  window.show();
  return app.exec();
}
