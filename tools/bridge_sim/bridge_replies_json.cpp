#include "bridge_replies_json.hpp"

#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>

namespace vantry::sim {

namespace json = boost::json;

namespace {

json::value optionalText(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  return json::value(*text);
}

}  // namespace

json::object statusJson(const BridgeStatus& s) {
  json::object o;
  o["bridgeEnabled"] = s.bridgeEnabled;
  o["bridgePort"] = static_cast<std::int64_t>(s.bridgePort);
  o["appName"] = s.appName;
  o["bundleIdentifier"] = s.bundleIdentifier;
  o["role"] = s.role;
  o["playbackState"] = s.playbackState;
  o["selectedClipID"] = optionalText(s.selectedClipID);
  o["selectedClipTitle"] = optionalText(s.selectedClipTitle);
  o["currentTime"] = s.currentTime;
  o["duration"] = s.duration;
  o["canStartPlaybackNow"] = s.canStartPlaybackNow;
  o["syncStartCountdownSecondsRemaining"] = s.syncStartCountdownSecondsRemaining;
  o["libraryCount"] = s.libraryCount;
  o["playlistCount"] = s.playlistCount;
  o["connectedVisionClients"] = s.connectedVisionClients;
  o["endlessLoopEnabled"] = s.endlessLoopEnabled;
  o["uploadReadyCount"] = s.uploadReadyCount;
  o["uploadTotalCount"] = s.uploadTotalCount;
  o["uploadProgressFraction"] = s.uploadProgressFraction;
  return o;
}

std::string replyBody(bool ok, const std::string& message, const BridgeStatus* status) {
  json::object o;
  o["ok"] = ok;
  o["message"] = message;
  if (status) o["status"] = statusJson(*status);
  return json::serialize(o);
}

}  // namespace vantry::sim
