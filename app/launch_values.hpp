#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantry {

struct LaunchValues {
  std::int64_t streamDeckPort = 0;
  std::string pluginUUID;
  std::string registerEvent;
};

// The element right after the first element equal to the flag, whatever it holds.
std::optional<std::string> launchValue(const std::vector<std::string>& arguments, std::string_view flag);

// Optional sign, one or more ASCII digits, nothing else, within the signed 64-bit range.
std::optional<std::int64_t> parseSignedDecimal(std::string_view text);

// "-port" (a number of 1 or more), "-pluginUUID" and "-registerEvent"; other arguments are ignored.
std::optional<LaunchValues> readLaunchValues(const std::vector<std::string>& arguments);

}  // namespace vantry
