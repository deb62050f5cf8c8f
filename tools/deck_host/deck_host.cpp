#include "deck_host.hpp"

#include "local_caller.hpp"
#include "snapshot.hpp"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>
#include <boost/url/parse.hpp>

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace vantry::deck {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace json = boost::json;
using tcp = boost::asio::ip::tcp;

namespace {

constexpr auto restartDelay = std::chrono::seconds(1);
constexpr auto pageRequestTimeout = std::chrono::seconds(30);
constexpr std::string_view registerEventName = "registerPlugin";

void note(const std::string& text) {
  std::fprintf(stderr, "deck-host: %s\n", text.c_str());
  std::fflush(stderr);
}

// One page connection: requests and answers in turn until it ends or upgrades to a WebSocket.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  using Answer = std::function<void(http::request<http::string_body>& request, http::response<http::string_body>&)>;
  using Upgrade = std::function<void(beast::tcp_stream, http::request<http::string_body>)>;

  HttpSession(tcp::socket socket, Answer answer, Upgrade upgrade)
      : stream_(std::move(socket)), answer_(std::move(answer)), upgrade_(std::move(upgrade)) {}

  void read() {
    parser_.emplace();
    parser_->header_limit(8 * 1024);
    parser_->body_limit(64 * 1024);
    stream_.expires_after(pageRequestTimeout);
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](const beast::error_code& error, std::size_t) {
      if (error) return self->end();
      auto request = parser_release(*self->parser_);
      const bool allowed = isLocalCaller(fieldOf(request, http::field::host), fieldOf(request, http::field::origin));
      if (allowed && beast::websocket::is_upgrade(request)) {
        return self->upgrade_(std::move(self->stream_), std::move(request));
      }
      self->response_.emplace();
      self->response_->version(request.version());
      self->response_->keep_alive(allowed && request.keep_alive());
      self->response_->set(http::field::server, "deck-host");
      self->response_->set(http::field::cache_control, "no-store");
      if (allowed) {
        self->answer_(request, *self->response_);
      } else {
        self->response_->result(http::status::forbidden);
        self->response_->set(http::field::content_type, "application/json");
        self->response_->body() = R"({"error":"only the deck page on this machine and the plugin may use deck-host"})";
      }
      self->response_->prepare_payload();
      self->stream_.expires_after(pageRequestTimeout);
      http::async_write(self->stream_, *self->response_, [self](const beast::error_code& e, std::size_t) {
        if (e || !self->response_->keep_alive()) return self->end();
        self->read();
      });
    });
  }

 private:
  static std::optional<std::string_view> fieldOf(const http::request<http::string_body>& request, http::field name) {
    const auto found = request.find(name);
    if (found == request.end()) return std::nullopt;
    return std::string_view(found->value());
  }

  static http::request<http::string_body> parser_release(http::request_parser<http::string_body>& parser) {
    return parser.release();
  }

  void end() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  std::optional<http::response<http::string_body>> response_;
  Answer answer_;
  Upgrade upgrade_;
};

std::optional<std::string> textMember(const json::object& object, std::string_view key) {
  const auto* v = object.if_contains(key);
  if (!v || !v->is_string()) return std::nullopt;
  return std::string(v->get_string());
}

std::optional<std::string> queryValue(std::string_view target, std::string_view name) {
  auto parsed = boost::urls::parse_origin_form(target);
  if (!parsed) return std::nullopt;
  for (const auto& param : parsed->params()) {
    if (param.key == name && param.has_value) return std::string(param.value);
  }
  return std::nullopt;
}

std::string_view pathOf(std::string_view target) { return target.substr(0, target.find('?')); }

int queryNumber(std::string_view target, std::string_view name, int fallback) {
  const auto text = queryValue(target, name).value_or("");
  int number = fallback;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc{} && end == text.data() + text.size() ? number : fallback;
}

template <typename Control>
Control* byContext(std::vector<Control>& controls, std::string_view context) {
  for (auto& control : controls) {
    if (control.context == context) return &control;
  }
  return nullptr;
}

}  // namespace

