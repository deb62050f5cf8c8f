#include "deck_routes.hpp"

#include "local_caller.hpp"

#include <boost/json/serialize.hpp>
#include <boost/url/parse.hpp>

#include <charconv>

namespace vantry::deck {

namespace http = boost::beast::http;
namespace json = boost::json;

namespace {

std::optional<std::string> queryValue(std::string_view target, std::string_view name) {
  auto parsed = boost::urls::parse_origin_form(target);
  if (!parsed) return std::nullopt;
  for (const auto& param : parsed->params()) {
    if (param.key == name && param.has_value) return std::string(param.value);
  }
  return std::nullopt;
}

int queryNumber(std::string_view target, std::string_view name, int fallback) {
  const auto text = queryValue(target, name).value_or("");
  int number = fallback;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc{} && end == text.data() + text.size() ? number : fallback;
}

PageReply press(std::string_view target, DeckState& deck, const Deliver& deliver) {
  DeckKey* key = nullptr;
  if (const auto context = queryValue(target, "context")) {
    key = deck.key(*context);
  } else if (const auto name = queryValue(target, "action")) {
    const auto kind = kindFromShortName(*name);
    for (auto& k : deck.keys) {
      if (kind && k.kind == *kind) key = &k;
    }
  }
  if (!key) return {404, "application/json", R"({"error":"no such key"})"};
  return deliver({keyEvent("keyDown", *key, deck.device), keyEvent("keyUp", *key, deck.device)}, {{"pressed", key->context}});
}

PageReply operateDial(std::string_view target, DeckState& deck, const Deliver& deliver) {
  DeckDial* dial = nullptr;
  if (const auto context = queryValue(target, "context")) {
    dial = deck.dial(*context);
  } else if (const auto column = queryValue(target, "column")) {
    for (auto& d : deck.dials) {
      if (std::to_string(d.column) == *column) dial = &d;
    }
  }
  if (!dial) return {404, "application/json", R"({"error":"no such dial"})"};
  const auto control = queryValue(target, "do").value_or("");
  // A touch without a point taps the middle of the strip segment.
  const auto events = dialControlEvents(control, *dial, deck.device, queryNumber(target, "x", 100), queryNumber(target, "y", 50));
  if (events.empty()) return {400, "application/json", R"({"error":"do must be left, right, push or touch"})"};
  return deliver(events, {{"dial", dial->context}, {"did", control}});
}

PageReply route(std::string_view method, std::string_view target, DeckState& deck,
                 const std::function<json::object()>& state, const Deliver& deliver) {
  const auto path = pathOf(target);
  const bool isGet = method == "GET" || method == "HEAD";
  if (path == "/" && isGet) return {200, "text/html; charset=utf-8", deckPageHTML};
  if (path == "/state.json" && isGet) return {200, "application/json", json::serialize(state())};
  if (path == "/press") {
    if (method != "POST") return {405, "application/json", R"({"error":"press with POST"})"};
    return press(target, deck, deliver);
  }
  if (path == "/dial") {
    if (method != "POST") return {405, "application/json", R"({"error":"operate a dial with POST"})"};
    return operateDial(target, deck, deliver);
  }
  return {404, "application/json", R"({"error":"not found"})"};
}

}  // namespace

std::string_view pathOf(std::string_view target) { return target.substr(0, target.find('?')); }

kit::ScriptedReply answerPage(const kit::HttpRequest& request, DeckState& deck,
                              const std::function<json::object()>& state, const Deliver& deliver) {
  const bool allowed = isLocalCaller(request);
  const auto reply = allowed ? route(request.method_string(), request.target(), deck, state, deliver)
                             : PageReply{403, "application/json",
                                         R"({"error":"only the deck page on this machine and the plugin may use deck-host"})"};
  kit::HttpResponse response(static_cast<http::status>(reply.status), request.version(), reply.body);
  response.keep_alive(allowed && request.keep_alive());
  response.set(http::field::server, "deck-host");
  response.set(http::field::cache_control, "no-store");
  response.set(http::field::content_type, reply.contentType);
  return {kit::httpBytes(std::move(response))};
}

}  // namespace vantry::deck
