#pragma once

#include "deck_options.hpp"
#include "deck_routes.hpp"
#include "deck_state.hpp"
#include "plugin_supervisor.hpp"

#include "kit/http_server.hpp"
#include "kit/ws_session.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/json/object.hpp>

#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace vantry::deck {

// The virtual Stream Deck host: one port for the page and for the plugin's WebSocket, the plugin
// kept running, and the deck state that the plugin's connection and the pages' live connections
// join and leave.
class DeckHost : public std::enable_shared_from_this<DeckHost> {
 public:
  DeckHost(boost::asio::io_context& context, DeckOptions options, std::string pluginPath);

  // Listens on 127.0.0.1 and starts the plugin; a note on standard error and false when it cannot.
  bool start();
  // The process's exit code once the io_context has stopped.
  int exitCode() const { return exitCode_; }

 private:
  using Peer = kit::WsSession::Peer;

  // A WebSocket joins: the page's live updates come over /live; any other is a plugin's, which
  // connects to the bare address.
  bool join(kit::HttpRequest& request, boost::beast::tcp_stream& stream);
  void onPluginMessage(const Peer& session, const std::string& text);
  void onPluginRegistered(const Peer& session);
  void onPluginEnded();
  PageReply deliver(const std::vector<boost::json::object>& events, const boost::json::object& reply);
  boost::json::object state() const;
  void broadcast(const boost::json::object& message);
  void broadcastState();
  void finish(int code);
  void finishSnapshot();

  boost::asio::io_context& context_;
  DeckOptions options_;
  std::mt19937_64 random_;
  DeckState deck_;
  PluginSupervisor plugin_;
  std::optional<kit::HttpServer> server_;
  boost::asio::signal_set signals_;
  boost::asio::steady_timer runTimer_;
  Peer pluginSession_;  // the registered plugin's
  std::set<Peer> pages_;
  int registrations_ = 0;
  bool finished_ = false;
  int exitCode_ = 0;
};

}  // namespace vantry::deck
