#include "plugin_supervisor.hpp"

#include "deck_options.hpp"  // note

#include <boost/asio/post.hpp>
#include <boost/json/serialize.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace vantry::deck {

namespace {
constexpr auto restartDelay = std::chrono::seconds(1);
}  // namespace

PluginSupervisor::PluginSupervisor(boost::asio::io_context& context, std::string path, std::function<void()> ended)
    : context_(context), path_(std::move(path)), ended_(std::move(ended)), restartTimer_(context),
      random_(std::random_device{}()) {}

bool PluginSupervisor::launch(unsigned short port, const DeckDevice& device) {
  if (!std::filesystem::exists(path_)) {
    note("no plugin executable at " + path_ + " (build VantryProDeckPlugin, or give --plugin PATH)");
    return false;
  }
  port_ = port;
  info_ = boost::json::serialize(launchInfo(device));
  return start();
}

bool PluginSupervisor::start() {
  token_ = randomHex(random_);
  const std::vector<std::string> arguments{path_, "-port", std::to_string(port_), "-pluginUUID", token_,
                                           "-registerEvent", std::string(registerEvent), "-info", info_};
  auto plugin = std::make_unique<kit::ChildProcess>(context_, arguments);
  if (!plugin->started()) {
    note("cannot start the plugin " + path_);
    return false;
  }
  plugin_ = std::move(plugin);
  ++launches_;
  note("started the plugin (process " + std::to_string(plugin_->id()) + ")");
  // Handled as a work item of its own: the child's object must not end inside its own completion.
  plugin_->onExit([this](int) { boost::asio::post(context_, [this] { onEnded(); }); });
  return true;
}

void PluginSupervisor::onEnded() {
  if (stopped_ || !plugin_) return;
  if (const auto& errors = plugin_->errorText(); !errors.empty()) std::fputs(errors.c_str(), stderr);
  note("the plugin ended (exit code " + std::to_string(plugin_->exitCode().value_or(-1)) + "); starting it again in 1 s");
  plugin_.reset();
  ended_();
  restartLater(2);
}

// Tried once more a second later when it cannot start: the file may be back after a rebuild.
void PluginSupervisor::restartLater(int tries) {
  restartTimer_.expires_after(restartDelay);
  restartTimer_.async_wait([this, tries](const boost::system::error_code& error) {
    if (!error && !stopped_ && !plugin_ && !start() && tries > 1) restartLater(tries - 1);
  });
}

void PluginSupervisor::stop() {
  stopped_ = true;
  plugin_.reset();
  restartTimer_.cancel();
}

std::optional<long> PluginSupervisor::processID() const {
  return plugin_ ? std::optional<long>(plugin_->id()) : std::nullopt;
}

}  // namespace vantry::deck
