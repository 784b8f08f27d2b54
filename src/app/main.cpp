// Brelvik GUI entry point: reads `--site NAME=URL` overrides, shows the window.
#include <QApplication>
#include <cstdio>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Brelvik");
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
      std::fprintf(stderr, "brelvik: unknown argument %s\nUsage: brelvik [--site NAME=URL]...\n",
                   args[i].toLocal8Bit().constData());
      return 2;
    }
  }
  brelvik::MainWindow window(std::move(settings));
  window.show();
  return app.exec();
}
