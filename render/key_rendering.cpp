#include "app/vantry_pro_deck_plugin.hpp"
#include "host/host_messages.hpp"
#include "render/command_key_picture.hpp"
#include "render/key_image.hpp"
#include "render/logo_key_picture.hpp"
#include "render/runtime_key_picture.hpp"

namespace vantry {

void VantryProDeckPlugin::renderAllContexts() {
  // Drawing only sends, it never changes the table, so the walk can run over the table itself.
  for (const auto& [context, kind] : contextsByID) renderContext(context, kind);
}

void VantryProDeckPlugin::renderCommandContext(const std::string& context, DeckActionKind kind) {
  auto symbol = commandSymbol(kind, latestStatus);
  deliverPicture(context, symbol, [&] { return svgDataURL(makeCommandSVG(title(kind), symbol.size, symbol.text)); });
}

void VantryProDeckPlugin::renderRuntimeContext(const std::string& context) {
  auto look = runtimeLook(latestStatus, settingsOf(context), offBeat_);
  deliverPicture(context, look, [&] { return svgDataURL(runtimeSVG(look)); });
}

void VantryProDeckPlugin::renderLogoContext(const std::string& context) {
  deliverPicture(context, std::monostate{}, [&] {
    const auto& logo = appLogoDataURL();
    return logo ? *logo : svgDataURL(std::string(fallbackLogoSVG()));
  });
}

const std::optional<std::string>& VantryProDeckPlugin::appLogoDataURL() {
  if (!appLogoDataURL_) appLogoDataURL_ = readLogoDataURL(programPath_);
  return *appLogoDataURL_;
}

// Between two polls most keys look the same. The host still gets every picture, but one whose
// inputs have not changed since it was last sent to the key goes out as the same text, neither
// drawn nor encoded anew.
template <class Draw>
void VantryProDeckPlugin::deliverPicture(const std::string& context, PictureInputs inputs, Draw drawImage) {
  auto& sent = sentPictures_[&context];
  if (sent.messages.empty() || sent.inputs != inputs) {
    sent.inputs = std::move(inputs);
    sent.messages.clear();
    const auto picture = imagePayload(drawImage());
    const auto noTitle = emptyTitlePayload();
    for (const auto& message : {eventEnvelope("setImage", context, &picture), eventEnvelope("setTitle", context, &noTitle)}) {
      if (auto text = wireText(message)) sent.messages.push_back(std::move(*text));
    }
  }
  for (const auto& text : sent.messages) sendText(text);
}

}  // namespace vantry
