#include "deck.hpp"

#include "deck_bundle.hpp"

#include "host/host_messages.hpp"
#include "render/deck_action_kind.hpp"

#include <boost/json/serialize.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace vantry::deck {

namespace json = boost::json;

namespace {

constexpr std::string_view actionPrefix = "vesk.quillfern.vantrypro.streamdeck.";

// "vesk.quillfern.vantrypro.streamdeck.play-pause" -> "playpause": a name for files and for the page.
std::string shortName(std::string_view identifier) {
  if (identifier.starts_with(actionPrefix)) identifier.remove_prefix(actionPrefix.size());
  std::string name(identifier);
  std::erase_if(name, [](unsigned char c) { return !std::isalnum(c); });
  return name;
}

json::object* find(std::vector<json::object>& controls, std::string_view member, std::string_view text) {
  for (auto& control : controls) {
    const auto& value = control.at(member);
    if (value.is_string() ? value.get_string() == text : json::serialize(value) == text) return &control;
  }
  return nullptr;
}

// A layout item comes either bare or as an object whose "value" member carries it.
const json::value* feedbackItem(const json::object& payload, std::string_view name) {
  const auto* item = payload.if_contains(name);
  return item && item->is_object() ? item->get_object().if_contains("value") : item;
}

// The colours an item given as an object sets. Each stays until a message sets it again, so a strip
// whose warning is over must give its usual colours back.
void takeColours(json::object& look, const json::object& payload, std::string_view name) {
  const auto* item = payload.if_contains(name);
  if (!item || !item->is_object()) return;
  for (const std::string_view property : {"color", "bar_fill_c", "bar_bg_c"}) {
    const auto* colour = item->get_object().if_contains(property);
    if (!colour || !colour->is_string()) continue;
    auto& colours = look[name];
    if (!colours.is_object()) colours = json::object{};
    colours.as_object()[property] = *colour;
  }
}

}  // namespace

std::string randomHex(std::mt19937_64& random) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string text(32, '0');
  for (auto& digit : text) digit = hex[random() & 15];
  return text;
}

Deck::Deck(std::mt19937_64& random) : deviceID_(randomHex(random)) {
  for (const auto kind : allDeckActionKinds) {
    const auto index = static_cast<std::int64_t>(keys_.size());
    keys_.push_back({{"context", randomHex(random)}, {"action", rawValue(kind)}, {"name", shortName(rawValue(kind))},
                     {"column", index % columns}, {"row", index / columns}, {"title", ""}, {"image", ""},
                     {"imageCount", 0}, {"markCount", 0}, {"mark", nullptr}, {"settings", json::object{}},
                     {"inspector", nullptr}});
  }
  for (int column = 0; column < dialCount; ++column) {
    dials_.push_back({{"context", randomHex(random)}, {"action", transportDialIdentifier()}, {"name", "transportdial"},
                      {"column", column}, {"title", ""}, {"value", ""}, {"indicator", 0.0}, {"icon", ""},
                      {"look", json::object{}}, {"feedbackCount", 0}, {"markCount", 0}, {"settings", json::object{}},
                      {"inspector", nullptr}});
  }
}

json::object* Deck::key(std::string_view member, std::string_view text) { return find(keys_, member, text); }
json::object* Deck::dial(std::string_view member, std::string_view text) { return find(dials_, member, text); }
json::object* Deck::control(std::string_view context) {
  auto* key = this->key("context", context);
  return key ? key : dial("context", context);
}

int Deck::presetSettings(std::string_view which, const json::object& settings) {
  int given = 0;
  for (auto* controls : {&keys_, &dials_}) {
    for (auto& control : *controls) {
      const auto named = [&](std::string_view member) { return control.at(member).as_string() == which; };
      if (!named("context") && !named("action") && !named("name")) continue;
      control["settings"] = settings;
      ++given;
    }
  }
  return given;
}

void Deck::nameInspectors(const json::object& manifest) {
  for (auto* controls : {&keys_, &dials_}) {
    for (auto& control : *controls) {
      const auto page = inspectorPath(manifest, control.at("action").as_string());
      control["inspector"] = page ? json::value(*page) : json::value(nullptr);
    }
  }
}

json::object Deck::pageUpdate(const json::object& control) {
  const std::string_view type = control.contains("row") ? "key" : "dial";
  return {{"type", type}, {type, control}};
}

std::vector<json::object> Deck::apply(const json::object& message) {
  const auto event = textMember(message, "event").value_or("");
  const auto context = textMember(message, "context").value_or("");
  const auto* payloadValue = message.if_contains("payload");
  const auto* payload = payloadValue && payloadValue->is_object() ? &payloadValue->get_object() : nullptr;
  const auto mark = [&](std::string_view kind) {
    return json::object{{"type", "mark"}, {"context", context}, {"mark", kind}};
  };
  if (auto* dial = this->dial("context", context)) {
    if (event == "showAlert") {
      ++dial->at("markCount").as_int64();
      return {mark("alert"), pageUpdate(*dial)};
    }
    if (event != "setFeedback" || !payload) return {};
    // Like the real host, items the message does not name keep what they showed.
    for (const std::string_view name : {"title", "value", "icon"}) {
      if (const auto* item = feedbackItem(*payload, name); item && item->is_string()) (*dial)[name] = *item;
    }
    for (const std::string_view name : {"title", "value", "indicator"}) {
      takeColours(dial->at("look").as_object(), *payload, name);
    }
    if (const auto* item = feedbackItem(*payload, "indicator"); item && item->is_number()) {
      (*dial)["indicator"] = std::clamp(item->to_number<double>(), 0.0, 100.0);
    }
    ++dial->at("feedbackCount").as_int64();
    return {pageUpdate(*dial)};
  }
  auto* key = this->key("context", context);
  std::vector<json::object> updates;
  if (!key) return updates;
  if (event == "setImage" || event == "setTitle") {
    const std::string_view member = event == "setImage" ? "image" : "title";
    (*key)[member] = payload ? textMember(*payload, member).value_or("") : "";
    if (event == "setImage") ++key->at("imageCount").as_int64();
  } else if (event == "showOk" || event == "showAlert") {
    const std::string_view kind = event == "showOk" ? "ok" : "alert";
    (*key)["mark"] = kind;
    ++key->at("markCount").as_int64();
    updates.push_back(mark(kind));
  } else {
    return updates;
  }
  updates.push_back(pageUpdate(*key));
  return updates;
}

json::object Deck::state() const {
  return {{"device", {{"id", deviceID_}, {"name", deviceName}, {"columns", columns}, {"rows", rows}}},
          {"keys", json::array(keys_.begin(), keys_.end())},
          {"dials", json::array(dials_.begin(), dials_.end())}};
}

}  // namespace vantry::deck
