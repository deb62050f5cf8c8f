#pragma once

#include "simulated_application.hpp"

#include <boost/json/object.hpp>

#include <string>

namespace vantry::sim {

// The status record under the JSON names the plugin decodes; an absent clip is null.
boost::json::object statusJson(const BridgeStatus& status);

// {"ok": ..., "message": ...}, with "status" when given.
std::string replyBody(bool ok, const std::string& message, const BridgeStatus* status = nullptr);

}  // namespace vantry::sim