DeckHost::DeckHost(asio::io_context& context, DeckOptions options, std::string pluginPath)
    : context_(context),
      options_(std::move(options)),
      pluginPath_(std::move(pluginPath)),
      acceptor_(context),
      signals_(context, SIGINT, SIGTERM),
      restartTimer_(context),
      runTimer_(context),
      random_(std::random_device{}()) {
  device_.id = randomHex(random_);
  keys_ = defaultLayout(random_);
  dials_ = defaultDials(random_);
}

bool DeckHost::start() {
  boost::system::error_code error;
  const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), options_.port);
  acceptor_.open(endpoint.protocol(), error);
  if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
  if (!error) acceptor_.bind(endpoint, error);
  if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    note("cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " + error.message());
    return false;
  }
  port_ = acceptor_.local_endpoint().port();
  if (!std::filesystem::exists(pluginPath_)) {
    note("no plugin executable at " + pluginPath_ + " (build VantryProDeckPlugin, or give --plugin PATH)");
    return false;
  }
  acceptNext();
  if (!launchPlugin()) return false;
  signals_.async_wait([self = shared_from_this()](const boost::system::error_code& e, int) {
    if (!e) self->finish(0);
  });
  if (options_.seconds) {
    runTimer_.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(*options_.seconds)));
    runTimer_.async_wait([self = shared_from_this()](const boost::system::error_code& e) {
      if (e) return;
      if (self->options_.snapshotDir.empty()) return self->finish(0);
      self->finishSnapshot();
    });
  }
  std::cout << "deck-host: open http://127.0.0.1:" << port_ << "/" << std::endl;
  return true;
}

void DeckHost::acceptNext() {
  acceptor_.async_accept([self = shared_from_this()](const boost::system::error_code& error, tcp::socket socket) {
    if (error) {
      if (error != asio::error::operation_aborted && !self->finished_) self->acceptNext();
      return;
    }
    self->serveHttp(std::move(socket));
    self->acceptNext();
  });
}

void DeckHost::serveHttp(tcp::socket socket) {
  boost::system::error_code ignored;
  socket.set_option(tcp::no_delay(true), ignored);
  std::weak_ptr<DeckHost> weak = shared_from_this();
  auto session = std::make_shared<HttpSession>(
      std::move(socket),
      [weak](http::request<http::string_body>& request, http::response<http::string_body>& response) {
        const auto self = weak.lock();
        if (!self) return;
        const auto reply = self->answer(std::string_view(request.method_string()), std::string_view(request.target()));
        response.result(reply.status);
        response.set(http::field::content_type, reply.contentType);
        response.body() = reply.body;
      },
      [weak](beast::tcp_stream stream, http::request<http::string_body> request) {
        const auto self = weak.lock();
        if (!self) return;
        // The page's live updates come over /live; any other WebSocket is a plugin, which
        // connects to the bare address.
        const bool isPage = pathOf(std::string_view(request.target())) == "/live";
        auto ws = std::make_shared<WsSession>(
            std::move(stream),
            [weak, isPage](const std::shared_ptr<WsSession>& s, std::string text) {
              const auto host = weak.lock();
              if (host && !isPage) host->onPluginMessage(s, text);
            },
            [weak, isPage](const std::shared_ptr<WsSession>& s) {
              const auto host = weak.lock();
              if (!host) return;
              if (isPage) {
                host->openLiveSession(s);
              } else {
                host->openPluginSession(s);
              }
            });
        ws->accept(std::move(request));
      });
  session->read();
}

void DeckHost::openPluginSession(const std::shared_ptr<WsSession>&) {
  // Nothing is sent before the plugin registers.
}

void DeckHost::openLiveSession(const std::shared_ptr<WsSession>& session) {
  std::erase_if(liveSessions_, [](const auto& w) { return w.expired() || !w.lock()->isOpen(); });
  liveSessions_.push_back(session);
  session->send(json::serialize(json::object{{"type", "state"}, {"state", state()}}));
}

