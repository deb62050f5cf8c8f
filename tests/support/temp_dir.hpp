#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace vantry::test {

// A fresh folder under the system's temporary directory, removed with the object.
struct TempDir {
  explicit TempDir(const std::string& prefix)
      : path(std::filesystem::temp_directory_path() /
             (prefix + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()))) {
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

}  // namespace vantry::test
