// Decoding of the bridge's status and action replies, and the key pictures drawn from a decoded
// status, so that strange numbers and texts reach the time formatting and the escaping too.
#include "bridge/bridge_records.hpp"
#include "host/host_messages.hpp"
#include "render/command_key_picture.hpp"
#include "render/deck_action_kind.hpp"
#include "render/key_image.hpp"
#include "render/runtime_key_picture.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_bridge_records: %s\n", what);
  std::abort();
}

// A picture that is not UTF-8 would be dropped on the way to the host.
bool sendable(const std::string& svg) { return vantry::wireText(vantry::eventEnvelope("setImage", svg)).has_value(); }

void drawKeys(const std::optional<vantry::BridgeStatus>& status) {
  const auto runtime = vantry::runtimeSVGForStatus(status);
  if (!sendable(runtime)) fail("runtime picture is not UTF-8");
  if (vantry::svgDataURL(runtime).empty()) fail("empty data URL");
  for (const auto kind : vantry::allDeckActionKinds) {
    const auto symbol = vantry::commandSymbol(kind, status);
    const auto svg = vantry::makeCommandSVG(vantry::title(kind), symbol.size, symbol.text);
    if (!sendable(svg)) fail("command picture is not UTF-8");
  }
  if (status) {
    for (const double seconds : {status->currentTime, status->duration, status->uploadProgressFraction}) {
      if (vantry::formatTime(seconds).empty()) fail("empty time");
    }
    const int width = vantry::fillWidth(status->uploadProgressFraction);
    if (width < 0 || width > 120) fail("fill width outside the bar");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  const auto status = vantry::decodeBridgeStatus(body);
  drawKeys(status);
  if (const auto response = vantry::decodeBridgeActionResponse(body)) {
    if (response->status) drawKeys(response->status);
  }
  return 0;
}
