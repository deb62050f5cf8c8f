#pragma once

#include <boost/asio/io_context.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantry::kit {

// A program run as a child of this one, as a Stream Deck host runs a plugin: its standard input
// and output lead nowhere, its standard error is gathered, and its end is seen on the io_context,
// so that nothing polls for it. The child inherits no other descriptor of this process.
class ChildProcess {
 public:
  // arguments.front() is the program's path. Nothing has started when started() is false.
  ChildProcess(boost::asio::io_context& context, const std::vector<std::string>& arguments);
  // A process this one has taken over as an orphan (see adoptOrphans), seen as a child of its own;
  // nothing of its standard error is gathered.
  ChildProcess(boost::asio::io_context& context, long adoptedID);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child that still runs is killed and reaped.
  ~ChildProcess();

  bool started() const;
  long id() const;
  // Its exit code once it has ended; the signal's number when a signal ended it.
  const std::optional<int>& exitCode() const;
  // What it wrote to standard error so far.
  const std::string& errorText() const;
  // Called once, on the io_context, when it has ended.
  void onExit(std::function<void(int)> handler);

  // Makes this process take over the orphans among its descendants, as init would, so that it
  // learns how a program ends whose parent is gone. False where the system cannot (only Linux can).
  static bool adoptOrphans();

 private:
  // Outlives this object for the asynchronous reads and waits still under way.
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vantry::kit
