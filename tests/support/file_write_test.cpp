// Whole-or-nothing file writing: replacement, kept permissions, and failures
// that leave the earlier file and no temporary file behind.
#include "support/file_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "temp_dir.h"

namespace brelvik {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;

void PutFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

std::string Reason(int error) { return std::generic_category().message(error); }

TEST(WriteFileAtomically, CreatesThenReplacesKeepingPermissions) {
  TempDir dir;
  const fs::path file = dir.path() / "list.txt";
  const mode_t mask = ::umask(0);
  ::umask(mask);

  WriteFileAtomically(file, "first\r\n");
  EXPECT_EQ(ReadFile(file), "first\r\n");
  EXPECT_EQ(ModeOf(file), 0666 & ~mask);

  ::chmod(file.c_str(), 0640);
  WriteFileAtomically(file, std::string("second\0line", 11));
  EXPECT_EQ(ReadFile(file), std::string("second\0line", 11));
  EXPECT_EQ(ModeOf(file), 0640u);

  WriteFileAtomically(file, "");
  EXPECT_EQ(fs::file_size(file), 0u);
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"list.txt"});
}

TEST(WriteFileAtomically, RelativePathAndSymbolicLink) {
  TempDir dir;
  const fs::path old_cwd = fs::current_path();
  fs::current_path(dir.path());
  WriteFileAtomically("plain.txt", "relative");
  fs::current_path(old_cwd);
  EXPECT_EQ(ReadFile(dir.path() / "plain.txt"), "relative");

  // The link stays a link; its target gets the content.
  fs::create_directory(dir.path() / "real");
  PutFile(dir.path() / "real" / "list.txt", "old");
  fs::create_symlink("real/list.txt", dir.path() / "link.txt");
  WriteFileAtomically(dir.path() / "link.txt", "new");
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.txt"));
  EXPECT_EQ(ReadFile(dir.path() / "real" / "list.txt"), "new");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"link.txt", "plain.txt", "real"}));
  EXPECT_EQ(Names(dir.path() / "real"), std::set<std::string>{"list.txt"});
}

// Paths that fail for root as well: no permission bits are involved.
TEST(WriteFileAtomically, UnwritablePlacesFailWithTheSystemsReason) {
  TempDir dir;
  PutFile(dir.path() / "plain", "not a folder");
  fs::create_directory(dir.path() / "folder");
  PutFile(dir.path() / "folder" / "keep.txt", "keep");
  struct Case {
    fs::path path;
    int error;
  };
  const Case cases[] = {
      {dir.path() / "plain" / "list.txt", ENOTDIR},
      {dir.path() / "missing" / "list.txt", ENOENT},
      {dir.path() / "folder", EISDIR},
      {dir.path() / "new" / "", EISDIR},
  };
  for (const Case& c : cases) {
    try {
      WriteFileAtomically(c.path, "bytes");
      ADD_FAILURE() << "no error for " << c.path;
    } catch (const FileWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot write " + c.path.string() + ": " + Reason(c.error));
    }
  }
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"folder", "plain"}));
  EXPECT_EQ(Names(dir.path() / "folder"), std::set<std::string>{"keep.txt"});
  EXPECT_EQ(ReadFile(dir.path() / "plain"), "not a folder");
}

// A folder nobody may create files in, with a file already there.
TEST(WriteFileAtomically, ReadOnlyFolderKeepsTheEarlierFile) {
  const fs::path file = "/proc/version";
  const std::string before = ReadFile(file);
  if (before.empty()) GTEST_SKIP() << "no /proc here";
  EXPECT_THROW(
      {
        try {
          WriteFileAtomically(file, "replaced");
        } catch (const FileWriteError& e) {
          EXPECT_EQ(std::string(e.what()).rfind("Cannot write /proc/version: ", 0), 0u) << e.what();
          throw;
        }
      },
      FileWriteError);
  EXPECT_EQ(ReadFile(file), before);
}

// Runs `body` in a child process and returns its wait status, or -1 when it
// had to be killed after `limit` seconds (a write that blocked).
template <typename Body>
int InChild(Body&& body, unsigned limit = 10) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(limit);
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return -1;
  return status;
}

