// Runs a load on a worker thread and hands its result back on the GUI thread.
#pragma once

#include <QObject>
#include <atomic>
#include <thread>

#include <memory>

#include "loaders/load_frame.h"
#include "outputs/finished_list.h"

namespace brelvik {

class LoadRunner : public QObject {
  Q_OBJECT
 public:
  explicit LoadRunner(QObject* parent = nullptr);
  ~LoadRunner() override;

  // Starts a load; the client and sites must outlive it. One load at a time.
  // A load that brings rows also has them sorted and their channel-id map
  // made with `save_options` on the worker; the result's rows are moved there.
  void Start(const Provider& provider, HttpClient& http, const ProviderSites& sites,
             const LoadOptions& options, const ChannelIdOptions& save_options = {});

  // The table and map the last load that brought rows made; once.
  std::unique_ptr<FinishedList> TakeFinishedList() { return std::move(finished_); }
  bool Running() const { return running_; }

  // Asks the running load to give up and waits for it at most `wait`;
  // true when it has ended.
  bool CancelAndWait(std::chrono::milliseconds wait);

 signals:
  void Finished(const brelvik::LoadResult& result);

 private:
  std::thread worker_;
  std::unique_ptr<FinishedList> finished_;
  CancelToken cancel_;
  std::atomic<bool> done_{true};
  bool running_ = false;
};

}  // namespace brelvik
