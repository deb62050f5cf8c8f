#pragma once

#include "deck_layout.hpp"

#include <boost/json/object.hpp>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::deck {

// One dial of the Stream Deck + and what the plugin last showed on its 200x100 strip segment.
struct DeckDial {
  std::string context;
  int column = 0;
  std::string title;
  std::string value;
  std::string icon;  // data URL; empty until the plugin sets one
  double indicator = 0;  // 0 to 100
  std::uint64_t feedbackCount = 0;
  std::uint64_t markCount = 0;
};

// Four transport dials, one under each quarter of the touch strip.
std::vector<DeckDial> defaultDials(std::mt19937_64& random);

boost::json::object willAppear(const DeckDial& dial, const DeckDevice& device);

// What a page control sends the plugin: "left" and "right" turn the dial one tick, "push" presses
// and releases it, "touch" taps its strip segment at the point given. Empty for an unknown control.
std::vector<boost::json::object> dialControlEvents(std::string_view control, const DeckDial& dial,
                                                   const DeckDevice& device, int tapX, int tapY);

// Applies one plugin message for the dial: "setFeedback" items over the last ones, "showAlert"
// as a mark. False for anything else, which leaves the dial as it was.
bool applyDialMessage(DeckDial& dial, std::string_view event, const boost::json::object* payload);

// The dial as the page and /state.json show it.
boost::json::object dialState(const DeckDial& dial);

}  // namespace vantry::deck
