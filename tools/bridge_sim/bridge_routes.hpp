#pragma once

#include "fault_dice.hpp"
#include "sim_options.hpp"
#include "simulated_application.hpp"

#include "kit/http_server.hpp"

#include <string>
#include <string_view>

namespace vantry::sim {

struct RouteAnswer {
  unsigned code = 200;
  std::string body;  // JSON
};

// What the bridge answers to one request: GET /status, GET /action?action=<word>, else 404 or 405.
RouteAnswer answerRequest(SimulatedApplication& application, std::string_view method, std::string_view target,
                          Clock::time_point now);

// The bridge's HTTP reply to one request after the configured latency, unless the dice make it fail
// or hang; a line on stderr for it when verbose.
kit::ScriptedReply bridgeReply(SimulatedApplication& application, FaultDice& dice, const SimOptions& options,
                               const kit::HttpRequest& request);

}  // namespace vantry::sim
