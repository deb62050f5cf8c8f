// Child processes with POSIX calls. A Windows deck host would put CreateProcess and
// TerminateProcess behind the same class in a file of its own.
#include "plugin_process.hpp"

#if defined(_WIN32)
#error "plugin_process_posix.cpp is for POSIX systems."
#endif

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <chrono>
#include <thread>

namespace vantry::deck {

std::unique_ptr<PluginProcess> PluginProcess::start(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return nullptr;
  std::vector<char*> argv;
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // Tells the parent whether exec worked: the pipe closes on exec, or carries the error.
  int report[2];
  if (pipe(report) != 0) return nullptr;
  const pid_t parentPid = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    close(report[0]);
    close(report[1]);
    return nullptr;
  }
  if (pid == 0) {
    close(report[0]);
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
#if defined(__linux__)
    // A deck host that is killed outright takes its plugin with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parentPid) _exit(127);
#else
    (void)parentPid;
#endif
    execv(argv[0], argv.data());
    const int error = errno;
    [[maybe_unused]] const auto written = write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int error = 0;
  ssize_t got = 0;
  do {
    got = read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got > 0) {
    waitpid(pid, nullptr, 0);
    return nullptr;
  }
  return std::unique_ptr<PluginProcess>(new PluginProcess(pid));
}

PluginProcess::~PluginProcess() { terminate(); }

std::optional<std::string> PluginProcess::poll() {
  if (reaped_) return std::string("ended");
  int status = 0;
  const pid_t got = waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
  if (got != static_cast<pid_t>(pid_)) return std::nullopt;
  reaped_ = true;
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return std::string("ended");
}

void PluginProcess::terminate() {
  if (reaped_) return;
  kill(static_cast<pid_t>(pid_), SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!poll()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(static_cast<pid_t>(pid_), SIGKILL);
      waitpid(static_cast<pid_t>(pid_), nullptr, 0);
      reaped_ = true;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace vantry::deck
