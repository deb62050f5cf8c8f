#pragma once

#include <string>
#include <string_view>

namespace vantry {

// Standard base64 (RFC 4648): "+" and "/", "=" padding, no line breaks.
std::string base64Encode(std::string_view bytes);

}  // namespace vantry
