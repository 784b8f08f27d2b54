// Brelvik GUI entry point: reads `--site NAME=URL` overrides, shows the window.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"

namespace {

// Also the text of the manual page, which the build makes from it.
constexpr const char* kUsage =
    "Usage: brelvik [--site NAME=URL]...\n"
    "\n"
    "Brelvik gathers the names and codes of TV channels from the channel listings of\n"
    "IPTV providers and shows them in a window: pick a provider, load its list, then\n"
    "copy a channel's name, code, hash or M3U line, save the list, or write the\n"
    "channel_id file. The interface speaks Russian and English.\n"
    "\n"
    "  --site NAME=URL  use URL for the address NAME (a provider key, or tricolor.guide,\n"
    "                   zakon.tv, smartlab.service, moyo.service)\n"
    "  --help           print this help and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Before the application, which needs a display: the help needs none.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brelvik");
  // Lets desktops match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName("org.brelvik.brelvik");
  brelvik::AppSettings settings;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "--site" && i + 1 < args.size()) {
      const std::string error = settings.sites.Override(args[++i].toStdString());
      if (!error.empty()) {
        std::fprintf(stderr, "brelvik: --site: %s\n", error.c_str());
        return 2;
      }
    } else {
      std::fprintf(stderr, "brelvik: unknown argument %s\n%s", args[i].toLocal8Bit().constData(),
                   kUsage);
      return 2;
    }
  }
  brelvik::MainWindow window(std::move(settings));
  window.show();
  return app.exec();
}
