#pragma once

#include "bridge/bridge_records.hpp"
#include "render/display_settings.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace vantry {

inline constexpr std::string_view placeholderTime = "--:--";
inline constexpr std::string_view accentColour = "#ff7b21";
inline constexpr std::string_view warningColour = "#ff3030";
inline constexpr std::string_view runtimeLabel = "Runtime";

// "mm:ss" below one hour, "h:mm:ss" from one hour on; negative seconds count as zero. A value that
// is not finite or whose whole seconds leave the 64-bit range gives the placeholder.
std::string formatTime(double seconds);

// Width of the progress-bar fill, 0 to 120, rounded half away from zero; 0 for anything not above 0.
int fillWidth(double progress);

// The accent colours the bar's fill, the frame and the glow; the label is escaped here.
std::string makeRuntimeSVG(std::string_view current, std::string_view duration, double progress,
                           std::string_view accentHex, std::string_view label = runtimeLabel);

// What the runtime key reads out for a status (absent: placeholders and no progress); the dial's
// strip shows the same. With the time left, the current line counts down in whole seconds rounded
// up, "-00:00" at the end. The warning shows while a status with a counting duration is held and
// the time left is within the key's warning, except on the off beat of a flashing key while
// playing: `offBeat` is every other poll.
struct RuntimeReadout {
  std::string current;
  std::string duration;
  double progress = 0;  // 0 to 1
  bool warning = false;

  bool operator==(const RuntimeReadout&) const = default;
};
RuntimeReadout runtimeReadout(const std::optional<BridgeStatus>& status, const DisplaySettings& settings = {},
                              bool offBeat = false);

// Everything the runtime key's picture is drawn from: the readout and the label line.
struct RuntimeLook {
  RuntimeReadout readout;
  std::string label;

  bool operator==(const RuntimeLook&) const = default;
};
RuntimeLook runtimeLook(const std::optional<BridgeStatus>& status, const DisplaySettings& settings = {},
                        bool offBeat = false);
std::string runtimeSVG(const RuntimeLook& look);

// The runtime key picture for the status held now (absent: placeholders and an empty bar).
std::string runtimeSVGForStatus(const std::optional<BridgeStatus>& status, const DisplaySettings& settings = {},
                                bool offBeat = false);

// The text shortened with "…" to fit `widthEm` em of the label's font, by the glyphs' usual widths.
std::string fitToWidth(std::string_view text, double widthEm);

}  // namespace vantry
