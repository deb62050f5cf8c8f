#pragma once

#include "deck.hpp"

#include "kit/child_process.hpp"
#include "kit/http_server.hpp"
#include "kit/ws_session.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/json/object.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::deck {

struct DeckOptions {
  std::uint16_t port = 0;  // 0: a free one
  std::string pluginPath;
  std::string snapshotDir;  // empty: serve the page until interrupted
  double seconds = 0;  // how long to run; 0: until interrupted
};

// Whether a request comes from the deck's own page or the plugin: its Host names this machine's
// loopback (127.0.0.1, localhost or [::1], with any port, since an ssh tunnel may forward another
// one), and its Origin, when there is one, is that same address over http. Anything else is a page
// of another site reaching in through the browser, or a name of another site resolved to
// 127.0.0.1, and is refused.
bool isLocalCaller(std::optional<std::string_view> host, std::optional<std::string_view> origin);
bool isLocalCaller(const kit::HttpRequest& request);
// A request target's path, without its query.
std::string_view pathOf(std::string_view target);

// The virtual Stream Deck host: one port for the page and for the plugin's WebSocket, the plugin
// started with a fresh token for each launch and started again a second after it ends, and the
// deck that the plugin's connection and the pages' live connections join and leave.
class DeckHost : public std::enable_shared_from_this<DeckHost> {
 public:
  DeckHost(boost::asio::io_context& context, DeckOptions options);

  // Listens on 127.0.0.1 and starts the plugin; a note on standard error and false when it cannot.
  bool start();
  // The process's exit code once the io_context has stopped.
  int exitCode() const { return exitCode_; }

 private:
  using Peer = kit::WsSession::Peer;
  struct PageReply {
    unsigned status;
    std::string body;
    const char* contentType = "application/json";
  };

  // The page, /state.json, POST /press and POST /dial, for the deck's own page and the plugin
  // only: any other caller gets 403.
  kit::ScriptedReply answer(const kit::HttpRequest& request);
  PageReply route(std::string_view method, std::string_view target);
  // Sends a press's or a dial's events to the plugin; the reply, or 503 without a plugin.
  PageReply deliver(const std::vector<boost::json::object>& events, const boost::json::object& reply);
  // A WebSocket joins: the page's live updates come over /live; any other is a plugin's, which
  // connects to the bare address.
  bool join(kit::HttpRequest& request, boost::beast::tcp_stream& stream);
  bool startPlugin();
  void onPluginEnded();
  void restartPlugin(int tries);
  void onPluginMessage(const Peer& session, const std::string& text);
  void onPluginRegistered(const Peer& session);
  boost::json::object state() const;
  void broadcast(const boost::json::object& message);
  void broadcastState();
  void finish(int code);
  void finishSnapshot();

  boost::asio::io_context& context_;
  DeckOptions options_;
  std::mt19937_64 random_;
  Deck deck_;
  std::optional<kit::HttpServer> server_;
  boost::asio::signal_set signals_;
  boost::asio::steady_timer runTimer_;
  boost::asio::steady_timer restartTimer_;
  std::unique_ptr<kit::ChildProcess> plugin_;
  std::string token_;  // the running plugin's
  int launches_ = 0;
  Peer pluginSession_;  // the registered plugin's
  std::set<Peer> pages_;
  int registrations_ = 0;
  bool finished_ = false;
  int exitCode_ = 0;
};

}  // namespace vantry::deck
