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
constexpr std::string_view usualStripColour = "#ffffff";

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

boost::json::object dialFeedback(const std::optional<BridgeStatus>& status, const DisplaySettings& settings,
                                 bool offBeat) {
  const auto readout = runtimeReadout(status, settings, offBeat);
  const bool titled = status && status->selectedClipTitle && !status->selectedClipTitle->empty();
  const auto time = readout.current + " / " + readout.duration;
  const auto percent = static_cast<std::int64_t>(std::lround(readout.progress * 100));
  boost::json::object feedback{{"title", titled ? std::string_view(*status->selectedClipTitle) : untitled},
                               {"icon", iconDataURL(status)}};
  // A dial with a warning names its colours outside the warning too, as white: a host keeps an
  // item's colour until it is told another.
  if (settings.warnSeconds > 0) {
    const auto colour = readout.warning ? warningColour : usualStripColour;
    feedback["value"] = {{"value", time}, {"color", colour}};
    feedback["indicator"] = {{"value", percent}, {"bar_fill_c", colour}};
  } else {
    feedback["value"] = time;
    feedback["indicator"] = percent;
  }
  return feedback;
}

}  // namespace vantry
