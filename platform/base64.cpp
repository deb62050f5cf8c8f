#include "platform/base64.hpp"

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

}  // namespace vantry
