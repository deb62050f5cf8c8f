#pragma once

#include <boost/url/url.hpp>

#include <chrono>
#include <cstdint>
#include <optional>

namespace vantry {

inline constexpr auto reconnectDelay = std::chrono::seconds(1);

// ws://127.0.0.1:<port> with nothing after the port, or nothing when the port cannot be carried
// by an address (above 65535); a port is never wrapped or cut.
std::optional<boost::urls::url> hostWebSocketAddress(std::int64_t port);

}  // namespace vantry
