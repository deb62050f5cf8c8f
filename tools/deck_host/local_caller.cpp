#include "local_caller.hpp"

#include <boost/beast/core/string.hpp>

#include <charconv>
#include <string>

namespace vantry::deck {

namespace {

using boost::beast::iequals;  // ASCII only, as host names and origins are compared

bool isLoopbackHost(std::string_view host) {
  auto name = host;
  // A port follows the last colon, unless that colon is inside an IPv6 literal's brackets.
  const auto colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    const auto port = host.substr(colon + 1);
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || number > 65535) return false;
    name = host.substr(0, colon);
  }
  return name == "127.0.0.1" || name == "[::1]" || iequals(name, "localhost");
}

}  // namespace

bool isLocalCaller(std::optional<std::string_view> host, std::optional<std::string_view> origin) {
  if (!host || !isLoopbackHost(*host)) return false;
  return !origin || iequals(*origin, "http://" + std::string(*host));
}

bool isLocalCaller(const kit::HttpRequest& request) {
  const auto field = [&](boost::beast::http::field name) -> std::optional<std::string_view> {
    const auto found = request.find(name);
    return found == request.end() ? std::nullopt : std::optional<std::string_view>(found->value());
  };
  return isLocalCaller(field(boost::beast::http::field::host), field(boost::beast::http::field::origin));
}

}  // namespace vantry::deck
