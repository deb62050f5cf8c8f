#include "app/launch_values.hpp"

#include <algorithm>
#include <charconv>

namespace vantry {

std::optional<std::string> launchValue(const std::vector<std::string>& arguments, std::string_view flag) {
  const auto found = std::find(arguments.begin(), arguments.end(), flag);
  if (found == arguments.end() || std::next(found) == arguments.end()) return std::nullopt;
  return *std::next(found);
}

std::optional<std::int64_t> parseSignedDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  // Parse the magnitude as unsigned so that the most negative value is reachable.
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  constexpr auto maxPositive = static_cast<std::uint64_t>(INT64_MAX);
  if (!negative) {
    if (magnitude > maxPositive) return std::nullopt;
    return static_cast<std::int64_t>(magnitude);
  }
  if (magnitude > maxPositive + 1) return std::nullopt;
  if (magnitude == maxPositive + 1) return INT64_MIN;
  return -static_cast<std::int64_t>(magnitude);
}

std::optional<LaunchValues> readLaunchValues(const std::vector<std::string>& arguments) {
  const auto portText = launchValue(arguments, "-port");
  if (!portText) return std::nullopt;
  const auto port = parseSignedDecimal(*portText);
  if (!port || *port <= 0) return std::nullopt;
  auto pluginUUID = launchValue(arguments, "-pluginUUID");
  if (!pluginUUID) return std::nullopt;
  auto registerEvent = launchValue(arguments, "-registerEvent");
  if (!registerEvent) return std::nullopt;
  return LaunchValues{*port, std::move(*pluginUUID), std::move(*registerEvent)};
}

}  // namespace vantry
