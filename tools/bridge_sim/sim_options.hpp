#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
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

struct HelpRequested {};
struct BadArguments {
  std::string message;
};

using ParsedOptions = std::variant<SimOptions, HelpRequested, BadArguments>;

// The arguments after the program name; "--name value" and "--name=value" both count.
ParsedOptions parseOptions(const std::vector<std::string>& arguments);

std::string usageText();

}  // namespace vantry::sim
