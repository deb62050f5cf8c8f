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
inline std::vector<kit::Option> simOptions(SimOptions& o) {
  return {kit::numberOption("--port", "a port from 0 to 65535", o.port, 0u, 65535u),
          kit::numberOption("--latency", "milliseconds from 0 to 600000", o.latency, 0LL, 600000LL),
          kit::numberOption("--fail-percent", "a whole percentage from 0 to 100", o.failPercent, 0u, 100u),
          kit::numberOption("--hang-percent", "a whole percentage from 0 to 100", o.hangPercent, 0u, 100u),
          kit::numberOption("--seed", "a whole number from 0 to 4294967295", o.seed, 0u, UINT32_MAX),
          kit::flagOption("--verbose", o.verbose)};
}

}  // namespace vantry::sim
