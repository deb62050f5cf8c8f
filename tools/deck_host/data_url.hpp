#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantry::deck {

struct DecodedImage {
  std::string extension;  // "svg" or "png"
  std::string bytes;
};

// The picture inside a key image: a base64 or plain SVG data URL, or a base64 PNG one.
std::optional<DecodedImage> decodeImageDataURL(std::string_view url);

}  // namespace vantry::deck
