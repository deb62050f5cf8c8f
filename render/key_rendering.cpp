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
  const auto symbol = commandSymbol(kind, latestStatus);
  deliverSVG(context, makeCommandSVG(title(kind), symbol.size, symbol.text));
}

void VantryProDeckPlugin::renderRuntimeContext(const std::string& context) {
  deliverSVG(context, runtimeSVGForStatus(latestStatus, settingsOf(context), offBeat_));
}

void VantryProDeckPlugin::renderLogoContext(const std::string& context) {
  const auto& logo = appLogoDataURL();
  if (logo) {
    deliverImage(context, *logo);
  } else {
    deliverSVG(context, std::string(fallbackLogoSVG()));
  }
}

const std::optional<std::string>& VantryProDeckPlugin::appLogoDataURL() {
  if (!appLogoDataURL_) appLogoDataURL_ = readLogoDataURL(programPath_);
  return *appLogoDataURL_;
}

void VantryProDeckPlugin::deliverSVG(const std::string& context, std::string svg) {
  deliverPicture(context, std::move(svg), [](const std::string& source) { return svgDataURL(source); });
}

void VantryProDeckPlugin::deliverImage(const std::string& context, std::string_view image) {
  deliverPicture(context, std::string(image), [](const std::string& source) { return source; });
}

// Between two polls most keys look the same. The host still gets every picture, but one that has
// not changed since it was last sent to the key goes out as the same text, not encoded anew.
void VantryProDeckPlugin::deliverPicture(const std::string& context, std::string source,
                                         std::string (*toImage)(const std::string&)) {
  auto& sent = sentPictures_[context];
  if (sent.messages.empty() || sent.source != source) {
    sent.source = std::move(source);
    sent.messages.clear();
    const auto picture = imagePayload(toImage(sent.source));
    const auto noTitle = emptyTitlePayload();
    for (const auto& message : {eventEnvelope("setImage", context, &picture), eventEnvelope("setTitle", context, &noTitle)}) {
      if (auto text = wireText(message)) sent.messages.push_back(std::move(*text));
    }
  }
  for (const auto& text : sent.messages) sendText(text);
}

}  // namespace vantry
