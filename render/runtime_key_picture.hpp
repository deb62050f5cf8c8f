#pragma once

#include "bridge/bridge_records.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace vantry {

inline constexpr std::string_view placeholderTime = "--:--";
inline constexpr std::string_view accentColour = "#ff7b21";

// "mm:ss" below one hour, "h:mm:ss" from one hour on; negative seconds count as zero. A value that
// is not finite or whose whole seconds leave the 64-bit range gives the placeholder.
std::string formatTime(double seconds);

// Width of the progress-bar fill, 0 to 120, rounded half away from zero; 0 for anything not above 0.
int fillWidth(double progress);

std::string makeRuntimeSVG(std::string_view current, std::string_view duration, double progress,
                           std::string_view accentHex);

// What the runtime key reads out for a status (absent: placeholders and no progress); the dial's
// strip shows the same.
struct RuntimeReadout {
  std::string current;
  std::string duration;
  double progress = 0;  // 0 to 1
};
RuntimeReadout runtimeReadout(const std::optional<BridgeStatus>& status);

// The runtime key picture for the status held now (absent: placeholders and an empty bar).
std::string runtimeSVGForStatus(const std::optional<BridgeStatus>& status);

}  // namespace vantry
