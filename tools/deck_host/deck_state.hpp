#pragma once

#include "deck_dials.hpp"
#include "deck_layout.hpp"

#include <boost/json/object.hpp>

#include <random>
#include <string_view>
#include <vector>

namespace vantry::deck {

// The virtual deck: its device, its keys and dials, and what the plugin last showed on each.
struct DeckState {
  explicit DeckState(std::mt19937_64& random);

  // Takes in one message of the registered plugin; the updates it makes for the page.
  std::vector<boost::json::object> apply(const boost::json::object& message);
  DeckKey* key(std::string_view context);
  DeckDial* dial(std::string_view context);
  // The device, keys and dials as the page and /state.json show them.
  boost::json::object state() const;

  DeckDevice device;
  std::vector<DeckKey> keys;
  std::vector<DeckDial> dials;
};

}  // namespace vantry::deck
