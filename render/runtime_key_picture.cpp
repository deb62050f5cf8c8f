#include "render/runtime_key_picture.hpp"

#include "render/key_background.hpp"
#include "render/xml_escape.hpp"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace vantry {

namespace {

// Whole seconds by truncation toward zero, when they fit a signed 64-bit integer.
std::optional<std::int64_t> wholeSeconds(double seconds) {
  if (!std::isfinite(seconds)) return std::nullopt;
  const double t = std::trunc(seconds);
  if (t < -9223372036854775808.0 || t >= 9223372036854775808.0) return std::nullopt;
  return static_cast<std::int64_t>(t);
}

}  // namespace

std::string formatTime(double seconds) {
  const auto t = wholeSeconds(seconds);
  if (!t) return std::string(placeholderTime);
  const std::int64_t total = std::max<std::int64_t>(*t, 0);
  char text[32];
  if (*t >= 3600) {
    std::snprintf(text, sizeof text, "%" PRId64 ":%02d:%02d", total / 3600, int(total % 3600 / 60), int(total % 60));
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d", int(total % 3600 / 60), int(total % 60));
  }
  return text;
}

int fillWidth(double progress) {
  if (!(progress > 0)) return 0;  // also NaN
  return static_cast<int>(std::round(std::min(progress, 1.0) * 120));
}

std::string makeRuntimeSVG(std::string_view current, std::string_view duration, double progress,
                           std::string_view accentHex) {
  std::string svg;
  svg.reserve(1700);
  appendKeyBackground(svg, "0.18", "0.03");
  svg += "  <text x=\"72\" y=\"33\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" "
         "font-size=\"16\" font-weight=\"700\" fill=\"#ffffff\" opacity=\"0.96\">Runtime</text>\n"
         "  <text x=\"72\" y=\"68\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" "
         "font-size=\"28\" font-weight=\"700\" fill=\"#ffffff\">";
  svg += xmlEscape(current);
  svg += "</text>\n"
         "  <text x=\"72\" y=\"92\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" "
         "font-size=\"17\" fill=\"#ffffff\">/ ";
  svg += xmlEscape(duration);
  svg += "</text>\n"
         "  <rect x=\"12\" y=\"124\" width=\"120\" height=\"8\" rx=\"4\" fill=\"#2f2f2f\"/>\n"
         "  <rect x=\"12\" y=\"124\" width=\"";
  svg += std::to_string(fillWidth(progress));
  svg += "\" height=\"8\" rx=\"4\" fill=\"";
  svg += accentHex;
  svg += "\"/>\n"
         "</svg>";
  return svg;
}

RuntimeReadout runtimeReadout(const std::optional<BridgeStatus>& status) {
  if (!status) return {std::string(placeholderTime), std::string(placeholderTime), 0};
  RuntimeReadout readout{formatTime(status->currentTime), std::string(placeholderTime), 0};
  if (status->duration > 0.001 && wholeSeconds(status->duration)) {
    readout.duration = formatTime(status->duration);
    // A position the key cannot show leaves the bar empty rather than guessing a fill.
    if (wholeSeconds(status->currentTime)) readout.progress = std::clamp(status->currentTime / status->duration, 0.0, 1.0);
  }
  return readout;
}

std::string runtimeSVGForStatus(const std::optional<BridgeStatus>& status) {
  const auto readout = runtimeReadout(status);
  return makeRuntimeSVG(readout.current, readout.duration, readout.progress, accentColour);
}

}  // namespace vantry
