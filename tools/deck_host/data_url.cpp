#include "data_url.hpp"

#include <array>

namespace vantry::deck {

namespace {

constexpr std::array<signed char, 256> decodeTable = [] {
  std::array<signed char, 256> table{};
  table.fill(-1);
  constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < alphabet.size(); ++i) {
    table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
  }
  return table;
}();

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

std::optional<std::string> base64Decode(std::string_view text) {
  while (!text.empty() && text.back() == '=') text.remove_suffix(1);
  if (text.size() % 4 == 1) return std::nullopt;
  std::string out;
  out.reserve(text.size() * 3 / 4);
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    const int value = decodeTable[static_cast<unsigned char>(c)];
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

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
