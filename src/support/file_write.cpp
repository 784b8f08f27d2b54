// Whole-or-nothing file writing: an unnamed temporary file linked into place,
// or a named one renamed over the target.
#include "support/file_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace brelvik {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const fs::path& shown, int error) {
  throw FileWriteError(Failure{FailureKind::kFileWrite, shown.string(), {}, 0, error});
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

bool IsDevNull(const struct stat& st) {
  struct stat null {};
  return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && S_ISCHR(null.st_mode) &&
         st.st_rdev == null.st_rdev;
}

// The path with every symbolic link along its last component followed, a
// dangling one included, so that the file the link points to is written.
fs::path ResolveLinks(const fs::path& path, int& error) {
  fs::path current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat link {};
    if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return current;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(current.c_str(), buffer, sizeof buffer - 1);
    if (length < 0) {
      error = errno;
      return current;
    }
    const fs::path points_to(std::string(buffer, static_cast<std::size_t>(length)));
    current = points_to.is_absolute() ? points_to : current.parent_path() / points_to;
  }
  error = ELOOP;
  return current;
}

// /dev/null: there is nothing to replace, only something to write to.
void WriteInPlace(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) Fail(path, errno);
  const int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0 && errno != EINTR) Fail(path, errno);
  if (error != 0) Fail(path, error);
}

constexpr std::string_view kSuffixAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;

std::string RandomSuffix() {
  thread_local std::mt19937_64 generator(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (static_cast<std::uint64_t>(::getpid()) << 32));
  std::uniform_int_distribution<std::size_t> pick(0, kSuffixAlphabet.size() - 1);
  std::string suffix(kSuffixLength, ' ');
  for (char& c : suffix) c = kSuffixAlphabet[pick(generator)];
  return suffix;
}

// Named temporary files that exist right now, for the signal handler to
// remove: fixed slots, so the handler needs no lock and no allocation.
struct PendingSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a path
  char path[PATH_MAX];
};
PendingSlot g_pending[8];
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

extern "C" void RemovePendingAndDie(int signal_number) {
  for (PendingSlot& slot : g_pending) {
    if (slot.state.load() == 2) ::unlink(slot.path);
  }
  // Only signals left at their default action were taken over: restore it
  // and let the signal end the process as it would have.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal_number, &action, nullptr);
  ::raise(signal_number);
}

void InstallCleanupHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const int signal_number : kCleanedSignals) {
      struct sigaction current {};
      if (::sigaction(signal_number, nullptr, &current) != 0) continue;
      if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
      struct sigaction action {};
      action.sa_handler = RemovePendingAndDie;
      sigemptyset(&action.sa_mask);
      for (const int other : kCleanedSignals) sigaddset(&action.sa_mask, other);
      ::sigaction(signal_number, &action, nullptr);
    }
  });
}

// Keeps a named temporary file in a pending slot while it exists.
class PendingRemoval {
 public:
  explicit PendingRemoval(const fs::path& path) {
    if (path.native().size() >= PATH_MAX) return;
    InstallCleanupHandlers();
    for (PendingSlot& candidate : g_pending) {
      int expected = 0;
      if (candidate.state.compare_exchange_strong(expected, 1)) {
        std::memcpy(candidate.path, path.c_str(), path.native().size() + 1);
        candidate.state.store(2);
        slot_ = &candidate;
        return;
      }
    }
  }
  ~PendingRemoval() {
    if (slot_ != nullptr) slot_->state.store(0);
  }
  PendingRemoval(const PendingRemoval&) = delete;
  PendingRemoval& operator=(const PendingRemoval&) = delete;

 private:
  PendingSlot* slot_ = nullptr;
};

// A temporary file is locked (flock) for as long as its writer holds it, so
// that RemoveLeftovers takes only the files of writers that are gone.
bool LockHeld(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A free ".<name>.XXXXXX" beside the target, locked; mode 0666 lets the umask
// and any default ACL apply as they would to the file itself.
int OpenNamed(const fs::path& dir, const std::string& name, fs::path& created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = dir / ("." + name + "." + RandomSuffix());
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno != EEXIST) return -errno;
      continue;
    }
    // Another run's RemoveLeftovers may have taken the new file for a
    // leftover between its creation and the lock: then it is theirs to remove.
    struct stat by_fd {};
    struct stat by_name {};
    if (LockHeld(fd) && ::fstat(fd, &by_fd) == 0 && ::lstat(candidate.c_str(), &by_name) == 0 &&
        SameFile(by_fd, by_name)) {
      created = std::move(candidate);
      return fd;
    }
    ::close(fd);
  }
  return -EEXIST;
}

