#include "render/key_image.hpp"

#include "platform/base64.hpp"

namespace vantry {

std::string svgDataURL(std::string_view svg) { return "data:image/svg+xml;base64," + base64Encode(svg); }

}  // namespace vantry
