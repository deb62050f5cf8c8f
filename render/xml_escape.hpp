#pragma once

#include <string>
#include <string_view>

namespace vantry {

// Escapes text for SVG element content: & < > " ' become entities, "&" first, every other character kept.
std::string xmlEscape(std::string_view text);

}  // namespace vantry
