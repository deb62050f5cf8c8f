#pragma once

#include "bridge/bridge_records.hpp"
#include "platform/http_data_task.hpp"

#include <boost/json/object.hpp>

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantry {

// What the property inspector's connection line tells a person: how the last status request to the
// bridge went ("bridge": "ok", "refused", "no-answer", "bad-reply", or "not-yet" before one has
// finished), the address and port it went to, and what came back: the HTTP status, and from a
// status the application's name, its playback state and the clip's title.
boost::json::object connectionReport(const HttpReply* lastReply, const std::optional<BridgeStatus>& status,
                                     std::string_view address, std::uint16_t port);

}  // namespace vantry
