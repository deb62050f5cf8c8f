#pragma once

#include <boost/json/value.hpp>

#include <cstdint>

namespace vantry {

// How one Runtime key or Transport dial shows the clock, as its user set it in the property
// inspector; the host keeps these per key. The defaults draw the key as it always looked.
struct DisplaySettings {
  bool remaining = false;           // "time": "remaining" instead of "elapsed"
  std::int64_t warnSeconds = 0;     // "warnSeconds": warn this close to the end; 0 never
  bool flash = false;               // "flash": blink the warning while playing
  bool titleLabel = false;          // "label": "title" instead of "runtime" (the Runtime key only)

  bool operator==(const DisplaySettings&) const = default;
};

inline constexpr std::int64_t longestWarnSeconds = 3600;

// The settings a host message carries (its payload's "settings"). Each one that is missing, of
// another JSON type or out of range is its default: the user's settings are read, never corrected.
DisplaySettings readDisplaySettings(const boost::json::value* settings);

}  // namespace vantry
