// Writing a whole file or nothing: the bytes go to a temporary file beside the
// target, which is then renamed over it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace brelvik {

// A file that could not be written; the message names the path and the
// system's reason, e.g. "Cannot write /x/y.txt: Permission denied".
class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces the file at `path` by `bytes`, or leaves it byte-for-byte as it was
// and throws FileWriteError. A replaced file keeps its permission bits (and,
// where allowed, its owner); a new one gets 0666 less the umask. A symbolic
// link is followed, so the link stays and its target gets the new content.
//
// A target that exists and is not a regular file (a character device such as
// /dev/null or /dev/full, a FIFO) cannot be replaced by renaming without
// destroying the device node, so it is written in place; a directory is
// refused.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace brelvik
