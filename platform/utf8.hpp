#pragma once

#include <string_view>

namespace vantry {

// Well-formed UTF-8 as Unicode defines it: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUTF8(std::string_view bytes);

}  // namespace vantry
