#pragma once

#include <boost/json.hpp>

#include <string_view>

namespace vantry::test {

// A status body with all nineteen keys, as a running application reports it.
inline boost::json::object fullStatusObject(std::string_view playbackState = "paused") {
  auto status = boost::json::parse(R"({"bridgeEnabled":true,"bridgePort":48187,"appName":"Vantry Pro",
    "bundleIdentifier":"vesk.quillfern.vantrypro","role":"primary","playbackState":"paused","selectedClipID":"clip-1",
    "selectedClipTitle":"Opening","currentTime":30.0,"duration":120.0,"canStartPlaybackNow":true,
    "syncStartCountdownSecondsRemaining":0,"libraryCount":4,"playlistCount":2,"connectedVisionClients":1,
    "endlessLoopEnabled":false,"uploadReadyCount":3,"uploadTotalCount":3,"uploadProgressFraction":1.0})")
      .as_object();
  status["playbackState"] = playbackState;
  return status;
}

}  // namespace vantry::test
