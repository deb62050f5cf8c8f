#include "bridge/bridge_replies.hpp"
#include "support/status_json.hpp"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace json = boost::json;
using namespace vantry;
using vantry::test::fullStatusObject;

namespace {

TEST(BridgeStatusDecoding, FullBodyGivesEveryField) {
  auto body = fullStatusObject();
  body["somethingNew"] = json::array{1, 2};
  const auto s = decodeBridgeStatus(json::serialize(body));
  ASSERT_TRUE(s);
  EXPECT_EQ(std::tie(s->bridgeEnabled, s->bridgePort, s->appName, s->bundleIdentifier, s->role, s->playbackState,
                     s->selectedClipID, s->selectedClipTitle, s->currentTime, s->duration, s->canStartPlaybackNow),
            std::make_tuple(true, 48187, "Vantry Pro", "vesk.quillfern.vantrypro", "primary", "paused", "clip-1",
                            "Opening", 30.0, 120.0, true));
  EXPECT_EQ(std::tie(s->syncStartCountdownSecondsRemaining, s->libraryCount, s->playlistCount,
                     s->connectedVisionClients, s->endlessLoopEnabled, s->uploadReadyCount, s->uploadTotalCount,
                     s->uploadProgressFraction),
            std::make_tuple(0, 4, 2, 1, false, 3, 3, 1.0));
}

TEST(BridgeStatusDecoding, DecodesOnlyAWholeRecordOfExactTypes) {
  // Keys set on a full body, keys taken from it, and whether it still decodes.
  const std::tuple<json::object, std::vector<const char*>, bool> cases[] = {
      {{{"selectedClipID", nullptr}, {"selectedClipTitle", nullptr}}, {}, true},
      {{}, {"selectedClipID", "selectedClipTitle"}, true}, {{{"selectedClipID", 5}}, {}, false},
      {{}, {"libraryCount"}, false},                       {{{"role", nullptr}}, {}, false},
      {{{"bridgePort", 65535}}, {}, true},                 {{{"bridgePort", 65536}}, {}, false},
      {{{"bridgePort", -1}}, {}, false},                   {{{"bridgeEnabled", 1}}, {}, false},
      {{{"endlessLoopEnabled", "true"}}, {}, false},       {{{"currentTime", 12}}, {}, true},
      {{{"duration", "120"}}, {}, false},                  {{{"libraryCount", 2.5}}, {}, false},
      {{{"libraryCount", 2.0}}, {}, true},                 {{{"playlistCount", INT64_MIN}}, {}, true},
      {{{"playlistCount", 1e19}}, {}, false},              {{{"playlistCount", std::uint64_t(INT64_MAX) + 1}}, {}, false},
      {{{"playbackState", 1}}, {}, false},                 {{{"AppName", "x"}}, {"appName"}, false},
  };
  for (const auto& [set, erase, decodes] : cases) {
    auto body = fullStatusObject();
    for (const auto& [key, value] : set) body[key] = value;
    for (const char* key : erase) body.erase(key);
    EXPECT_EQ(decodeBridgeStatus(json::serialize(body)).has_value(), decodes)
        << set << " without " << testing::PrintToString(erase);
  }
  for (const char* body : {"", "[]", "42", "\"status\"", "{", "{\"bridgeEnabled\":true", "null"}) {
    EXPECT_FALSE(decodeBridgeStatus(body)) << body;
  }
}

TEST(BridgeReplies, PressOutcomeAndStatusFollowCodeAndBody) {
  const std::string okTrue = R"({"ok":true,"message":"played"})", okFalse = R"({"ok":false,"message":"no clip"})";
  const std::string status = json::serialize(fullStatusObject()), okWithStatus = R"({"ok":true,"message":"","status":)" + status + "}";
  // The code (0: no response), the body, the press's outcome, and whether the reply gives a status. A body
  // decodes as an action reply only when whole: an inner status is absent, null or whole too.
  const std::tuple<unsigned, std::string, bool, bool> cases[] = {
      {0, "", false, false},         {200, okTrue, true, false},   {200, okFalse, false, false},
      {204, "", true, false},        {200, "<html>", true, false}, {200, R"({"ok":false})", true, false},
      {299, "", true, false},        {500, okTrue, true, false},   {400, okFalse, false, false},
      {404, "", false, false},       {300, "", false, false},      {199, "", false, false},
      {200, status, true, true},     {299, status, true, true},    {304, status, false, false},
      {500, status, false, false},   {200, "{\"bridgeEnabled\":", true, false},
      {500, okWithStatus, true, false},                            {500, R"({"ok":true})", false, false},
      {200, R"({"ok":false,"message":"x","status":null})", false, false},
      {200, R"({"ok":false,"message":"x","status":{"role":"primary"}})", true, false},
      {500, R"({"ok":true,"message":"x","status":3})", false, false}, {500, R"({"ok":1,"message":"x"})", false, false},
  };
  for (const auto& [code, body, pressOk, hasStatus] : cases) {
    const auto reply = code ? HttpReply{code, body} : HttpReply{};
    EXPECT_EQ(actionOutcome(reply), pressOk) << code << " " << body;
    EXPECT_EQ(statusFromReply(reply).has_value(), hasStatus) << code << " " << body;
  }
}

}  // namespace