// Removes the ".<name>.XXXXXX" files beside the target that an earlier write
// of it left when it was killed between naming its finished file and putting
// it in place: exactly that pattern, regular files with one link whose
// writer no longer holds them.
void RemoveLeftovers(const fs::path& dir, const std::string& name) {
  DIR* listing = ::opendir(dir.c_str());
  if (listing == nullptr) return;
  const std::string prefix = "." + name + ".";
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view found = entry->d_name;
    if (found.size() != prefix.size() + kSuffixLength || !found.starts_with(prefix) ||
        found.find_first_not_of(kSuffixAlphabet, prefix.size()) != std::string_view::npos) {
      continue;
    }
    const int fd =
        ::openat(::dirfd(listing), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat by_fd {};
    struct stat by_name {};
    if (::fstat(fd, &by_fd) == 0 && S_ISREG(by_fd.st_mode) && by_fd.st_nlink == 1 && LockHeld(fd) &&
        ::fstatat(::dirfd(listing), entry->d_name, &by_name, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(by_fd, by_name)) {
      ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(listing);
}

// The temporary file: its descriptor, and its name once it has one. It stays
// locked until the object goes, through a second descriptor that outlives
// the checked close of the first.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
    if (lock_fd_ >= 0) ::close(lock_fd_);
  }

  // An unnamed file in `dir`. Returns 0, the errno of a real failure, or
  // EOPNOTSUPP where the file system (or kernel) has no unnamed files.
  int CreateUnnamed(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
      fd_ = fd;
      (void)LockHeld(fd_);  // nobody else can open it before it has a name
      KeepLock();
      return 0;
    }
    // Kernels before O_TMPFILE see only its O_DIRECTORY part (EISDIR).
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return EOPNOTSUPP;
    return errno;
  }

  int CreateNamed(const fs::path& dir, const std::string& name) {
    fs::path created;
    const int result = OpenNamed(dir, name, created);
    if (result < 0) return -result;
    fd_ = result;
    KeepLock();
    pending_.emplace(created);
    path_ = std::move(created);
    return 0;
  }

  // Gives the unnamed file the name `name`; false when it could not be done
  // (no /proc, a link limit), with errno kept for the caller.
  bool Link(const fs::path& name) {
    if (::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) return false;
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
    return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  }

  // Links the unnamed file under a free temporary name beside the target.
  int LinkNamed(const fs::path& dir, const std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      fs::path candidate = dir / ("." + name + "." + RandomSuffix());
      pending_.emplace(candidate);
      if (Link(candidate)) {
        path_ = std::move(candidate);
        return 0;
      }
      pending_.reset();
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }

  int fd() const { return fd_; }
  bool Named() const { return !path_.empty(); }
  const fs::path& path() const { return path_; }

  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
  }

  void Release() {
    path_.clear();
    pending_.reset();
  }

 private:
  void KeepLock() { lock_fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0); }

  int fd_ = -1;
  int lock_fd_ = -1;
  fs::path path_;
  std::optional<PendingRemoval> pending_;
};

void SyncDirectory(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // The file is in place; a directory that cannot be synced (some network
  // and FUSE file systems) is no reason to report the write as failed.
  ::fsync(fd);
  ::close(fd);
}

// Writes the bytes into `temp`, owned and moded like the file it replaces.
void Fill(TempFile& temp, const fs::path& shown, bool exists, const struct stat& existing,
          std::string_view bytes) {
  if (exists) {
    // Best effort: a file system without owners or modes (FAT) still takes
    // the content. The owner first, as chown may clear set-id bits.
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
      (void)::fchown(temp.fd(), existing.st_uid, existing.st_gid);
    }
    (void)::fchmod(temp.fd(), existing.st_mode & 07777);
  }
  if (const int error = WriteAll(temp.fd(), bytes)) Fail(shown, error);
  if (::fsync(temp.fd()) != 0) Fail(shown, errno);
}

// The whole content of the file open (read-write) as `fd`; 0 or the errno
// of the failure.
int ReadBack(int fd, std::string& bytes) {
  char buffer[65536];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    bytes.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

}  // namespace

std::optional<Failure> TargetRefusal(const fs::path& path) {
  if (path.empty()) return Failure{FailureKind::kFileWrite, "", {}, 0, ENOENT};
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;  // new, or failing on writing
  if (S_ISREG(st.st_mode) || IsDevNull(st)) return std::nullopt;
  if (S_ISDIR(st.st_mode)) return Failure{FailureKind::kFileWrite, path.string(), {}, 0, EISDIR};
  const char* kind = S_ISFIFO(st.st_mode) ? "fifo" : S_ISSOCK(st.st_mode) ? "socket" : "device";
  return Failure{FailureKind::kNotRegularFile, path.string(), kind};
}

