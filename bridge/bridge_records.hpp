#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantry {

// The media bridge's status reply. Every field but the clip's is required, including those the
// plugin never reads: a body that lacks one is no status at all.
struct BridgeStatus {
  bool bridgeEnabled = false;
  std::uint16_t bridgePort = 0;
  std::string appName;
  std::string bundleIdentifier;
  std::string role;
  std::string playbackState;
  std::optional<std::string> selectedClipID;
  std::optional<std::string> selectedClipTitle;
  double currentTime = 0;
  double duration = 0;
  bool canStartPlaybackNow = false;
  std::int64_t syncStartCountdownSecondsRemaining = 0;
  std::int64_t libraryCount = 0;
  std::int64_t playlistCount = 0;
  std::int64_t connectedVisionClients = 0;
  bool endlessLoopEnabled = false;
  std::int64_t uploadReadyCount = 0;
  std::int64_t uploadTotalCount = 0;
  double uploadProgressFraction = 0;
};

// The bridge's reply to an action request.
struct BridgeActionResponse {
  bool ok = false;
  std::string message;
  std::optional<BridgeStatus> status;
};

// Strict decoding of a reply body: one JSON object, every required key present with a value of
// exactly its type, optional keys absent or null. Any failure yields nothing, never a partial record.
std::optional<BridgeStatus> decodeBridgeStatus(std::string_view body);
std::optional<BridgeActionResponse> decodeBridgeActionResponse(std::string_view body);

}  // namespace vantry
