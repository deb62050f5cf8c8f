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
  deliverImage(context, svgDataURL(makeCommandSVG(title(kind), symbol.size, symbol.text)));
}

void VantryProDeckPlugin::renderRuntimeContext(const std::string& context) {
  deliverImage(context, svgDataURL(runtimeSVGForStatus(latestStatus)));
}

void VantryProDeckPlugin::renderLogoContext(const std::string& context) {
  const auto& logo = appLogoDataURL();
  if (logo) {
    deliverImage(context, *logo);
  } else {
    deliverImage(context, svgDataURL(fallbackLogoSVG()));
  }
}

const std::optional<std::string>& VantryProDeckPlugin::appLogoDataURL() {
  if (!appLogoDataURL_) appLogoDataURL_ = readLogoDataURL(programPath_);
  return *appLogoDataURL_;
}

void VantryProDeckPlugin::deliverImage(const std::string& context, std::string_view image) {
  const auto picture = imagePayload(image);
  const auto noTitle = emptyTitlePayload();
  sendEvent("setImage", context, &picture);
  sendEvent("setTitle", context, &noTitle);
}

}  // namespace vantry
