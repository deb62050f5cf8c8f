// Decoding of the bridge's status and action replies, and what is drawn from a decoded status: the
// key pictures, where strange numbers reach the time formatting, and the dial's strip, where the
// clip's title reaches the host as it came.
#include "bridge/bridge_records.hpp"
#include "host/host_messages.hpp"
#include "render/command_key_picture.hpp"
#include "render/dial_strip.hpp"
#include "render/key_image.hpp"
#include "render/runtime_key_picture.hpp"
#include "fuzz_check.hpp"

#include <boost/json.hpp>

namespace {

// Every text element of a picture is closed: inserted text that was not escaped would open or
// close one of its own.
void checkPicture(const std::string& svg) {
  const auto count = [&](std::string_view what) {
    std::size_t n = 0;
    for (auto at = svg.find(what); at != std::string::npos; at = svg.find(what, at + 1)) ++n;
    return n;
  };
  check(count("<text") == count("</text>") && count("<") == 2 * count("</") + count("/>"), "picture not well formed");
  check(!vantry::svgDataURL(svg).empty(), "no data URL");
}

// The strip's items go out as one message: text the host can read, and a bar within its range.
void checkStrip(const std::optional<vantry::BridgeStatus>& status) {
  const auto feedback = vantry::dialFeedback(status);
  check(vantry::wireText(vantry::eventEnvelope("setFeedback", "dial", &feedback)).has_value(), "strip not UTF-8");
  check(feedback.at("indicator").as_int64() >= 0 && feedback.at("indicator").as_int64() <= 100, "bar out of range");
}

void draw(const std::optional<vantry::BridgeStatus>& status) {
  checkPicture(vantry::runtimeSVGForStatus(status));
  for (const auto kind : vantry::allDeckActionKinds) {
    const auto symbol = vantry::commandSymbol(kind, status);
    checkPicture(vantry::makeCommandSVG(vantry::title(kind), symbol.size, symbol.text));
  }
  checkStrip(status);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  draw(vantry::decodeBridgeStatus(body));
  if (const auto response = vantry::decodeBridgeActionResponse(body); response && response->status) {
    draw(response->status);
  }
  return 0;
}
