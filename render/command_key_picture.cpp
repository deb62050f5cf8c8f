#include "render/command_key_picture.hpp"

#include "render/key_background.hpp"
#include "render/xml_escape.hpp"

namespace vantry {

CommandSymbol commandSymbol(DeckActionKind kind, const std::optional<BridgeStatus>& status) {
  switch (kind) {
    case DeckActionKind::playPause:
      if (status && status->playbackState == "playing") return {"\u275A\u275A", 74};
      return {"\u25B6", 74};
    case DeckActionKind::stop:
      return {"\u25A0", 67};
    case DeckActionKind::back10:
      return {"\u27F210", 50};
    case DeckActionKind::forward10:
      return {"10\u27F3", 50};
    case DeckActionKind::syncStart:
      if (status && status->syncStartCountdownSecondsRemaining >= 1) {
        return {std::to_string(status->syncStartCountdownSecondsRemaining), 77};
      }
      return {"3\u00B72\u00B71", 53};
    case DeckActionKind::eject:
      return {"\u23CF", 67};
    case DeckActionKind::loopToggle:
      return {"\u21BB", 70};
    case DeckActionKind::runtime:
    case DeckActionKind::logo:
      break;
  }
  return {};
}

std::string makeCommandSVG(std::string_view label, int symbolSize, std::string_view symbol) {
  std::string svg;
  svg.reserve(1400);
  appendKeyBackground(svg, "0.20", "0.02");
  svg += "  <text x=\"72\" y=\"36\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" "
         "font-size=\"19\" font-weight=\"700\" fill=\"#ffffff\" opacity=\"0.96\">";
  svg += xmlEscape(label);
  svg += "</text>\n"
         "  <text x=\"72\" y=\"102\" text-anchor=\"middle\" font-family=\"Arial, Helvetica, sans-serif\" "
         "font-size=\"";
  svg += std::to_string(symbolSize);
  svg += "\" font-weight=\"700\" fill=\"#ff7b21\">";
  svg += xmlEscape(symbol);
  svg += "</text>\n"
         "</svg>";
  return svg;
}

}  // namespace vantry
