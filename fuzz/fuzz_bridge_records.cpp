// Decoding of the bridge's status and action replies, and the key pictures drawn from a decoded
// status, so that strange numbers and texts reach the time formatting and the escaping too.
#include "bridge/bridge_records.hpp"
#include "render/command_key_picture.hpp"
#include "render/key_image.hpp"
#include "render/runtime_key_picture.hpp"
#include "fuzz_check.hpp"

#include <boost/json.hpp>

namespace {

// A picture that is not UTF-8 would be dropped on the way to the host; the JSON parser tells.
void checkPicture(const std::string& svg) {
  boost::system::error_code error;
  boost::json::parse(boost::json::serialize(svg), error);
  check(!error && !vantry::svgDataURL(svg).empty(), "picture that is not UTF-8");
}

void drawKeys(const std::optional<vantry::BridgeStatus>& status) {
  checkPicture(vantry::runtimeSVGForStatus(status));
  for (const auto kind : vantry::allDeckActionKinds) {
    const auto symbol = vantry::commandSymbol(kind, status);
    checkPicture(vantry::makeCommandSVG(vantry::title(kind), symbol.size, symbol.text));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  drawKeys(vantry::decodeBridgeStatus(body));
  if (const auto response = vantry::decodeBridgeActionResponse(body); response && response->status) {
    drawKeys(response->status);
  }
  return 0;
}