// Targets that are not regular files are refused before anything is opened:
// a FIFO without a reader would block the write for ever, and a device or a
// socket is no place for a list. /dev/null still takes the bytes.
TEST(WriteFileAtomically, TargetsThatAreNotRegularFilesAreRefused) {
  TempDir dir;
  const fs::path fifo = dir.path() / "list.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path socket_path = dir.path() / "socket.txt";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink(fifo, dir.path() / "link-to-fifo.txt");
  const struct {
    fs::path path;
    const char* english;
    const char* russian;
  } cases[] = {
      {fifo, "it is a FIFO, not a regular file", "это именованный канал (FIFO), а не обычный файл"},
      {dir.path() / "link-to-fifo.txt", "it is a FIFO, not a regular file",
       "это именованный канал (FIFO), а не обычный файл"},
      {socket_path, "it is a socket, not a regular file", "это сокет, а не обычный файл"},
      {"/dev/full", "it is a device, not a regular file", "это устройство, а не обычный файл"},
      {"/dev/zero", "it is a device, not a regular file", "это устройство, а не обычный файл"},
  };
  for (const auto& c : cases) {
    if (!fs::exists(c.path)) continue;
    const int status = InChild([&] {
      try {
        WriteFileAtomically(c.path, "channels");
      } catch (const FileWriteError& e) {
        const bool english =
            std::string(e.what()) == "Cannot write " + c.path.string() + ": " + c.english;
        const bool russian = FailureText(e.GetFailure(), Language::kRu) ==
                             "Не удалось записать " + c.path.string() + ": " + c.russian;
        ::_exit(english && russian ? 0 : 2);
      }
      ::_exit(1);
    });
    EXPECT_NE(status, -1) << c.path << ": the write blocked";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << c.path << (WIFEXITED(status) && WEXITSTATUS(status) == 1 ? ": written" : ": message");
    EXPECT_EQ(TargetRefusal(c.path).has_value(), true) << c.path;
  }
  ::close(listener);
  EXPECT_FALSE(TargetRefusal("/dev/null"));
  WriteFileAtomically("/dev/null", "channels");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(Names(dir.path()),
            (std::set<std::string>{"link-to-fifo.txt", "list.txt", "socket.txt"}));
}

// A link whose file does not exist yet: the file is created where the link
// points, and the link stays.
TEST(WriteFileAtomically, DanglingLinkGetsItsFileCreated) {
  TempDir dir;
  fs::create_directory(dir.path() / "real");
  fs::create_symlink("real/list.txt", dir.path() / "link.txt");
  fs::create_symlink("link.txt", dir.path() / "link-to-link.txt");
  WriteFileAtomically(dir.path() / "link-to-link.txt", "new");
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.txt"));
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link-to-link.txt"));
  EXPECT_EQ(ReadFile(dir.path() / "real" / "list.txt"), "new");
  EXPECT_EQ(Names(dir.path() / "real"), std::set<std::string>{"list.txt"});
}

// A write that breaks off half-way (as on a full disk), provoked by a file
// size limit: the earlier file stays byte-for-byte, the temporary file goes.
TEST(WriteFileAtomically, FailureHalfWayKeepsTheEarlierFile) {
  TempDir dir;
  const fs::path file = dir.path() / "channels_id";
  const std::string earlier = "a:1:{s:32:\"0123456789abcdef0123456789abcdef\";s:3:\"101\";}\r\n";
  PutFile(file, earlier);

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 4096;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  std::string message;
  try {
    WriteFileAtomically(file, std::string(100000, 'x'));
  } catch (const FileWriteError& e) {
    message = e.what();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(message, "Cannot write " + file.string() + ": " + Reason(EFBIG));
  EXPECT_EQ(ReadFile(file), earlier);
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"channels_id"});
}

// A process killed while it writes leaves the earlier file and nothing else:
// an unnamed temporary file vanishes with the process whatever kills it; a
// named one is removed by the signal handler before the signal ends the
// process. The kill comes from the file size limit (SIGXFSZ) half-way
// through, directly or through a handler that turns it into another signal.
TEST(WriteFileAtomically, AKilledWriteLeavesNoTemporaryFile) {
  TempDir dir;
  const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
  const bool unnamed_files = probe >= 0;
  if (probe >= 0) ::close(probe);
  static int raised;
  const struct {
    const char* what;
    bool unnamed;
    int signal_number;  // raised from the SIGXFSZ handler; SIGXFSZ: none installed
  } cases[] = {
      {"unnamed, SIGXFSZ", true, SIGXFSZ}, {"unnamed, SIGKILL", true, SIGKILL},
      {"named, SIGXFSZ", false, SIGXFSZ},  {"named, SIGTERM", false, SIGTERM},
      {"named, SIGINT", false, SIGINT},
  };
  const fs::path file = dir.path() / "channels_id";
  const std::string earlier = "a:0:{}\r\n";
  for (const auto& c : cases) {
    if (c.unnamed && !unnamed_files) continue;
    PutFile(file, earlier);
    raised = c.signal_number;
    const int status = InChild([&] {
      if (c.signal_number != SIGXFSZ) {
        std::signal(SIGXFSZ, [](int) { ::raise(raised); });
      }
      rlimit limited{};
      ::getrlimit(RLIMIT_FSIZE, &limited);
      limited.rlim_cur = 4096;
      ::setrlimit(RLIMIT_FSIZE, &limited);
      WriteFileAtomically(file, std::string(100000, 'x'), {.unnamed_temporary = c.unnamed});
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal_number) << c.what;
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"channels_id"}) << c.what;
    EXPECT_EQ(ReadFile(file), earlier) << c.what;
  }
}

