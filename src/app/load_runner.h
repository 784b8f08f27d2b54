// Runs a load on a worker thread and hands its result back on the GUI thread.
#pragma once

#include <QObject>
#include <atomic>
#include <thread>

#include "loaders/load_frame.h"

namespace brelvik {

class LoadRunner : public QObject {
  Q_OBJECT
 public:
  explicit LoadRunner(QObject* parent = nullptr);
  ~LoadRunner() override;

  // Starts a load; the client and sites must outlive it. One load at a time.
  void Start(const Provider& provider, HttpClient& http, const ProviderSites& sites,
             const LoadOptions& options);
  bool Running() const { return running_; }

  // Asks the running load to give up and waits for it at most `wait`;
  // true when it has ended.
  bool CancelAndWait(std::chrono::milliseconds wait);

 signals:
  void Finished(const brelvik::LoadResult& result);

 private:
  std::thread worker_;
  CancelToken cancel_;
  std::atomic<bool> done_{true};
  bool running_ = false;
};

}  // namespace brelvik
