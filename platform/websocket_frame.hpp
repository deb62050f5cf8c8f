#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vantry {

// One final, masked text frame, as a WebSocket client sends it: the bytes it takes, and the frame
// written at `out` (which has room for them) with the masking key `key`.
inline std::size_t maskedTextFrameSize(std::size_t payloadSize) {
  return 2 + (payloadSize > 65535 ? 8 : payloadSize > 125 ? 2 : 0) + 4 + payloadSize;
}

inline void writeMaskedTextFrame(unsigned char* out, std::string_view text, std::uint32_t key) {
  const std::size_t size = text.size();
  std::size_t at = 0;
  out[at++] = 0x81;  // final fragment, text
  if (size <= 125) {
    out[at++] = static_cast<unsigned char>(0x80 | size);
  } else if (size <= 65535) {
    out[at++] = 0x80 | 126;
    out[at++] = static_cast<unsigned char>(size >> 8);
    out[at++] = static_cast<unsigned char>(size);
  } else {
    out[at++] = 0x80 | 127;
    for (int shift = 56; shift >= 0; shift -= 8) out[at++] = static_cast<unsigned char>(std::uint64_t(size) >> shift);
  }
  const unsigned char mask[4] = {static_cast<unsigned char>(key >> 24), static_cast<unsigned char>(key >> 16),
                                 static_cast<unsigned char>(key >> 8), static_cast<unsigned char>(key)};
  for (const auto m : mask) out[at++] = m;
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  // Eight bytes at a time: the mask repeats every four, so two copies of it fill a word in the
  // byte order it is applied in, whatever the machine's.
  std::uint64_t wideMask = 0;
  std::memcpy(&wideMask, mask, 4);
  std::memcpy(reinterpret_cast<unsigned char*>(&wideMask) + 4, mask, 4);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, in + i, 8);
    word ^= wideMask;
    std::memcpy(out + at + i, &word, 8);
  }
  for (; i < size; ++i) out[at + i] = in[i] ^ mask[i & 3];
}

}  // namespace vantry
