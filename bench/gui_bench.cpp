// How long the window's thread is busy taking a finished load in: from the
// worker's result arriving on the GUI thread to the table painted, for a vsetv
// page of 10 000 and 100 000 channels served on 127.0.0.1. The load itself
// (fetch, cut, sort, channel-id map) runs on the worker and is not counted.
// And how long one keystroke in the matching window's Find field takes.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTableView>
#include <thread>

#include "app/load_runner.h"
#include "app/main_window.h"
#include "app/match_model.h"
#include "matching/matcher.h"
#include "app/message_box.h"
#include "support/codepage.h"

namespace brelvik {
namespace {

// Times the delivery of the worker's result to the load runner.
class TimedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    if (event->type() != QEvent::MetaCall || !qobject_cast<LoadRunner*>(receiver)) {
      return QApplication::notify(receiver, event);
    }
    QElapsedTimer timer;
    timer.start();
    const bool handled = QApplication::notify(receiver, event);
    result_nanoseconds = timer.nsecsElapsed();
    return handled;
  }
  qint64 result_nanoseconds = 0;
};

TimedApplication* app = nullptr;

std::string VsetvPage(int channels) {
  std::string page = "<select name=ch>";
  for (int i = 0; i < channels; ++i) {
    page += "<option value=channel_" + std::to_string(i) + ">" +
            (i % 2 ? "Channel " : "\xCA\xE0\xED\xE0\xEB ") + std::to_string(i * 7919 % 100003) +
            "</option>";
  }
  return page + "</select>";
}

void BM_TakeFinishedLoad(benchmark::State& state) {
  const std::string page = VsetvPage(static_cast<int>(state.range(0)));
  httplib::Server server;
  server.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("ok", "text/html");
  });
  server.Get("/channels.html", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(page, "text/html");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread listener([&] { server.listen_after_bind(); });
  MessageBoxes::SetInterceptor([](const MessageRecord&) {});
  AppSettings settings;
  settings.sites.Override("vsetv=http://127.0.0.1:" + std::to_string(port));
  MainWindow window(std::move(settings));
  window.show();
  window.findChild<QComboBox*>("Combo1")->setCurrentIndex(0);
  auto* grid = window.findChild<QTableView*>("Grid1");
  for (auto _ : state) {
    QSignalSpy ended(&window, &MainWindow::LoadEnded);
    window.BTN_StartClick();
    ended.wait(60000);
    QElapsedTimer paint;
    paint.start();
    grid->viewport()->repaint();
    const qint64 busy = app->result_nanoseconds + paint.nsecsElapsed();
    state.SetIterationTime(static_cast<double>(busy) / 1e9);
  }
  state.counters["rows"] = static_cast<double>(window.Model().rowCount());
  MessageBoxes::SetInterceptor({});
  server.stop();
  listener.join();
}
BENCHMARK(BM_TakeFinishedLoad)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The matching window's Find field: one keystroke's filtering of 30 000
// rows, sorted by status as the window sorts them, and the table painted.
void BM_FindKeystroke(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  ChannelRows rows;
  std::vector<PlaylistName> names;
  for (int i = 0; i < n; ++i) {
    const std::string name = (i % 2 ? "Канал " : "Channel ") + std::to_string(i * 7919 % 100003);
    rows.push_back({name, std::to_string(i)});
    names.push_back({i % 3 ? name + " HD" : "Other " + std::to_string(i), static_cast<std::size_t>(i),
                     1, {}});
  }
  MatchModel model;
  model.Assign(rows, MatchNames(rows, std::move(names)));
  MatchFilterModel proxy;
  proxy.setSourceModel(&model);
  QTableView view;
  view.setModel(&proxy);
  view.setSortingEnabled(true);
  view.sortByColumn(MatchModel::kStatus, Qt::AscendingOrder);
  view.resize(1000, 600);
  view.show();
  QApplication::processEvents();
  const QString typed[] = {"к", "ка", "кан", "к", ""};
  std::size_t next = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    proxy.SetSearch(typed[next++ % std::size(typed)]);
    view.viewport()->repaint();
    state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
  }
  state.counters["rows"] = n;
}
BENCHMARK(BM_FindKeystroke)->Arg(30000)->UseManualTime()->Iterations(20)->Unit(
    benchmark::kMillisecond);

}  // namespace
}  // namespace brelvik

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  brelvik::TimedApplication application(argc, argv);
  brelvik::app = &application;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
