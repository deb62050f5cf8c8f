#pragma once

#include "kit/options.hpp"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantry::sim {

struct SimOptions {
  std::uint16_t port = 48187;  // 0: any free port
  std::chrono::milliseconds latency{0};
  unsigned failPercent = 0;
  unsigned hangPercent = 0;
  std::optional<std::uint32_t> seed;  // none: a fresh one each run
  bool verbose = false;               // one line per request on stderr
};

// The simulator's options, each filling its field of `options`.
std::vector<kit::Option> simOptions(SimOptions& options);

extern const char* const simUsage;

}  // namespace vantry::sim
