#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantry {

// Standard base64 (RFC 4648): "+" and "/", "=" padding, no line breaks.
std::string base64Encode(std::string_view bytes);
// The same alphabet, "=" padding optional; nothing for any other character.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace vantry
