#pragma once

#include "sim_options.hpp"
#include "simulated_application.hpp"

#include "kit/http_server.hpp"

#include <random>
#include <string_view>

namespace vantry::sim {

// What the bridge answers to one request: GET /status, GET /action?action=<word>, else 400, 404 or 405.
kit::HttpResponse answerRequest(SimulatedApplication& application, std::string_view method, std::string_view target,
                                Clock::time_point now);

// The bridge's HTTP reply to one request after the configured latency, unless the dice make it fail
// or hang; a line on stderr for it when verbose. mt19937 is fully specified, so a seed repeats the
// same faults on every platform.
kit::ScriptedReply bridgeReply(SimulatedApplication& application, std::mt19937& dice, const SimOptions& options,
                               const kit::HttpRequest& request);

}  // namespace vantry::sim
