#include "render/dial_strip.hpp"

#include "render/command_key_picture.hpp"
#include "render/key_image.hpp"
#include "render/runtime_key_picture.hpp"
#include "render/xml_escape.hpp"

#include <cmath>
#include <string>

namespace vantry {

namespace {

constexpr std::string_view untitled = "Vantry Pro";

// The symbol the play/pause key shows, or the sync-start key's seconds while a countdown runs.
std::string iconDataURL(const std::optional<BridgeStatus>& status) {
  const bool countingDown = status && status->syncStartCountdownSecondsRemaining >= 1;
  const auto symbol = commandSymbol(countingDown ? DeckActionKind::syncStart : DeckActionKind::playPause, status);
  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" viewBox=\"0 0 48 48\">"
      "<text x=\"24\" y=\"36\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" font-size=\"32\" "
      "font-weight=\"700\" fill=\"";
  svg += accentColour;
  svg += "\">";
  svg += xmlEscape(symbol.text);
  svg += "</text></svg>";
  return svgDataURL(svg);
}

}  // namespace

boost::json::object dialFeedback(const std::optional<BridgeStatus>& status) {
  const auto readout = runtimeReadout(status);
  const bool titled = status && status->selectedClipTitle && !status->selectedClipTitle->empty();
  return {
      {"title", titled ? std::string_view(*status->selectedClipTitle) : untitled},
      {"icon", iconDataURL(status)},
      {"value", readout.current + " / " + readout.duration},
      {"indicator", static_cast<std::int64_t>(std::lround(readout.progress * 100))},
  };
}

}  // namespace vantry
