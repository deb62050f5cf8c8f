#include "render/runtime_key_picture.hpp"

#include "render/key_background.hpp"
#include "render/xml_escape.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

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
  // Written by hand: it runs for every runtime key and dial after every poll.
  const auto twoDigits = [](std::string& out, std::int64_t n) {
    out += char('0' + n / 10);
    out += char('0' + n % 10);
  };
  std::string text = total >= 3600 ? std::to_string(total / 3600) + ':' : std::string();
  twoDigits(text, total % 3600 / 60);
  text += ':';
  twoDigits(text, total % 60);
  return text;
}

int fillWidth(double progress) {
  if (!(progress > 0)) return 0;  // also NaN
  return static_cast<int>(std::round(std::min(progress, 1.0) * 120));
}

std::string makeRuntimeSVG(std::string_view current, std::string_view duration, double progress,
                           std::string_view accentHex, std::string_view label) {
  std::string svg;
  svg.reserve(1700);
  appendKeyBackground(svg, "0.18", "0.03", accentHex);
  svg += "  <text x=\"72\" y=\"33\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" "
         "font-size=\"16\" font-weight=\"700\" fill=\"#ffffff\" opacity=\"0.96\">";
  svg += xmlEscape(label);
  svg += "</text>\n"
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

RuntimeReadout runtimeReadout(const std::optional<BridgeStatus>& status, const DisplaySettings& settings, bool offBeat) {
  if (!status) return {std::string(placeholderTime), std::string(placeholderTime), 0};
  RuntimeReadout readout{formatTime(status->currentTime), std::string(placeholderTime), 0};
  const bool counts = status->duration > 0.001 && wholeSeconds(status->duration);
  // A position the key cannot show leaves the bar empty rather than guessing a fill.
  const bool placed = counts && wholeSeconds(status->currentTime);
  if (counts) readout.duration = formatTime(status->duration);
  if (placed) readout.progress = std::clamp(status->currentTime / status->duration, 0.0, 1.0);
  const double left = std::max(status->duration - status->currentTime, 0.0);
  if (settings.remaining) readout.current = placed ? formatTime(std::ceil(left)).insert(0, 1, '-') : std::string(placeholderTime);
  const bool blinkedOff = settings.flash && offBeat && status->playbackState == "playing";
  readout.warning = placed && settings.warnSeconds > 0 && left <= double(settings.warnSeconds) && !blinkedOff;
  return readout;
}

RuntimeLook runtimeLook(const std::optional<BridgeStatus>& status, const DisplaySettings& settings, bool offBeat) {
  const bool titled = settings.titleLabel && status && status->selectedClipTitle && !status->selectedClipTitle->empty();
  // The key is 144 wide; the label keeps 8 of them clear on each side, at 16 px an em.
  return {runtimeReadout(status, settings, offBeat),
          titled ? fitToWidth(*status->selectedClipTitle, 128.0 / 16) : std::string(runtimeLabel)};
}

std::string runtimeSVG(const RuntimeLook& look) {
  const auto& readout = look.readout;
  return makeRuntimeSVG(readout.current, readout.duration, readout.progress,
                        readout.warning ? warningColour : accentColour, look.label);
}

std::string runtimeSVGForStatus(const std::optional<BridgeStatus>& status, const DisplaySettings& settings,
                                bool offBeat) {
  return runtimeSVG(runtimeLook(status, settings, offBeat));
}

namespace {

// A code point's usual width in bold Arial, in em: wide for East Asian scripts, narrow for the thin
// Latin letters and punctuation, else an average letter.
double glyphWidthEm(char32_t c) {
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                    (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                    (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x1F300;
  if (wide) return 1.0;
  if (std::u32string_view(U" !'(),-./:;Iijlt|f").find(c) != std::u32string_view::npos) return 0.3;
  if (std::u32string_view(U"MWmw@%").find(c) != std::u32string_view::npos) return 0.9;
  return (c >= U'A' && c <= U'Z') ? 0.72 : 0.6;
}

}  // namespace

std::string fitToWidth(std::string_view text, double widthEm) {
  constexpr std::string_view ellipsis = "…";
  double used = 0;
  std::size_t fitting = 0;  // bytes of the whole code points that fit beside the ellipsis
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && at + k < text.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    used += glyphWidthEm(c);
    if (used > widthEm) return std::string(text.substr(0, fitting)) + std::string(ellipsis);
    at += length;
    if (used + glyphWidthEm(U'…') <= widthEm) fitting = std::min(at, text.size());
  }
  return std::string(text);
}

}  // namespace vantry
