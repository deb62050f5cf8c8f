#pragma once

#include "kit/http_server.hpp"

#include <optional>
#include <string_view>

namespace vantry::deck {

// Whether a request comes from the deck's own page or the plugin: its Host names this machine's
// loopback (127.0.0.1, localhost or [::1], with any port, since an ssh tunnel may forward another
// one), and its Origin, when there is one, is that same address over http. Anything else is a page
// of another site reaching in through the browser, or a name of another site resolved to
// 127.0.0.1, and is refused.
bool isLocalCaller(std::optional<std::string_view> host, std::optional<std::string_view> origin);
bool isLocalCaller(const kit::HttpRequest& request);

}  // namespace vantry::deck