void DeckHost::onPluginMessage(const std::shared_ptr<WsSession>& session, const std::string& text) {
  if (text.empty()) {
    if (session->registered && pluginSession_.lock() == session) {
      note("the plugin's connection ended");
      pluginSession_.reset();
      broadcastState();
    }
    return;
  }
  boost::system::error_code error;
  const auto value = json::parse(text, error);
  if (error || !value.is_object()) return note("the plugin sent a message that is not a JSON object");
  const auto& message = value.get_object();
  const auto event = textMember(message, "event").value_or("");
  if (!session->registered) {
    if (event == registerEventName && textMember(message, "uuid") == pluginToken_) {
      session->registered = true;
      return onPluginRegistered(session);
    }
    note("a connection sent \"" + event + "\" before registering with this launch's token; closing it");
    return session->close();
  }
  const auto context = textMember(message, "context").value_or("");
  const auto* payloadValue = message.if_contains("payload");
  const auto* payload = payloadValue && payloadValue->is_object() ? &payloadValue->get_object() : nullptr;
  if (auto* dial = byContext(dials_, context)) {
    if (!applyDialMessage(*dial, event, payload)) return;
    if (event == "showAlert") broadcast({{"type", "mark"}, {"context", dial->context}, {"mark", "alert"}});
    return broadcast({{"type", "dial"}, {"dial", dialState(*dial)}});
  }
  auto* key = byContext(keys_, context);
  if (!key) return;
  if (event == "setImage") {
    key->image = payload ? textMember(*payload, "image").value_or("") : "";
    ++key->imageCount;
  } else if (event == "setTitle") {
    key->title = payload ? textMember(*payload, "title").value_or("") : "";
  } else if (event == "showOk" || event == "showAlert") {
    key->mark = event == "showOk" ? "ok" : "alert";
    ++key->markCount;
    broadcast({{"type", "mark"}, {"context", key->context}, {"mark", key->mark}});
  } else {
    return;
  }
  broadcast({{"type", "key"}, {"key", keyState(*key)}});
}

void DeckHost::onPluginRegistered(const std::shared_ptr<WsSession>& session) {
  if (const auto previous = pluginSession_.lock(); previous && previous != session) previous->close();
  pluginSession_ = session;
  ++registrations_;
  note("the plugin registered");
  session->send(json::serialize(deviceDidConnect(device_)));
  for (const auto& key : keys_) session->send(json::serialize(willAppear(key, device_)));
  for (const auto& dial : dials_) session->send(json::serialize(willAppear(dial, device_)));
  broadcastState();
}

bool DeckHost::launchPlugin() {
  pluginToken_ = randomHex(random_);
  const std::vector<std::string> arguments{
      pluginPath_,     "-port",          std::to_string(port_), "-pluginUUID", pluginToken_, "-registerEvent",
      std::string(registerEventName), "-info",         json::serialize(launchInfo(device_))};
  auto plugin = std::make_unique<tools::ChildProcess>(context_, arguments);
  if (!plugin->started()) {
    note("cannot start the plugin " + pluginPath_);
    return false;
  }
  plugin_ = std::move(plugin);
  ++launches_;
  note("started the plugin (process " + std::to_string(plugin_->id()) + ")");
  // Handled as a work item of its own: the child's object must not end inside its own completion.
  plugin_->onExit([weak = weak_from_this()](int) {
    if (const auto self = weak.lock()) asio::post(self->context_, [self] { self->onPluginEnded(); });
  });
  return true;
}

void DeckHost::onPluginEnded() {
  if (finished_ || !plugin_) return;
  if (const auto& errors = plugin_->errorText(); !errors.empty()) std::fputs(errors.c_str(), stderr);
  note("the plugin ended (exit code " + std::to_string(plugin_->exitCode().value_or(-1)) + "); starting it again in 1 s");
  plugin_.reset();
  if (const auto session = pluginSession_.lock()) session->close();
  pluginSession_.reset();
  broadcastState();
  restartTimer_.expires_after(restartDelay);
  restartTimer_.async_wait([self = shared_from_this()](const boost::system::error_code& error) {
    if (error || self->finished_) return;
    if (!self->launchPlugin()) {
      // Tried again on the next round; the file may be back after a rebuild.
      self->restartTimer_.expires_after(restartDelay);
      self->restartTimer_.async_wait([self](const boost::system::error_code& again) {
        if (!again && !self->finished_ && !self->plugin_) self->launchPlugin();
      });
    }
  });
}

void DeckHost::finish(int code) {
  if (finished_) return;
  finished_ = true;
  exitCode_ = code;
  plugin_.reset();  // kills and reaps the child
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  signals_.cancel(ignored);
  restartTimer_.cancel();
  runTimer_.cancel();
  context_.stop();
}

