#include "render/display_settings.hpp"

#include <boost/json/object.hpp>

namespace vantry {

namespace {

bool textIs(const boost::json::object& settings, std::string_view key, std::string_view wanted) {
  const auto* value = settings.if_contains(key);
  return value && value->is_string() && value->get_string() == wanted;
}

}  // namespace

DisplaySettings readDisplaySettings(const boost::json::value* settings) {
  DisplaySettings read;
  if (!settings || !settings->is_object()) return read;
  const auto& object = settings->get_object();
  read.remaining = textIs(object, "time", "remaining");
  read.titleLabel = textIs(object, "label", "title");
  // A whole number only: 20.0 or "20" are not what the page saves.
  if (const auto* warn = object.if_contains("warnSeconds")) {
    const auto seconds = warn->is_int64() ? warn->get_int64() : -1;
    if (seconds >= 0 && seconds <= longestWarnSeconds) read.warnSeconds = seconds;
  }
  if (const auto* flash = object.if_contains("flash"); flash && flash->is_bool()) read.flash = flash->get_bool();
  return read;
}

}  // namespace vantry
