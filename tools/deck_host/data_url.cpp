#include "data_url.hpp"

#include "platform/base64.hpp"

#include <array>

namespace vantry::deck {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hexDigit(text[i + 1]);
    const int low = hexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

}  // namespace


std::optional<DecodedImage> decodeImageDataURL(std::string_view url) {
  constexpr std::string_view scheme = "data:";
  if (!url.starts_with(scheme)) return std::nullopt;
  url.remove_prefix(scheme.size());
  const auto comma = url.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  auto header = url.substr(0, comma);
  const auto body = url.substr(comma + 1);
  bool isBase64 = false;
  if (header.ends_with(";base64")) {
    isBase64 = true;
    header.remove_suffix(7);
  }
  const auto semicolon = header.find(';');
  const auto type = header.substr(0, semicolon);
  std::string extension;
  if (type == "image/svg+xml") {
    extension = "svg";
  } else if (type == "image/png") {
    extension = "png";
  } else {
    return std::nullopt;
  }
  auto bytes = isBase64 ? base64Decode(body) : percentDecode(body);
  if (!bytes) return std::nullopt;
  return DecodedImage{std::move(extension), std::move(*bytes)};
}

}  // namespace vantry::deck
