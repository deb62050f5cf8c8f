#include "deck_host.hpp"

#include "local_caller.hpp"
#include "snapshot.hpp"

#include "host/host_messages.hpp"

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include <chrono>
#include <csignal>
#include <iostream>

namespace vantry::deck {

namespace json = boost::json;

namespace {

// A key picture is a few kilobytes; a logo PNG may be larger, but not this large. Frames queued
// for a peer that stops reading are dropped beyond the limit; a quiet peer is pinged, and the
// plugin answers.
const kit::PeerBounds peerBounds{8 * 1024 * 1024, 4096, std::chrono::seconds(60)};

}  // namespace

DeckHost::DeckHost(boost::asio::io_context& context, DeckOptions options, std::string pluginPath)
    : context_(context),
      options_(std::move(options)),
      random_(std::random_device{}()),
      deck_(random_),
      plugin_(context, std::move(pluginPath), [this] { onPluginEnded(); }),
      signals_(context, SIGINT, SIGTERM),
      runTimer_(context) {}

bool DeckHost::start() {
  try {
    server_.emplace(
        context_, options_.port,
        [this](const kit::HttpRequest& request) {
          return answerPage(request, deck_, [this] { return state(); },
                            [this](const auto& events, const auto& reply) { return deliver(events, reply); });
        },
        [this](kit::HttpRequest& request, boost::beast::tcp_stream& stream) { return join(request, stream); });
  } catch (const boost::system::system_error& error) {
    note("cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " + error.code().message());
    return false;
  }
  server_->keepConnections = true;
  if (!plugin_.launch(server_->port(), deck_.device)) return false;
  signals_.async_wait([self = shared_from_this()](const boost::system::error_code& e, int) {
    if (!e) self->finish(0);
  });
  if (options_.seconds > 0) {
    runTimer_.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(options_.seconds)));
    runTimer_.async_wait([self = shared_from_this()](const boost::system::error_code& e) {
      if (e) return;
      if (self->options_.snapshotDir.empty()) return self->finish(0);
      self->finishSnapshot();
    });
  }
  std::cout << "deck-host: open http://127.0.0.1:" << server_->port() << "/" << std::endl;
  return true;
}

bool DeckHost::join(kit::HttpRequest& request, boost::beast::tcp_stream& stream) {
  if (!isLocalCaller(request)) return false;  // answered with 403
  const std::weak_ptr<DeckHost> weak = weak_from_this();
  kit::WsSession::Handlers handlers;
  if (pathOf(request.target()) == "/live") {
    handlers.opened = [weak](const Peer& page) {
      if (const auto self = weak.lock()) {
        self->pages_.insert(page);
        page->send(json::serialize(json::object{{"type", "state"}, {"state", self->state()}}));
      }
    };
    handlers.ended = [weak](const Peer& page) {
      if (const auto self = weak.lock()) self->pages_.erase(page);
    };
  } else {
    handlers.message = [weak](const Peer& session, std::string text) {
      if (const auto self = weak.lock()) self->onPluginMessage(session, text);
    };
    handlers.ended = [weak](const Peer& session) {
      const auto self = weak.lock();
      if (!self || self->pluginSession_ != session) return;
      note("the plugin's connection ended");
      self->pluginSession_.reset();
      self->broadcastState();
    };
  }
  std::make_shared<kit::WsSession>(std::move(stream), std::move(handlers), peerBounds)->accept(request);
  return true;
}

void DeckHost::onPluginMessage(const Peer& session, const std::string& text) {
  boost::system::error_code error;
  const auto value = json::parse(text, error);
  if (error || !value.is_object()) return note("the plugin sent a message that is not a JSON object");
  const auto& message = value.get_object();
  if (session == pluginSession_) {
    for (const auto& update : deck_.apply(message)) broadcast(update);
    return;
  }
  const auto event = textMember(message, "event").value_or("");
  if (event == PluginSupervisor::registerEvent && textMember(message, "uuid") == plugin_.token()) {
    return onPluginRegistered(session);
  }
  note("a connection sent \"" + event + "\" before registering with this launch's token; closing it");
  session->close();
}

void DeckHost::onPluginRegistered(const Peer& session) {
  if (pluginSession_) pluginSession_->close();
  pluginSession_ = session;
  ++registrations_;
  note("the plugin registered");
  session->send(json::serialize(deviceDidConnect(deck_.device)));
  for (const auto& key : deck_.keys) session->send(json::serialize(willAppear(key, deck_.device)));
  for (const auto& dial : deck_.dials) session->send(json::serialize(willAppear(dial, deck_.device)));
  broadcastState();
}

void DeckHost::onPluginEnded() {
  if (pluginSession_) pluginSession_->close();
  pluginSession_.reset();
  broadcastState();
}

PageReply DeckHost::deliver(const std::vector<json::object>& events, const json::object& reply) {
  if (!pluginSession_ || !pluginSession_->isOpen()) return {503, "application/json", R"({"error":"the plugin is not connected"})"};
  for (const auto& event : events) pluginSession_->send(json::serialize(event));
  return {200, "application/json", json::serialize(reply)};
}

json::object DeckHost::state() const {
  auto state = deck_.state();
  json::object plugin{{"connected", pluginSession_ && pluginSession_->isOpen()},
                      {"launches", plugin_.launches()},
                      {"registrations", registrations_}};
  const auto process = plugin_.processID();
  plugin["process"] = process ? json::value(*process) : json::value(nullptr);
  state["plugin"] = std::move(plugin);
  return state;
}

void DeckHost::broadcast(const json::object& message) {
  const auto text = json::serialize(message);
  for (const auto& page : pages_) page->send(text);
}

void DeckHost::broadcastState() { broadcast({{"type", "state"}, {"state", state()}}); }

void DeckHost::finish(int code) {
  if (finished_) return;
  finished_ = true;
  exitCode_ = code;
  plugin_.stop();
  server_->stop();
  boost::system::error_code ignored;
  signals_.cancel(ignored);
  runTimer_.cancel();
  context_.stop();
}

void DeckHost::finishSnapshot() {
  if (registrations_ == 0) {
    note("the plugin never registered within " + std::to_string(options_.seconds) + " s; no snapshot written");
    return finish(1);
  }
  std::string problem;
  if (!writeSnapshot(options_.snapshotDir, deck_.device, deck_.keys, deck_.dials, problem)) {
    note("cannot write the snapshot: " + problem);
    return finish(1);
  }
  note("wrote the snapshot to " + options_.snapshotDir);
  finish(0);
}

}  // namespace vantry::deck
