#include "deck_host.hpp"

#include "deck_bundle.hpp"

#include "kit/options.hpp"

#include <boost/beast/core/string.hpp>
#include <boost/json/serialize.hpp>
#include <boost/url/parse.hpp>

namespace vantry::deck {

namespace http = boost::beast::http;
namespace json = boost::json;

// The deck page (deck_page.html), which the build puts into the program.
extern const char* const deckPageHTML;

namespace {

using boost::beast::iequals;  // ASCII only, as host names and origins are compared

constexpr const char* refusal = R"({"error":"only the deck page on this machine and the plugin may use deck-host"})";
// A property inspector's page, script or picture; a bundle's largest file is its binary.
constexpr std::size_t bundleFileBytes = 4 * 1024 * 1024;

bool isLoopbackHost(std::string_view host) {
  auto name = host;
  // A port follows the last colon, unless that colon is inside an IPv6 literal's brackets.
  const auto colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    const auto port = kit::wholeNumber<unsigned>(host.substr(colon + 1));
    if (!port || *port > 65535) return false;
    name = host.substr(0, colon);
  }
  return name == "127.0.0.1" || name == "[::1]" || iequals(name, "localhost");
}

std::optional<std::string> queryValue(std::string_view target, std::string_view name) {
  auto parsed = boost::urls::parse_origin_form(target);
  if (!parsed) return std::nullopt;
  for (const auto& param : parsed->params()) {
    if (param.key == name && param.has_value) return std::string(param.value);
  }
  return std::nullopt;
}

int queryNumber(std::string_view target, std::string_view name, int fallback) {
  return kit::wholeNumber<int>(queryValue(target, name).value_or("")).value_or(fallback);
}

}  // namespace

bool isLocalCaller(std::optional<std::string_view> host, std::optional<std::string_view> origin) {
  if (!host || !isLoopbackHost(*host)) return false;
  return !origin || iequals(*origin, "http://" + std::string(*host));
}

std::string_view pathOf(std::string_view target) { return target.substr(0, target.find('?')); }

bool isLocalCaller(const kit::HttpRequest& request) {
  const auto field = [&](http::field name) -> std::optional<std::string_view> {
    const auto found = request.find(name);
    return found == request.end() ? std::nullopt : std::optional<std::string_view>(found->value());
  };
  return isLocalCaller(field(http::field::host), field(http::field::origin));
}

kit::ScriptedReply DeckHost::answer(const kit::HttpRequest& request) {
  const bool allowed = isLocalCaller(request);
  const auto reply = allowed ? route(request.method_string(), request.target()) : PageReply{403, refusal};
  kit::HttpResponse response(static_cast<http::status>(reply.status), request.version(), reply.body);
  response.keep_alive(allowed && request.keep_alive());
  response.set(http::field::server, "deck-host");
  response.set(http::field::cache_control, "no-store");
  response.set(http::field::content_type, reply.contentType);
  return {kit::httpBytes(std::move(response))};
}

DeckHost::PageReply DeckHost::route(std::string_view method, std::string_view target) {
  const auto path = pathOf(target);
  const bool isGet = method == "GET" || method == "HEAD";
  if (path == "/" && isGet) return {200, deckPageHTML, "text/html; charset=utf-8"};
  if (path == "/state.json" && isGet) return {200, json::serialize(state())};
  if (path.starts_with("/pi/") && isGet) return bundleFile(path.substr(4));
  const auto context = queryValue(target, "context");
  if (path == "/press") {
    if (method != "POST") return {405, R"({"error":"press with POST"})"};
    const auto action = queryValue(target, "action").value_or("");
    const auto* key = context ? deck_.key("context", *context) : deck_.key("name", action);
    if (!key) return {404, R"({"error":"no such key"})"};
    return deliver(deck_.press(*key), {{"pressed", key->at("context")}});
  }
  if (path == "/dial") {
    if (method != "POST") return {405, R"({"error":"operate a dial with POST"})"};
    const auto column = queryValue(target, "column").value_or("");
    const auto* dial = context ? deck_.dial("context", *context) : deck_.dial("column", column);
    if (!dial) return {404, R"({"error":"no such dial"})"};
    const auto control = queryValue(target, "do").value_or("");
    // A touch without a point taps the middle of the strip segment.
    const auto events = deck_.operate(*dial, control, queryNumber(target, "x", 100), queryNumber(target, "y", 50));
    if (events.empty()) return {400, R"({"error":"do must be left, right, push or touch"})"};
    return deliver(events, {{"dial", dial->at("context")}, {"did", control}});
  }
  return {404, R"({"error":"not found"})"};
}

DeckHost::PageReply DeckHost::bundleFile(std::string_view urlPath) const {
  const auto file = pathInBundle(bundle_, urlPath);
  if (!file) return {403, R"({"error":"only files inside the plugin's bundle are served"})"};
  auto bytes = readSmallFile(*file, bundleFileBytes);
  if (!bytes) return {404, R"({"error":"no such file of at most 4 MiB in the plugin's bundle"})"};
  return {200, std::move(*bytes), contentTypeOf(*file)};
}

}  // namespace vantry::deck
