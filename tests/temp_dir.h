// A folder of the test's own under the system's temporary folder, removed with
// everything in it at the end of the scope, and whole-file reading.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace brelvik::test {

class TempDir {
 public:
  // `label` goes into the folder's name, to tell whose a folder left behind was.
  explicit TempDir(std::string_view label = "test") {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("brelvik-" + std::string(label) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace brelvik::test
