#include "sim_options.hpp"

namespace vantry::sim {

const char* const simUsage =
    "Usage: vantry-bridge-sim [options]\n"
    "Stands in for the Vantry Pro media bridge on 127.0.0.1.\n"
    "\n"
    "  --port N           port to serve (default 48187; 0 picks a free one)\n"
    "  --latency MS       delay every answer by MS milliseconds (0..600000)\n"
    "  --fail-percent N   answer 500 to N% of requests at random (0..100)\n"
    "  --hang-percent N   never answer N% of requests at random (0..100)\n"
    "  --seed N           seed for the random faults, for repeatable runs\n"
    "  --verbose          one line per request on stderr\n"
    "  --help             this text\n";

std::vector<kit::Option> simOptions(SimOptions& o) {
  return {kit::numberOption("--port", "a port from 0 to 65535", o.port, 0u, 65535u),
          kit::numberOption("--latency", "milliseconds from 0 to 600000", o.latency, 0LL, 600000LL),
          kit::numberOption("--fail-percent", "a whole percentage from 0 to 100", o.failPercent, 0u, 100u),
          kit::numberOption("--hang-percent", "a whole percentage from 0 to 100", o.hangPercent, 0u, 100u),
          kit::numberOption("--seed", "a whole number from 0 to 4294967295", o.seed, 0u, UINT32_MAX),
          kit::flagOption("--verbose", o.verbose)};
}

}  // namespace vantry::sim
