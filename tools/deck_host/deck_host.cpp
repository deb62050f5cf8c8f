#include "deck_host.hpp"

#include "deck_bundle.hpp"

#include "host/host_messages.hpp"

#include <boost/asio/post.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace vantry::deck {

namespace json = boost::json;

namespace {

constexpr std::string_view registerEvent = "registerPlugin";
constexpr auto restartDelay = std::chrono::seconds(1);

// A key picture is a few kilobytes; a logo PNG may be larger, but not this large. Frames queued
// for a peer that stops reading are dropped beyond the limit; a quiet peer is pinged, and the
// plugin answers.
const kit::PeerBounds peerBounds{8 * 1024 * 1024, 4096, std::chrono::seconds(60)};

}  // namespace

void note(const std::string& text) {
  std::fprintf(stderr, "deck-host: %s\n", text.c_str());
  std::fflush(stderr);
}

DeckHost::DeckHost(boost::asio::io_context& context, DeckOptions options)
    : context_(context),
      options_(std::move(options)),
      random_(std::random_device{}()),
      deck_(random_),
      signals_(context, SIGINT, SIGTERM),
      runTimer_(context),
      restartTimer_(context) {}

bool DeckHost::start() {
  try {
    server_.emplace(
        context_, options_.port, [this](const kit::HttpRequest& request) { return answer(request); },
        [this](kit::HttpRequest& request, boost::beast::tcp_stream& stream) { return join(request, stream); });
  } catch (const boost::system::system_error& error) {
    note("cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " + error.code().message());
    return false;
  }
  server_->keepConnections = true;
  if (!std::filesystem::exists(options_.pluginPath)) {
    note("no plugin executable at " + options_.pluginPath + " (build VantryProDeckPlugin, or give --plugin PATH)");
    return false;
  }
  bundle_ = bundleFolderOf(options_.pluginPath);
  const auto manifest = readManifest(bundle_);
  if (manifest.empty()) note("no manifest.json in " + bundle_.string() + ": the keys have no property inspector");
  deck_.nameInspectors(manifest);
  for (const auto& [which, settings] : options_.settings) {
    if (deck_.presetSettings(which, settings) > 0) continue;
    note("--settings: no key or dial has the context, action or name \"" + which + "\"");
    return false;
  }
  if (!startPlugin()) return false;
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

bool DeckHost::startPlugin() {
  token_ = randomHex(random_);
  const std::vector<std::string> arguments{options_.pluginPath, "-port", std::to_string(server_->port()),
                                           "-pluginUUID", token_, "-registerEvent", std::string(registerEvent),
                                           "-info", json::serialize(deck_.launchInfo())};
  auto plugin = std::make_unique<kit::ChildProcess>(context_, arguments);
  if (!plugin->started()) {
    note("cannot start the plugin " + options_.pluginPath);
    return false;
  }
  plugin_ = std::move(plugin);
  ++launches_;
  note("started the plugin (process " + std::to_string(plugin_->id()) + ")");
  // Handled as a work item of its own: the child's object must not end inside its own completion.
  plugin_->onExit([this](int) { boost::asio::post(context_, [this] { onPluginEnded(); }); });
  return true;
}

void DeckHost::onPluginEnded() {
  if (finished_ || !plugin_) return;
  if (const auto& errors = plugin_->errorText(); !errors.empty()) std::fputs(errors.c_str(), stderr);
  note("the plugin ended (exit code " + std::to_string(plugin_->exitCode().value_or(-1)) +
       "); starting it again in 1 s");
  plugin_.reset();
  if (pluginSession_) pluginSession_->close();
  pluginSession_.reset();
  broadcastState();
  restartPlugin(2);
}

// Tried once more a second later when it cannot start: the file may be back after a rebuild.
void DeckHost::restartPlugin(int tries) {
  restartTimer_.expires_after(restartDelay);
  restartTimer_.async_wait([this, tries](const boost::system::error_code& error) {
    if (!error && !finished_ && !plugin_ && !startPlugin() && tries > 1) restartPlugin(tries - 1);
  });
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
      if (const auto self = weak.lock()) self->onMessage(session, text);
    };
    handlers.ended = [weak](const Peer& session) {
      const auto self = weak.lock();
      if (!self) return;
      if (self->pluginSession_ != session) return self->onInspectorEnded(session);
      note("the plugin's connection ended");
      self->pluginSession_.reset();
      self->broadcastState();
    };
  }
  std::make_shared<kit::WsSession>(std::move(stream), std::move(handlers), peerBounds)->accept(request);
  return true;
}

void DeckHost::onMessage(const Peer& session, const std::string& text) {
  boost::system::error_code error;
  const auto value = json::parse(text, error);
  if (error || !value.is_object()) return note("a connection sent a message that is not a JSON object");
  const auto& message = value.get_object();
  if (session == pluginSession_) {
    if (relay(session, message, textMember(message, "context").value_or(""))) return;
    for (const auto& update : deck_.apply(message)) broadcast(update);
    return;
  }
  if (const auto inspector = inspectors_.find(session); inspector != inspectors_.end()) {
    relay(session, message, std::string(inspector->second));
    return;
  }
  const auto event = textMember(message, "event").value_or("");
  const auto uuid = textMember(message, "uuid").value_or("");
  if (event == registerEvent && uuid == token_) return onPluginRegistered(session);
  if (event == "registerPropertyInspector" && deck_.control(uuid)) return onInspectorRegistered(session, uuid);
  note("a connection sent \"" + event + "\" before registering with this launch's token or a control's context; "
       "closing it");
  session->close();
}

void DeckHost::onPluginRegistered(const Peer& session) {
  if (pluginSession_) pluginSession_->close();
  pluginSession_ = session;
  ++registrations_;
  note("the plugin registered");
  for (const auto& message : deck_.greeting()) session->send(json::serialize(message));
  // A plugin started again hears of the inspectors still open.
  std::set<std::string_view> inspected;
  for (const auto& [inspector, context] : inspectors_) {
    if (!inspected.insert(context).second) continue;
    sendTo(session, deck_.inspectorEvent("propertyInspectorDidAppear", *deck_.control(context)));
  }
  broadcastState();
}

DeckHost::PageReply DeckHost::deliver(const std::vector<json::object>& events, const json::object& reply) {
  if (!pluginSession_ || !pluginSession_->isOpen()) return {503, R"({"error":"the plugin is not connected"})"};
  for (const auto& event : events) pluginSession_->send(json::serialize(event));
  return {200, json::serialize(reply)};
}

json::object DeckHost::state() const {
  auto state = deck_.state();
  state["info"] = deck_.launchInfo();  // what the page gives a property inspector
  state["plugin"] = {{"connected", pluginSession_ && pluginSession_->isOpen()},
                     {"launches", launches_},
                     {"registrations", registrations_},
                     {"process", plugin_ ? json::value(plugin_->id()) : json::value(nullptr)}};
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
  plugin_.reset();
  restartTimer_.cancel();
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
  if (!deck_.writeSnapshot(options_.snapshotDir, problem)) {
    note("cannot write the snapshot: " + problem);
    return finish(1);
  }
  note("wrote the snapshot to " + options_.snapshotDir);
  finish(0);
}

}  // namespace vantry::deck
