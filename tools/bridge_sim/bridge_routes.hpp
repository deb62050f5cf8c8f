#pragma once

#include "simulated_application.hpp"

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

}  // namespace vantry::sim