bool SameTarget(const fs::path& a, const fs::path& b) {
  if (a == b) return true;
  std::error_code error;
  if (fs::equivalent(a, b, error) && !error) return true;
  int ignored = 0;
  const fs::path resolved_a = fs::weakly_canonical(fs::absolute(ResolveLinks(a, ignored)), error);
  if (error) return false;
  const fs::path resolved_b = fs::weakly_canonical(fs::absolute(ResolveLinks(b, ignored)), error);
  return !error && resolved_a == resolved_b;
}

// One file of a run: its content waits beside the target until the run
// puts all of its files in place.
struct PreparedFiles::File {
  fs::path shown;  // the path as the caller named it
  fs::path target;
  fs::path dir;
  std::string name;  // the target's name, cut for the temporary name
  bool exists = false;
  TempFile temp;
};

PreparedFiles::PreparedFiles() = default;
PreparedFiles::~PreparedFiles() = default;
PreparedFiles::PreparedFiles(PreparedFiles&&) noexcept = default;
PreparedFiles& PreparedFiles::operator=(PreparedFiles&&) noexcept = default;

void PreparedFiles::Add(const fs::path& path, std::string_view bytes, const WriteOptions& options) {
  if (const std::optional<Failure> refusal = TargetRefusal(path)) {
    Failure failure = *refusal;
    failure.where = path.string();
    throw FileWriteError(std::move(failure));
  }
  auto file = std::make_unique<File>();
  file->shown = path;
  int link_error = 0;
  file->target = ResolveLinks(path, link_error);
  if (link_error != 0) Fail(path, link_error);
  struct stat existing {};
  file->exists = ::stat(file->target.c_str(), &existing) == 0;
  if (!file->exists && errno != ENOENT) Fail(path, errno);
  if (file->exists && !S_ISREG(existing.st_mode)) {
    WriteInPlace(file->target, bytes);  // /dev/null: TargetRefusal let nothing else through
    return;
  }
  if (!file->target.has_filename()) Fail(path, EISDIR);

  // ".<name>.XXXXXX" must stay within the usual 255-byte name limit.
  file->name = file->target.filename().string();
  if (file->name.size() > 200) file->name.resize(200);
  file->dir = file->target.has_parent_path() ? file->target.parent_path() : fs::path(".");
  RemoveLeftovers(file->dir, file->name);

  int error = EOPNOTSUPP;
  if (options.unnamed_temporary) {
    error = file->temp.CreateUnnamed(file->dir);
    if (error != 0 && error != EOPNOTSUPP) Fail(path, error);
  }
  if (error != 0 && (error = file->temp.CreateNamed(file->dir, file->name)) != 0) {
    Fail(path, error);
  }
  Fill(file->temp, path, file->exists, existing, bytes);
  files_.push_back(std::move(file));
}

void PreparedFiles::Commit() {
  std::vector<std::unique_ptr<File>> files = std::move(files_);
  files_.clear();
  for (const std::unique_ptr<File>& file : files) {
    TempFile& temp = file->temp;
    if (!temp.Named()) {
      // A new file is linked in under its own name; an existing one is
      // replaced by rename, which needs the new content under a name first.
      if (!file->exists && temp.Link(file->target)) {
        temp.Close();
        SyncDirectory(file->dir);
        continue;
      }
      if (temp.LinkNamed(file->dir, file->name) != 0) {
        // No way to name the unnamed file here (no /proc): copy it to a named one.
        TempFile named;
        if (const int error = named.CreateNamed(file->dir, file->name)) Fail(file->shown, error);
        struct stat existing {};
        if (file->exists && ::stat(file->target.c_str(), &existing) != 0) file->exists = false;
        std::string bytes;
        if (const int error = ReadBack(temp.fd(), bytes)) Fail(file->shown, error);
        Fill(named, file->shown, file->exists, existing, bytes);
        if (const int error = named.Close()) Fail(file->shown, error);
        if (::rename(named.path().c_str(), file->target.c_str()) != 0) Fail(file->shown, errno);
        named.Release();
        SyncDirectory(file->dir);
        continue;
      }
    }
    if (const int error = temp.Close()) Fail(file->shown, error);
    if (::rename(temp.path().c_str(), file->target.c_str()) != 0) Fail(file->shown, errno);
    temp.Release();
    SyncDirectory(file->dir);
  }
}

void WriteFileAtomically(const fs::path& path, std::string_view bytes,
                         const WriteOptions& options) {
  PreparedFiles files;
  files.Add(path, bytes, options);
  files.Commit();
}

}  // namespace brelvik
