#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantry::deck {

// The plugin as a child process. Starting, polling and ending it is the one platform-specific
// part of the deck host: plugin_process_posix.cpp holds it for Linux and macOS.
class PluginProcess {
 public:
  // Nothing when the program could not be started.
  static std::unique_ptr<PluginProcess> start(const std::vector<std::string>& arguments);

  PluginProcess(const PluginProcess&) = delete;
  PluginProcess& operator=(const PluginProcess&) = delete;
  // Ends and reaps the child if it still runs.
  ~PluginProcess();

  // The exit description once it has ended ("exit status 1", "signal 9"), without waiting.
  std::optional<std::string> poll();
  // Asks it to end, then forces it after a short grace, and reaps it.
  void terminate();
  long id() const { return static_cast<long>(pid_); }

 private:
  explicit PluginProcess(long pid) : pid_(pid) {}
  long pid_;
  bool reaped_ = false;
};

}  // namespace vantry::deck
