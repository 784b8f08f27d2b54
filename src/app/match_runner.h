// Reads the user's playlist and matches the table's rows to it on a worker
// thread, handing progress and the outcome back on the GUI thread.
#pragma once

#include <QObject>
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "matching/matcher.h"
#include "matching/playlist.h"

namespace brelvik {

struct MatchJob {
  // The file to read, or, when empty, `playlist` as it was read before.
  std::filesystem::path path;
  std::shared_ptr<const Playlist> playlist;
  ChannelRows rows;
  MatchOptions options;
};

struct MatchOutcome {
  int job = 0;
  bool cancelled = false;
  std::optional<PlaylistNotice> error;  // the playlist could not be used
  std::string failure;                  // any other error's message
  std::filesystem::path path;
  std::shared_ptr<const Playlist> playlist;
  ChannelRows rows;
  MatchRun run;
};

class MatchRunner : public QObject {
  Q_OBJECT
 public:
  explicit MatchRunner(QObject* parent = nullptr);
  ~MatchRunner() override;

  // Starts a job, giving up the one that runs; returns the job's number,
  // which its Finished carries.
  int Start(MatchJob job);
  // Gives up the running job: it reports nothing more, not even an outcome
  // already on its way.
  void Cancel();
  bool Running() const { return running_; }

 signals:
  void Progress(std::size_t done, std::size_t total);
  void Finished(const brelvik::MatchOutcome& outcome);

 private:
  void Join();

  std::thread worker_;
  CancelToken cancel_;
  int job_ = 0;
  int current_ = 0;  // the job whose outcome is awaited, 0 for none
  bool running_ = false;
  std::shared_ptr<std::atomic<std::size_t>> done_, total_;
  std::shared_ptr<std::atomic<bool>> progress_posted_;
};

}  // namespace brelvik
