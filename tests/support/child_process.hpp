#pragma once

// Starting the plugin executable from a test. POSIX only: the executable tests run on Linux and macOS.
#if defined(_WIN32)
#error "The executable tests start child processes with POSIX calls."
#endif

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vantry::test {

class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& arguments) {
    char pattern[] = "/tmp/vantry-child-stderr-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    stderrPath_ = pattern;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath_.c_str(), O_WRONLY | O_TRUNC, 0600);
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  ~ChildProcess() {
    if (!status_ && pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::remove(stderrPath_.c_str());
  }

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // The exit status once the process has ended within the span, else nothing.
  std::optional<int> exitStatusWithin(std::chrono::steady_clock::duration span) {
    const auto deadline = std::chrono::steady_clock::now() + span;
    while (!status_) {
      int raw = 0;
      if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
  }

  std::string stderrText() const {
    std::ifstream file(stderrPath_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::string stderrPath_;
};

}  // namespace vantry::test