// The files of one run go in place together or not at all: a target that
// cannot be written, found while the files are written, leaves the ones
// added before it untouched and no temporary file behind.
TEST(PreparedFiles, AFailingTargetLeavesEveryFileAsItWas) {
  TempDir dir;
  const fs::path first = dir.path() / "channels_id";
  const fs::path second = dir.path() / "list.txt";
  PutFile(second, "earlier list");
  const struct {
    const char* what;
    fs::path target;
  } failing[] = {
      {"a missing folder", dir.path() / "missing" / "guide.xml"},
      {"a file taken for a folder", second / "guide.xml"},
  };
  for (const auto& c : failing) {
    PutFile(first, "earlier map");
    PreparedFiles files;
    files.Add(first, "new map");
    EXPECT_THROW(files.Add(c.target, "guide"), FileWriteError) << c.what;
    EXPECT_EQ(ReadFile(first), "earlier map") << c.what;
  }
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"channels_id", "list.txt"}));

  PreparedFiles files;
  files.Add(first, "new map");
  files.Add(dir.path() / "guide.xml", "guide");
  EXPECT_EQ(ReadFile(first), "earlier map");  // nothing moves before the commit
  EXPECT_FALSE(fs::exists(dir.path() / "guide.xml"));
  files.Commit();
  EXPECT_EQ(ReadFile(first), "new map");
  EXPECT_EQ(ReadFile(dir.path() / "guide.xml"), "guide");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"channels_id", "guide.xml", "list.txt"}));
}

// A write killed where no handler can run (SIGKILL) while its content sits
// under a hidden name leaves that file; the next write of the same target
// removes it, and only what matches the pattern exactly and has no live
// writer.
TEST(WriteFileAtomically, TheNextWriteRemovesLeftoversOfItsTarget) {
  TempDir dir;
  const fs::path file = dir.path() / "channels_id";
  PutFile(file, "earlier");
  const int status = InChild([&] {
    std::signal(SIGXFSZ, [](int) { ::raise(SIGKILL); });
    rlimit limited{};
    ::getrlimit(RLIMIT_FSIZE, &limited);
    limited.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    WriteFileAtomically(file, std::string(100000, 'x'), {.unnamed_temporary = false});
  });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  ASSERT_EQ(Names(dir.path()).size(), 2u) << "the killed write left its hidden file";

  const std::set<std::string> kept = {
      ".channels_id.Ab3dE",    // too short
      ".channels_id.Ab3dE9x",  // too long
      ".channels_id.Ab-dE9",   // not of the alphabet
      ".channels_id.held01",   // its writer still holds it
      ".channels_id.dir001",   // a folder
      ".channels_id.link01",   // a second name of another file
      ".other.Ab3dE9",         // another target's
      "channels_id.Ab3dE9",    // not hidden
  };
  for (const std::string& name : kept) {
    if (name != ".channels_id.dir001" && name != ".channels_id.link01") {
      PutFile(dir.path() / name, "keep");
    }
  }
  PutFile(dir.path() / ".channels_id.Zz0123", "leftover");
  fs::create_directory(dir.path() / ".channels_id.dir001");
  PutFile(dir.path() / "kept.txt", "keep");
  fs::create_hard_link(dir.path() / "kept.txt", dir.path() / ".channels_id.link01");
  const int holder = ::open((dir.path() / ".channels_id.held01").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);

  WriteFileAtomically(file, "new");
  ::close(holder);
  std::set<std::string> expected = kept;
  expected.insert({"channels_id", "kept.txt"});
  EXPECT_EQ(Names(dir.path()), expected);
  EXPECT_EQ(ReadFile(file), "new");
}

}  // namespace
}  // namespace brelvik
