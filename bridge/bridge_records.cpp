#include "bridge/bridge_records.hpp"

#include <boost/json/parse.hpp>
#include <boost/json/value.hpp>

#include <cmath>
#include <limits>

namespace vantry {

namespace json = boost::json;

namespace {

// Reads the fields of one JSON object; the first failure sticks and later reads do nothing.
class FieldReader {
 public:
  explicit FieldReader(const json::object& object) : object_(object) {}

  bool ok() const { return ok_; }

  void boolean(std::string_view key, bool& out) {
    const auto* v = required(key);
    if (!v) return;
    if (!v->is_bool()) return fail();
    out = v->get_bool();
  }

  void text(std::string_view key, std::string& out) {
    const auto* v = required(key);
    if (!v) return;
    if (!v->is_string()) return fail();
    out = std::string(v->get_string());
  }

  void optionalText(std::string_view key, std::optional<std::string>& out) {
    const auto* v = object_.if_contains(key);
    if (!ok_ || !v || v->is_null()) return;
    if (!v->is_string()) return fail();
    out = std::string(v->get_string());
  }

  void number(std::string_view key, double& out) {
    const auto* v = required(key);
    if (!v) return;
    if (!v->is_number()) return fail();
    out = v->to_number<double>();
  }

  template <class Integer>
  void integer(std::string_view key, Integer& out) {
    const auto* v = required(key);
    if (!v) return;
    const auto whole = wholeValue<Integer>(*v);
    if (!whole) return fail();
    out = *whole;
  }

  template <class Decode, class Record>
  void optionalRecord(std::string_view key, Decode decode, std::optional<Record>& out) {
    const auto* v = object_.if_contains(key);
    if (!ok_ || !v || v->is_null()) return;
    if (!v->is_object()) return fail();
    out = decode(v->get_object());
    if (!out) fail();
  }

 private:
  const json::value* required(std::string_view key) {
    if (!ok_) return nullptr;
    const auto* v = object_.if_contains(key);
    if (!v || v->is_null()) {
      fail();
      return nullptr;
    }
    return v;
  }

  void fail() { ok_ = false; }

  // A JSON number with a whole value that fits the integer type; 12.0 counts, 2.5 does not.
  template <class Integer>
  static std::optional<Integer> wholeValue(const json::value& v) {
    using limits = std::numeric_limits<Integer>;
    if (v.is_int64()) {
      const auto x = v.get_int64();
      if (x < static_cast<std::int64_t>(limits::min())) return std::nullopt;
      if (x >= 0 && static_cast<std::uint64_t>(x) > static_cast<std::uint64_t>(limits::max())) return std::nullopt;
      return static_cast<Integer>(x);
    }
    if (v.is_uint64()) {
      const auto x = v.get_uint64();
      if (x > static_cast<std::uint64_t>(limits::max())) return std::nullopt;
      return static_cast<Integer>(x);
    }
    if (v.is_double()) {
      const auto x = v.get_double();
      // limits::max() + 1 is a power of two and exact as a double, unlike limits::max() itself.
      const double upperExclusive = std::ldexp(1.0, limits::digits);
      if (!std::isfinite(x) || std::trunc(x) != x) return std::nullopt;
      if (x < static_cast<double>(limits::min()) || x >= upperExclusive) return std::nullopt;
      return static_cast<Integer>(x);
    }
    return std::nullopt;
  }

  const json::object& object_;
  bool ok_ = true;
};

std::optional<BridgeStatus> statusFromObject(const json::object& object) {
  BridgeStatus s;
  FieldReader r(object);
  r.boolean("bridgeEnabled", s.bridgeEnabled);
  r.integer("bridgePort", s.bridgePort);
  r.text("appName", s.appName);
  r.text("bundleIdentifier", s.bundleIdentifier);
  r.text("role", s.role);
  r.text("playbackState", s.playbackState);
  r.optionalText("selectedClipID", s.selectedClipID);
  r.optionalText("selectedClipTitle", s.selectedClipTitle);
  r.number("currentTime", s.currentTime);
  r.number("duration", s.duration);
  r.boolean("canStartPlaybackNow", s.canStartPlaybackNow);
  r.integer("syncStartCountdownSecondsRemaining", s.syncStartCountdownSecondsRemaining);
  r.integer("libraryCount", s.libraryCount);
  r.integer("playlistCount", s.playlistCount);
  r.integer("connectedVisionClients", s.connectedVisionClients);
  r.boolean("endlessLoopEnabled", s.endlessLoopEnabled);
  r.integer("uploadReadyCount", s.uploadReadyCount);
  r.integer("uploadTotalCount", s.uploadTotalCount);
  r.number("uploadProgressFraction", s.uploadProgressFraction);
  if (!r.ok()) return std::nullopt;
  return s;
}

std::optional<BridgeActionResponse> actionResponseFromObject(const json::object& object) {
  BridgeActionResponse a;
  FieldReader r(object);
  r.boolean("ok", a.ok);
  r.text("message", a.message);
  r.optionalRecord("status", statusFromObject, a.status);
  if (!r.ok()) return std::nullopt;
  return a;
}

template <class Record>
std::optional<Record> decodeObject(std::string_view body, std::optional<Record> (*fromObject)(const json::object&)) {
  boost::system::error_code error;
  const auto value = json::parse(body, error);
  if (error || !value.is_object()) return std::nullopt;
  return fromObject(value.get_object());
}

}  // namespace

std::optional<BridgeStatus> decodeBridgeStatus(std::string_view body) { return decodeObject(body, statusFromObject); }

std::optional<BridgeActionResponse> decodeBridgeActionResponse(std::string_view body) {
  return decodeObject(body, actionResponseFromObject);
}

}  // namespace vantry
