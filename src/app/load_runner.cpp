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
                       const LoadOptions& options, const ChannelIdOptions& save_options) {
  if (worker_.joinable()) worker_.join();
  cancel_ = CancelToken();
  running_ = true;
  done_ = false;
  finished_.reset();
  QPointer<LoadRunner> self(this);
  worker_ = std::thread([this, self, &provider, &http, &sites, options, save_options,
                         cancel = cancel_] {
    LoadResult result = RunLoad(provider, http, sites, options, cancel);
    // Everything the window needs of the rows is made here, not on its thread.
    std::shared_ptr<FinishedList> list;
    if (result.status == LoadStatus::kLoaded) {
      list = std::make_shared<FinishedList>(
          PrepareFinishedList(std::move(result.rows), save_options));
      result.rows.clear();
    }
    done_ = true;
    if (cancel.Cancelled()) return;
    QMetaObject::invokeMethod(
        this,
        [this, self, result = std::move(result), list] {
          if (!self) return;
          running_ = false;
          if (list) finished_ = std::make_unique<FinishedList>(std::move(*list));
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
