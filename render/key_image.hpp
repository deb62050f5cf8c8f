#pragma once

#include <string>
#include <string_view>

namespace vantry {

// An SVG picture as the data URL that "setImage" carries.
std::string svgDataURL(std::string_view svg);

}  // namespace vantry
