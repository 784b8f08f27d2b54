// Whole-or-nothing file writing: replacement, kept permissions, and failures
// that leave the earlier file and no temporary file behind.
#include "support/file_write.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
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

// A device that takes nothing: written in place (a rename would replace the
// device node itself), so the failure is the device's own and nothing is left.
TEST(WriteFileAtomically, FullDeviceFailsAndLeavesNothing) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const std::set<std::string> before = Names("/dev");
  try {
    WriteFileAtomically("/dev/full", "channels");
    ADD_FAILURE() << "writing to /dev/full succeeded";
  } catch (const FileWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write /dev/full: " + Reason(ENOSPC));
  }
  EXPECT_EQ(Names("/dev"), before);
  EXPECT_TRUE(fs::is_character_file("/dev/full"));

  WriteFileAtomically("/dev/null", "channels");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
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

}  // namespace
}  // namespace brelvik
