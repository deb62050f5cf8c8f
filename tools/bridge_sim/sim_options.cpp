#include "sim_options.hpp"

#include <charconv>
#include <string_view>

namespace vantry::sim {

namespace {

template <class Number>
std::optional<Number> wholeNumber(std::string_view text, Number lowest, Number highest) {
  Number value{};
  const auto* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || value < lowest || value > highest) return std::nullopt;
  return value;
}

}  // namespace

std::string usageText() {
  return "Usage: vantry-bridge-sim [options]\n"
         "Stands in for the Vantry Pro media bridge on 127.0.0.1.\n"
         "\n"
         "  --port N           port to serve (default 48187; 0 picks a free one)\n"
         "  --latency MS       delay every answer by MS milliseconds (0..600000)\n"
         "  --fail-percent N   answer 500 to N% of requests at random (0..100)\n"
         "  --hang-percent N   never answer N% of requests at random (0..100)\n"
         "  --seed N           seed for the random faults, for repeatable runs\n"
         "  --verbose          one line per request on stderr\n"
         "  --help             this text\n";
}

ParsedOptions parseOptions(const std::vector<std::string>& arguments) {
  SimOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> inlineValue;
    if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      inlineValue = name.substr(equals + 1);
      name.resize(equals);
    }
    if (name == "--help" || name == "-h") return HelpRequested{};
    if (name == "--verbose") {
      if (inlineValue) return BadArguments{"--verbose takes no value"};
      options.verbose = true;
      continue;
    }
    const bool takesValue = name == "--port" || name == "--latency" || name == "--fail-percent" ||
                            name == "--hang-percent" || name == "--seed";
    if (!takesValue) return BadArguments{"unknown argument \"" + arguments[i] + "\""};
    if (!inlineValue && i + 1 >= arguments.size()) return BadArguments{name + " needs a value"};
    const std::string value = inlineValue ? *inlineValue : arguments[++i];
    const auto bad = [&](const char* range) { return BadArguments{name + " wants " + range + ", not \"" + value + "\""}; };

    if (name == "--port") {
      const auto port = wholeNumber<unsigned>(value, 0, 65535);
      if (!port) return bad("a port from 0 to 65535");
      options.port = static_cast<std::uint16_t>(*port);
    } else if (name == "--latency") {
      const auto ms = wholeNumber<long long>(value, 0, 600000);
      if (!ms) return bad("milliseconds from 0 to 600000");
      options.latency = std::chrono::milliseconds(*ms);
    } else if (name == "--fail-percent" || name == "--hang-percent") {
      const auto percent = wholeNumber<unsigned>(value, 0, 100);
      if (!percent) return bad("a whole percentage from 0 to 100");
      (name == "--fail-percent" ? options.failPercent : options.hangPercent) = *percent;
    } else {
      const auto seed = wholeNumber<std::uint32_t>(value, 0, UINT32_MAX);
      if (!seed) return bad("a whole number from 0 to 4294967295");
      options.seed = *seed;
    }
  }
  return options;
}

}  // namespace vantry::sim
