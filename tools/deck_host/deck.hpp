#pragma once

#include <boost/json/object.hpp>

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::deck {

// Random hex digits, as the host's tokens and contexts are.
std::string randomHex(std::mt19937_64& random);

// The most a key's or dial's settings, or the plugin's global ones, may take as JSON text; larger
// ones are refused rather than kept.
constexpr std::size_t settingsBytes = 64 * 1024;

// The virtual deck, a Stream Deck + with the nine actions on its 3x3 keys, row by row, and four
// transport dials under them, one to each quarter of the touch strip. Each key and dial is kept as
// the page and /state.json show it, with what the plugin last showed on it.
class Deck {
 public:
  explicit Deck(std::mt19937_64& random);

  // The "-info" launch value: the host application, the plugin and its device.
  boost::json::object launchInfo() const;
  // What a registered plugin is told first: its device is there, and each key and dial appears
  // with its settings.
  std::vector<boost::json::object> greeting() const;
  // Takes in one message of the registered plugin; the updates it makes for the page: "setImage",
  // "setTitle" and "showOk" or "showAlert" as a mark for a key; "setFeedback" items over the last
  // ones, with their colours, and "showAlert" for a dial.
  std::vector<boost::json::object> apply(const boost::json::object& message);
  // The page's update for one key or dial.
  static boost::json::object pageUpdate(const boost::json::object& control);

  // The key or dial whose member shows the text given (a number by its digits); null for none.
  boost::json::object* key(std::string_view member, std::string_view text);
  boost::json::object* dial(std::string_view member, std::string_view text);
  boost::json::object* control(std::string_view context);
  // Gives each key and dial whose context, action identifier or short name is `which` the
  // settings; how many it gave them to.
  int presetSettings(std::string_view which, const boost::json::object& settings);
  // Names each key's and dial's property inspector page as the bundle's manifest does (null: none).
  void nameInspectors(const boost::json::object& manifest);
  // A press of the key: down, then up.
  std::vector<boost::json::object> press(const boost::json::object& key) const;
  // What a page control sends the plugin: "left" and "right" turn the dial one tick, "push" presses
  // and releases it, "touch" taps its strip segment at the point given. Empty for an unknown control.
  std::vector<boost::json::object> operate(const boost::json::object& dial, std::string_view control, int tapX,
                                           int tapY) const;
  // "didReceiveSettings" with the key's or dial's settings, as the plugin and its inspector hear it.
  boost::json::object settingsEvent(const boost::json::object& control) const;
  // "propertyInspectorDidAppear" or "propertyInspectorDidDisappear" for the key or dial.
  boost::json::object inspectorEvent(std::string_view event, const boost::json::object& control) const;

  // The device, keys and dials as the page and /state.json show them.
  boost::json::object state() const;
  // Writes each key's last picture as <name>.svg or .png and summary.json, with the dials' last
  // strip text, into the folder, creating it; false with the problem when any file cannot be written.
  bool writeSnapshot(const std::string& folder, std::string& problem) const;

 private:
  static constexpr std::string_view deviceName = "Virtual Deck";
  static constexpr int columns = 3;
  static constexpr int rows = 3;
  static constexpr int dialCount = 4;

  std::string deviceID_;
  std::vector<boost::json::object> keys_;
  std::vector<boost::json::object> dials_;
};

}  // namespace vantry::deck
