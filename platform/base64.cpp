#include "platform/base64.hpp"

#include <array>
#include <cstdint>

namespace vantry {

std::string base64Encode(std::string_view bytes) {
  static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  // Every key picture goes through here on every poll, so the text is written in place.
  std::string out((bytes.size() + 2) / 3 * 4, '=');
  char* o = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = (std::uint32_t(in[i]) << 16) | (std::uint32_t(in[i + 1]) << 8) | in[i + 2];
    *o++ = alphabet[(group >> 18) & 63];
    *o++ = alphabet[(group >> 12) & 63];
    *o++ = alphabet[(group >> 6) & 63];
    *o++ = alphabet[group & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t group = std::uint32_t(in[i]) << 16;
    if (rest == 2) group |= std::uint32_t(in[i + 1]) << 8;
    *o++ = alphabet[(group >> 18) & 63];
    *o++ = alphabet[(group >> 12) & 63];
    if (rest == 2) *o = alphabet[(group >> 6) & 63];
  }
  return out;
}

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

}  // namespace vantry
