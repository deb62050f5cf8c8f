#pragma once

#include "render/deck_action_kind.hpp"

#include <boost/json/object.hpp>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::deck {

// One key of the virtual deck and what the plugin last drew on it.
struct DeckKey {
  std::string context;
  DeckActionKind kind{};
  int column = 0;
  int row = 0;
  std::string image;  // data URL; empty until the plugin sets one
  std::string title;
  std::uint64_t imageCount = 0;
  std::string mark;  // "ok" or "alert": the last mark shown, empty for none
  std::uint64_t markCount = 0;
};

struct DeckDevice {
  std::string id;
  std::string name = "Virtual Deck";
  int columns = 3;
  int rows = 3;
  int type = 7;  // the host's number for a Stream Deck +: the keys above, four dials below
};

// Random hex digits, as the host's tokens and contexts are.
std::string randomHex(std::mt19937_64& random, std::size_t digits = 32);

// The nine actions in their order on a 3x3 device, row by row.
std::vector<DeckKey> defaultLayout(std::mt19937_64& random);

// "play-pause" -> "playpause": a name for files and for the page.
std::string shortActionName(DeckActionKind kind);
std::optional<DeckActionKind> kindFromShortName(std::string_view name);

// The "-info" launch value: the host application, the plugin and its devices.
boost::json::object launchInfo(const DeckDevice& device);

boost::json::object deviceDidConnect(const DeckDevice& device);
boost::json::object willAppear(const DeckKey& key, const DeckDevice& device);
// "keyDown" or "keyUp".
boost::json::object keyEvent(std::string_view event, const DeckKey& key, const DeckDevice& device);

// Applies one plugin message for the key: "setImage", "setTitle", and "showOk" or "showAlert" as
// its mark. False for anything else, which leaves the key as it was.
bool applyKeyMessage(DeckKey& key, std::string_view event, const boost::json::object* payload);

// The key as the page and /state.json show it.
boost::json::object keyState(const DeckKey& key);
boost::json::object deviceState(const DeckDevice& device);

}  // namespace vantry::deck
