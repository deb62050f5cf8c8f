#pragma once

#include "deck.hpp"

#include "kit/child_process.hpp"
#include "kit/http_server.hpp"
#include "kit/ws_session.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/json/object.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantry::deck {

struct DeckOptions {
  std::uint16_t port = 0;  // 0: a free one
  std::string pluginPath;
  std::string snapshotDir;  // empty: serve the page until interrupted
  double seconds = 0;  // how long to run; 0: until interrupted
  // The settings keys and dials start with: which ones (a context, an action identifier or a short
  // name), and the settings.
  std::vector<std::pair<std::string, boost::json::object>> settings;
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
// A line on standard error.
void note(const std::string& text);

// The virtual Stream Deck host: one port for the page and for the plugin's and the property
// inspectors' WebSockets, the plugin started with a fresh token for each launch and started again a
// second after it ends, and the deck that the plugin's connection and the pages' live connections
// join and leave. It keeps each key's and dial's settings and the plugin's global ones, in memory,
// and relays them and the inspectors' messages as the host does.
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

  // The page, /state.json, POST /press, POST /dial and the bundle's files under /pi/, for the
  // deck's own page and the plugin only: any other caller gets 403.
  kit::ScriptedReply answer(const kit::HttpRequest& request);
  PageReply route(std::string_view method, std::string_view target);
  // A file of the plugin's bundle, for the property inspector: 403 for a path that leads outside
  // the bundle, 404 for none.
  PageReply bundleFile(std::string_view urlPath) const;
  // Sends a press's or a dial's events to the plugin; the reply, or 503 without a plugin.
  PageReply deliver(const std::vector<boost::json::object>& events, const boost::json::object& reply);
  // A WebSocket joins: the page's live updates come over /live; any other is the plugin's or a
  // property inspector's, which both connect to the bare address and tell which by registering.
  bool join(kit::HttpRequest& request, boost::beast::tcp_stream& stream);
  bool startPlugin();
  void onPluginEnded();
  void restartPlugin(int tries);
  void onMessage(const Peer& session, const std::string& text);
  void onPluginRegistered(const Peer& session);
  void onInspectorRegistered(const Peer& session, const std::string& context);
  void onInspectorEnded(const Peer& session);
  bool isInspected(std::string_view context) const;
  // Handles a settings or inspector event of the plugin or of an inspector (whose context is its
  // key's or dial's) as the host does; false for any other event.
  bool relay(const Peer& from, const boost::json::object& message, std::string_view context);
  void sendTo(const Peer& peer, const boost::json::object& message);
  // To the inspectors of a context, or of every one when it is empty, but the sender.
  void sendToInspectors(const boost::json::object& message, std::string_view context, const Peer& sender);
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
  std::filesystem::path bundle_;
  std::map<Peer, std::string> inspectors_;  // each open property inspector and its context
  boost::json::object globalSettings_;
  int registrations_ = 0;
  bool finished_ = false;
  int exitCode_ = 0;
};

}  // namespace vantry::deck
