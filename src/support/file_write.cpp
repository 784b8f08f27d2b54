// Whole-or-nothing file writing through a temporary file and rename(2).
#include "support/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <system_error>

namespace brelvik {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const fs::path& shown, int error) {
  throw FileWriteError("Cannot write " + shown.string() + ": " +
                       std::generic_category().message(error));
}

// 0 on success, else the errno of the failed write.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Devices and FIFOs: there is nothing to replace, only something to write to.
void WriteInPlace(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) Fail(path, errno);
  const int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0 && errno != EINTR) Fail(path, errno);
  if (error != 0) Fail(path, error);
}

std::string RandomSuffix() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(::getpid()) << 32));
  std::uniform_int_distribution<int> pick(0, sizeof(kAlphabet) - 2);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kAlphabet[pick(generator)];
  return suffix;
}

// Removes the temporary file unless the rename has consumed it.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  // Creates ".<name>.XXXXXX" in `dir`; mode 0666 lets the umask and any
  // default ACL apply as they would to the file itself. Returns 0 or errno.
  int Create(const fs::path& dir, const std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      fs::path candidate = dir / ("." + name + "." + RandomSuffix());
      const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        fd_ = fd;
        path_ = std::move(candidate);
        return 0;
      }
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }

  int fd() const { return fd_; }
  const fs::path& path() const { return path_; }

  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
  }

  void Release() { path_.clear(); }

 private:
  int fd_ = -1;
  fs::path path_;
};

void SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // The rename has happened; a directory that cannot be synced (some network
  // and FUSE file systems) is no reason to report the write as failed.
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

void WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  if (path.empty()) Fail(path, ENOENT);
  fs::path target = path;
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) Fail(path, errno);
  if (exists) {
    if (S_ISDIR(existing.st_mode)) Fail(path, EISDIR);
    if (!S_ISREG(existing.st_mode)) {
      WriteInPlace(path, bytes);
      return;
    }
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      std::error_code error;
      target = fs::canonical(path, error);
      if (error) Fail(path, error.value());
    }
  }
  if (!target.has_filename()) Fail(path, EISDIR);

  // ".<name>.XXXXXX" must stay within the usual 255-byte name limit.
  std::string name = target.filename().string();
  if (name.size() > 200) name.resize(200);
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");

  TempFile temp;
  if (const int error = temp.Create(dir, name)) Fail(path, error);
  if (exists) {
    // Best effort: a file system without owners or modes (FAT) still takes
    // the content. The owner first, as chown may clear set-id bits.
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
      (void)::fchown(temp.fd(), existing.st_uid, existing.st_gid);
    }
    (void)::fchmod(temp.fd(), existing.st_mode & 07777);
  }
  if (const int error = WriteAll(temp.fd(), bytes)) Fail(path, error);
  if (::fsync(temp.fd()) != 0) Fail(path, errno);
  if (const int error = temp.Close()) Fail(path, error);
  if (::rename(temp.path().c_str(), target.c_str()) != 0) Fail(path, errno);
  temp.Release();
  SyncDirectory(dir);
}

}  // namespace brelvik
