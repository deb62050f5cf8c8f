#pragma once

#include "deck_layout.hpp"

#include "kit/child_process.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace vantry::deck {

// The plugin as the deck host runs it: started with a fresh token for the host's port and device,
// watched, and started again a second after it ends.
class PluginSupervisor {
 public:
  static constexpr std::string_view registerEvent = "registerPlugin";

  // `ended` is told when a running plugin has ended, before it is started again.
  PluginSupervisor(boost::asio::io_context& context, std::string path, std::function<void()> ended);
  // Starts it for a host on the port; false, with a note, when it cannot.
  bool launch(unsigned short port, const DeckDevice& device);
  // Kills and reaps it; it is not started again.
  void stop();

  const std::string& token() const { return token_; }
  int launches() const { return launches_; }
  std::optional<long> processID() const;

 private:
  bool start();
  void onEnded();
  void restartLater(int tries);

  boost::asio::io_context& context_;
  std::string path_;
  std::function<void()> ended_;
  boost::asio::steady_timer restartTimer_;
  std::mt19937_64 random_;
  std::unique_ptr<kit::ChildProcess> plugin_;
  unsigned short port_ = 0;
  std::string info_;  // the "-info" launch value
  std::string token_;
  int launches_ = 0;
  bool stopped_ = false;
};

}  // namespace vantry::deck
