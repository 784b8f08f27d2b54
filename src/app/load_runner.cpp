// Worker-thread loads.
#include "app/load_runner.h"

#include <QMetaObject>
#include <QPointer>

namespace brelvik {

LoadRunner::LoadRunner(QObject* parent) : QObject(parent) {
  qRegisterMetaType<brelvik::LoadResult>("brelvik::LoadResult");
}

LoadRunner::~LoadRunner() {
  cancel_.Cancel();
  if (worker_.joinable()) worker_.join();
}

void LoadRunner::Start(const Provider& provider, HttpClient& http, const ProviderSites& sites,
                       const LoadOptions& options) {
  if (worker_.joinable()) worker_.join();
  cancel_ = CancelToken();
  running_ = true;
  done_ = false;
  QPointer<LoadRunner> self(this);
  worker_ = std::thread([this, self, &provider, &http, &sites, options, cancel = cancel_] {
    LoadResult result = RunLoad(provider, http, sites, options, cancel);
    done_ = true;
    if (cancel.Cancelled()) return;
    QMetaObject::invokeMethod(
        this,
        [this, self, result = std::move(result)] {
          if (!self) return;
          running_ = false;
          emit Finished(result);
        },
        Qt::QueuedConnection);
  });
}

bool LoadRunner::CancelAndWait(std::chrono::milliseconds wait) {
  cancel_.Cancel();
  const auto until = std::chrono::steady_clock::now() + wait;
  while (!done_ && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!done_) return false;
  if (worker_.joinable()) worker_.join();
  running_ = false;
  return true;
}

}  // namespace brelvik