void DeckHost::finishSnapshot() {
  if (registrations_ == 0) {
    note("the plugin never registered within " + std::to_string(*options_.seconds) + " s; no snapshot written");
    return finish(1);
  }
  std::string problem;
  if (!writeSnapshot(options_.snapshotDir, device_, keys_, dials_, problem)) {
    note("cannot write the snapshot: " + problem);
    return finish(1);
  }
  note("wrote the snapshot to " + options_.snapshotDir);
  finish(0);
}

DeckHost::PageReply DeckHost::answer(std::string_view method, std::string_view target) {
  const auto path = pathOf(target);
  const bool isGet = method == "GET" || method == "HEAD";
  if (path == "/" && isGet) return {200, "text/html; charset=utf-8", deckPageHTML};
  if (path == "/state.json" && isGet) return {200, "application/json", json::serialize(state())};
  if (path == "/press") {
    if (method != "POST") return {405, "application/json", R"({"error":"press with POST"})"};
    return press(target);
  }
  if (path == "/dial") {
    if (method != "POST") return {405, "application/json", R"({"error":"operate a dial with POST"})"};
    return operateDial(target);
  }
  return {404, "application/json", R"({"error":"not found"})"};
}

DeckHost::PageReply DeckHost::press(std::string_view target) {
  DeckKey* key = nullptr;
  if (const auto context = queryValue(target, "context")) {
    key = byContext(keys_, *context);
  } else if (const auto name = queryValue(target, "action")) {
    const auto kind = kindFromShortName(*name);
    for (auto& k : keys_) {
      if (kind && k.kind == *kind) key = &k;
    }
  }
  if (!key) return {404, "application/json", R"({"error":"no such key"})"};
  return deliver({keyEvent("keyDown", *key, device_), keyEvent("keyUp", *key, device_)}, {{"pressed", key->context}});
}

DeckHost::PageReply DeckHost::operateDial(std::string_view target) {
  DeckDial* dial = nullptr;
  if (const auto context = queryValue(target, "context")) {
    dial = byContext(dials_, *context);
  } else if (const auto column = queryValue(target, "column")) {
    for (auto& d : dials_) {
      if (std::to_string(d.column) == *column) dial = &d;
    }
  }
  if (!dial) return {404, "application/json", R"({"error":"no such dial"})"};
  const auto control = queryValue(target, "do").value_or("");
  // A touch without a point taps the middle of the strip segment.
  const auto events = dialControlEvents(control, *dial, device_, queryNumber(target, "x", 100), queryNumber(target, "y", 50));
  if (events.empty()) return {400, "application/json", R"({"error":"do must be left, right, push or touch"})"};
  return deliver(events, {{"dial", dial->context}, {"did", control}});
}

DeckHost::PageReply DeckHost::deliver(const std::vector<json::object>& events, const json::object& reply) {
  const auto session = pluginSession_.lock();
  if (!session || !session->isOpen()) return {503, "application/json", R"({"error":"the plugin is not connected"})"};
  for (const auto& event : events) session->send(json::serialize(event));
  return {200, "application/json", json::serialize(reply)};
}

json::object DeckHost::state() const {
  json::array keys;
  for (const auto& key : keys_) keys.push_back(keyState(key));
  json::array dials;
  for (const auto& dial : dials_) dials.push_back(dialState(dial));
  const auto session = pluginSession_.lock();
  json::object plugin{{"connected", session && session->isOpen()},
                      {"launches", launches_},
                      {"registrations", registrations_}};
  plugin["process"] = plugin_ ? json::value(plugin_->id()) : json::value(nullptr);
  return {{"device", {{"id", device_.id}, {"name", device_.name}, {"columns", device_.columns}, {"rows", device_.rows}}},
          {"plugin", plugin},
          {"keys", std::move(keys)},
          {"dials", std::move(dials)}};
}

void DeckHost::broadcast(const json::object& message) {
  std::erase_if(liveSessions_, [](const auto& w) { return w.expired(); });
  if (liveSessions_.empty()) return;
  const auto text = json::serialize(message);
  for (const auto& weak : liveSessions_) {
    if (const auto s = weak.lock(); s && s->isOpen()) s->send(text);
  }
}

void DeckHost::broadcastState() { broadcast({{"type", "state"}, {"state", state()}}); }

}  // namespace vantry::deck
