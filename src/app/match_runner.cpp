// Worker-thread matching.
#include "app/match_runner.h"

#include <QMetaObject>
#include <QPointer>

namespace brelvik {

MatchRunner::MatchRunner(QObject* parent) : QObject(parent) {
  qRegisterMetaType<brelvik::MatchOutcome>("brelvik::MatchOutcome");
  qRegisterMetaType<std::size_t>("std::size_t");
}

MatchRunner::~MatchRunner() {
  cancel_.Cancel();
  Join();
}

void MatchRunner::Join() {
  if (worker_.joinable()) worker_.join();
}

int MatchRunner::Start(MatchJob job) {
  Cancel();
  Join();
  cancel_ = CancelToken();
  running_ = true;
  const int number = ++job_;
  current_ = number;
  done_ = std::make_shared<std::atomic<std::size_t>>(0);
  total_ = std::make_shared<std::atomic<std::size_t>>(job.rows.size());
  progress_posted_ = std::make_shared<std::atomic<bool>>(false);
  QPointer<MatchRunner> self(this);
  worker_ = std::thread([this, self, number, job = std::move(job), cancel = cancel_,
                         done = done_, total = total_, posted = progress_posted_]() mutable {
    MatchOutcome outcome;
    outcome.job = number;
    outcome.path = job.path;
    try {
      outcome.playlist = job.path.empty() ? job.playlist
                                          : std::make_shared<const Playlist>(ReadPlaylistFile(job.path));
      MatchControl control;
      control.cancel = cancel;
      // At most one progress report waits in the GUI thread's queue at a time.
      control.progress = [this, self, done, total, posted](std::size_t d, std::size_t t) {
        done->store(d);
        total->store(t);
        if (posted->exchange(true)) return;
        QMetaObject::invokeMethod(
            this,
            [this, self, done, total, posted] {
              posted->store(false);
              if (self && done == done_) emit Progress(done->load(), total->load());
            },
            Qt::QueuedConnection);
      };
      outcome.run = MatchPlaylist(job.rows, *outcome.playlist, job.options, control);
      outcome.rows = std::move(job.rows);
    } catch (const PlaylistError& e) {
      outcome.error = e.Notice();
    } catch (const MatchCancelled&) {
      outcome.cancelled = true;
    } catch (const std::exception& e) {
      outcome.failure = e.what();
    }
    if (cancel.Cancelled()) return;
    QMetaObject::invokeMethod(
        this,
        [this, self, outcome = std::move(outcome)] {
          if (!self || outcome.job != current_) return;
          current_ = 0;
          running_ = false;
          emit Finished(outcome);
        },
        Qt::QueuedConnection);
  });
  return number;
}

void MatchRunner::Cancel() {
  cancel_.Cancel();
  current_ = 0;
  running_ = false;
}

}  // namespace brelvik
