// Writing a whole file or nothing: the bytes go to a temporary file beside the
// target, which then takes the target's place.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "support/failure.h"

namespace brelvik {

// A file that could not be written; its failure names the path and the
// reason, e.g. "Cannot write /x/y.txt: Permission denied".
class FileWriteError : public FailureError {
 public:
  using FailureError::FailureError;
};

struct WriteOptions {
  // On Linux the bytes first go to an unnamed file (O_TMPFILE), linked in at
  // the end, so that a process killed meanwhile leaves nothing behind. False
  // takes the named ".<name>.XXXXXX" file that file systems without O_TMPFILE
  // get; SIGINT, SIGTERM, SIGHUP and SIGXFSZ remove it before the process ends
  // (where the program has not set handlers of its own).
  bool unnamed_temporary = true;
};

// Why `path` cannot be written, found without writing: an empty path, a
// directory, or something other than a regular file (a FIFO, a socket, a
// device other than /dev/null), which could block or destroy a device node.
// nullopt when the write may go ahead; it can still fail for other reasons.
std::optional<Failure> TargetRefusal(const std::filesystem::path& path);

// True when both paths name one file: the same text, or, resolved through
// symbolic links and "..", the same place or the same existing file.
bool SameTarget(const std::filesystem::path& a, const std::filesystem::path& b);

// The files of one run, written all or none: each is written beside its
// target first, and only when every one was written are they put in place,
// in the order added. Before a target's file is written, the hidden
// ".<name>.XXXXXX" files an earlier write of that target left when it was
// killed between naming its finished file and putting it in place are
// removed (only such files: that exact pattern, one link, no live writer).
class PreparedFiles {
 public:
  PreparedFiles();
  // What was added and not put in place is removed.
  ~PreparedFiles();
  PreparedFiles(PreparedFiles&&) noexcept;
  PreparedFiles& operator=(PreparedFiles&&) noexcept;

  // Writes `bytes` for `path` beside it, or throws FileWriteError; either
  // way no target is changed yet. /dev/null is written at once.
  void Add(const std::filesystem::path& path, std::string_view bytes,
           const WriteOptions& options = {});
  // Puts the added files in place; throws FileWriteError for one that cannot
  // be, which leaves it and the ones after it as they were.
  void Commit();

 private:
  struct File;
  std::vector<std::unique_ptr<File>> files_;
};

// Replaces the file at `path` by `bytes`, or leaves it byte-for-byte as it was
// and throws FileWriteError. A replaced file keeps its permission bits (and,
// where allowed, its owner); a new one gets 0666 less the umask. A symbolic
// link is followed, a dangling one too, so the link stays and the file it
// points to gets the new content. /dev/null is written in place; any other
// target TargetRefusal names is refused.
// Leftovers of earlier killed writes of it are removed as PreparedFiles does.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         const WriteOptions& options = {});

}  // namespace brelvik
