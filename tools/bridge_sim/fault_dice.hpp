#pragma once

#include <cstdint>
#include <random>

namespace vantry::sim {

enum class Fault { none, fail, hang };

// Decides, request by request, whether the bridge misbehaves. mt19937 is fully specified, so a
// seed repeats the same faults on every platform.
class FaultDice {
 public:
  FaultDice(unsigned failPercent, unsigned hangPercent, std::uint32_t seed)
      : failPercent_(failPercent), hangPercent_(hangPercent), engine_(seed) {}

  Fault next() {
    // Two rolls, so each percentage holds on its own: hang first, then fail among the rest.
    if (roll() < hangPercent_) return Fault::hang;
    if (roll() < failPercent_) return Fault::fail;
    return Fault::none;
  }

 private:
  unsigned roll() { return static_cast<unsigned>(engine_() % 100U); }

  unsigned failPercent_;
  unsigned hangPercent_;
  std::mt19937 engine_;
};

}  // namespace vantry::sim
