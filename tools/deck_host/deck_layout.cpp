#include "deck_layout.hpp"

#include "host/host_messages.hpp"

#include <cctype>

namespace vantry::deck {

namespace json = boost::json;

namespace {

constexpr std::string_view actionPrefix = "vesk.quillfern.vantrypro.streamdeck.";

const char* hostPlatform() {
#if defined(_WIN32)
  return "windows";
#elif defined(__APPLE__)
  return "mac";
#else
  return "linux";
#endif
}

json::object coordinates(const DeckKey& key) { return {{"column", key.column}, {"row", key.row}}; }

}  // namespace

std::string randomHex(std::mt19937_64& random, std::size_t digits) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(digits);
  for (std::size_t i = 0; i < digits; ++i) text += hex[random() & 15];
  return text;
}

std::vector<DeckKey> defaultLayout(std::mt19937_64& random) {
  std::vector<DeckKey> keys;
  int index = 0;
  for (const auto kind : allDeckActionKinds) {
    DeckKey key;
    key.context = randomHex(random);
    key.kind = kind;
    key.column = index % 3;
    key.row = index / 3;
    keys.push_back(std::move(key));
    ++index;
  }
  return keys;
}

std::string shortActionName(DeckActionKind kind) {
  auto identifier = rawValue(kind);
  if (identifier.starts_with(actionPrefix)) identifier.remove_prefix(actionPrefix.size());
  std::string name;
  for (const char c : identifier) {
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  }
  return name;
}

std::optional<DeckActionKind> kindFromShortName(std::string_view name) {
  for (const auto kind : allDeckActionKinds) {
    if (shortActionName(kind) == name) return kind;
  }
  return std::nullopt;
}

json::object launchInfo(const DeckDevice& device) {
  return {
      {"application", {{"font", ".AppleSystemUIFont"}, {"language", "en"}, {"platform", hostPlatform()},
                       {"platformVersion", "1.0"}, {"version", "6.4.0.19000"}}},
      {"plugin", {{"uuid", "vesk.quillfern.vantrypro.streamdeck"}, {"version", "1.0.0"}}},
      {"devicePixelRatio", 1},
      {"colors", {{"buttonPressedBackgroundColor", "#303030FF"}, {"buttonPressedBorderColor", "#646464FF"},
                  {"buttonPressedTextColor", "#969696FF"}, {"disabledColor", "#007AFF59"},
                  {"highlightColor", "#007AFFFF"}, {"mouseDownColor", "#2EA8FFFF"}}},
      {"devices", json::array{json::object{{"id", device.id},
                                           {"name", device.name},
                                           {"size", {{"columns", device.columns}, {"rows", device.rows}}},
                                           {"type", device.type}}}},
  };
}

json::object deviceDidConnect(const DeckDevice& device) {
  return {{"event", "deviceDidConnect"},
          {"device", device.id},
          {"deviceInfo", {{"name", device.name},
                          {"size", {{"columns", device.columns}, {"rows", device.rows}}},
                          {"type", device.type}}}};
}

json::object willAppear(const DeckKey& key, const DeckDevice& device) {
  return {{"event", "willAppear"},
          {"action", rawValue(key.kind)},
          {"context", key.context},
          {"device", device.id},
          {"payload", {{"settings", json::object{}},
                       {"coordinates", coordinates(key)},
                       {"controller", "Keypad"},
                       {"isInMultiAction", false}}}};
}

json::object keyEvent(std::string_view event, const DeckKey& key, const DeckDevice& device) {
  return {{"event", event},
          {"action", rawValue(key.kind)},
          {"context", key.context},
          {"device", device.id},
          {"payload", {{"settings", json::object{}}, {"coordinates", coordinates(key)}, {"isInMultiAction", false}}}};
}

bool applyKeyMessage(DeckKey& key, std::string_view event, const json::object* payload) {
  if (event == "setImage") {
    key.image = payload ? textMember(*payload, "image").value_or("") : "";
    ++key.imageCount;
  } else if (event == "setTitle") {
    key.title = payload ? textMember(*payload, "title").value_or("") : "";
  } else if (event == "showOk" || event == "showAlert") {
    key.mark = event == "showOk" ? "ok" : "alert";
    ++key.markCount;
  } else {
    return false;
  }
  return true;
}

json::object keyState(const DeckKey& key) {
  json::object state{{"context", key.context},
                     {"action", rawValue(key.kind)},
                     {"name", shortActionName(key.kind)},
                     {"column", key.column},
                     {"row", key.row},
                     {"title", key.title},
                     {"image", key.image},
                     {"imageCount", key.imageCount},
                     {"markCount", key.markCount}};
  if (key.mark.empty()) {
    state["mark"] = nullptr;
  } else {
    state["mark"] = key.mark;
  }
  return state;
}

json::object deviceState(const DeckDevice& device) {
  return {{"id", device.id}, {"name", device.name}, {"columns", device.columns}, {"rows", device.rows}};
}

}  // namespace vantry::deck
