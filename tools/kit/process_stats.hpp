#pragma once

// Reading another process's CPU time and memory: Linux /proc only.
#if !defined(__linux__)
#error "Process statistics come from /proc, which only Linux has."
#endif

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace vantry::kit {

// CPU time of every thread of the process, in nanoseconds, from the scheduler's own accounting.
inline std::uint64_t cpuNanoseconds(pid_t pid) {
  std::uint64_t total = 0;
  const auto tasks = std::filesystem::path("/proc") / std::to_string(pid) / "task";
  for (const auto& task : std::filesystem::directory_iterator(tasks)) {
    std::ifstream file(task.path() / "schedstat");
    std::uint64_t onCpu = 0;
    if (file >> onCpu) total += onCpu;
  }
  return total;
}

struct UserSystemTicks {
  std::uint64_t user = 0;
  std::uint64_t system = 0;
};

// User and system CPU time in clock ticks, fields 14 and 15 of /proc/<pid>/stat.
inline UserSystemTicks userSystemTicks(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The command name may hold blanks; the fields after it are counted from its closing parenthesis.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  for (int field = 3; field < 14; ++field) fields >> skip;
  UserSystemTicks ticks;
  fields >> ticks.user >> ticks.system;
  return ticks;
}

// A line of /proc/<pid>/status in kB, such as VmRSS or VmHWM.
inline std::uint64_t statusKilobytes(pid_t pid, const std::string& key) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/status");
  std::string word;
  while (file >> word && word != key + ":") {
  }
  std::uint64_t kb = 0;
  file >> kb;
  return kb;
}

}  // namespace vantry::kit
