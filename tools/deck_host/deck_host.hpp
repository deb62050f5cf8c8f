#pragma once

#include "deck_dials.hpp"
#include "deck_layout.hpp"
#include "deck_options.hpp"
#include "ws_session.hpp"

#include "child_process.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/json/object.hpp>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vantry::deck {

// The virtual Stream Deck host: one port for the plugin's WebSocket and for the page, the plugin
// child kept running, and every key's latest picture, title and mark and every dial's strip.
class DeckHost : public std::enable_shared_from_this<DeckHost> {
 public:
  DeckHost(boost::asio::io_context& context, DeckOptions options, std::string pluginPath);

  // Binds 127.0.0.1 and starts everything; a message on standard error and false when it cannot.
  bool start();
  unsigned short port() const { return port_; }
  // The process's exit code once the io_context has stopped.
  int exitCode() const { return exitCode_; }

  boost::json::object state() const;

 private:
  void acceptNext();
  void serveHttp(boost::asio::ip::tcp::socket socket);
  void openPluginSession(const std::shared_ptr<WsSession>& session);
  void openLiveSession(const std::shared_ptr<WsSession>& session);
  void onPluginMessage(const std::shared_ptr<WsSession>& session, const std::string& text);
  void onPluginRegistered(const std::shared_ptr<WsSession>& session);

  bool launchPlugin();
  void onPluginEnded();
  void finish(int code);
  void finishSnapshot();

  // The answer to one page request: status, content type, body.
  struct PageReply {
    unsigned status;
    std::string contentType;
    std::string body;
  };
  PageReply answer(std::string_view method, std::string_view target);
  PageReply press(std::string_view target);
  PageReply operateDial(std::string_view target);
  // Sends the events to the connected plugin and answers with the reply; 503 without a plugin.
  PageReply deliver(const std::vector<boost::json::object>& events, const boost::json::object& reply);

  void broadcast(const boost::json::object& message);
  void broadcastState();

  boost::asio::io_context& context_;
  DeckOptions options_;
  std::string pluginPath_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::signal_set signals_;
  boost::asio::steady_timer restartTimer_;
  boost::asio::steady_timer runTimer_;
  std::mt19937_64 random_;
  unsigned short port_ = 0;
  DeckDevice device_;
  std::vector<DeckKey> keys_;
  std::vector<DeckDial> dials_;
  std::unique_ptr<tools::ChildProcess> plugin_;
  std::string pluginToken_;
  std::weak_ptr<WsSession> pluginSession_;
  std::vector<std::weak_ptr<WsSession>> liveSessions_;
  int launches_ = 0;
  int registrations_ = 0;
  bool finished_ = false;
  int exitCode_ = 0;
};

// The deck page: plain HTML, CSS and JavaScript, no build step.
extern const char* const deckPageHTML;

}  // namespace vantry::deck
