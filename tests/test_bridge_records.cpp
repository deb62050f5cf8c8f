#include "bridge/bridge_records.hpp"
#include "support/status_json.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace json = boost::json;
using vantry::decodeBridgeActionResponse;
using vantry::decodeBridgeStatus;
using vantry::test::fullStatusObject;

namespace {

TEST(BridgeStatusDecoding, FullBodyGivesEveryField) {
  auto body = fullStatusObject();
  body["somethingNew"] = json::array{1, 2};
  const auto s = decodeBridgeStatus(json::serialize(body));
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->bridgeEnabled);
  EXPECT_EQ(s->bridgePort, 48187);
  EXPECT_EQ(s->appName, "Vantry Pro");
  EXPECT_EQ(s->bundleIdentifier, "vesk.quillfern.vantrypro");
  EXPECT_EQ(s->role, "primary");
  EXPECT_EQ(s->playbackState, "paused");
  EXPECT_EQ(s->selectedClipID, "clip-1");
  EXPECT_EQ(s->selectedClipTitle, "Opening");
  EXPECT_EQ(s->currentTime, 30.0);
  EXPECT_EQ(s->duration, 120.0);
  EXPECT_TRUE(s->canStartPlaybackNow);
  EXPECT_EQ(s->syncStartCountdownSecondsRemaining, 0);
  EXPECT_EQ(s->libraryCount, 4);
  EXPECT_EQ(s->playlistCount, 2);
  EXPECT_EQ(s->connectedVisionClients, 1);
  EXPECT_FALSE(s->endlessLoopEnabled);
  EXPECT_EQ(s->uploadReadyCount, 3);
  EXPECT_EQ(s->uploadTotalCount, 3);
  EXPECT_EQ(s->uploadProgressFraction, 1.0);
}

struct StatusCase {
  const char* name;
  std::function<void(json::object&)> change;
  bool decodes;
};

class BridgeStatusCases : public ::testing::TestWithParam<StatusCase> {};

TEST_P(BridgeStatusCases, DecodesOnlyAWholeRecord) {
  auto body = fullStatusObject();
  GetParam().change(body);
  EXPECT_EQ(decodeBridgeStatus(json::serialize(body)).has_value(), GetParam().decodes);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, BridgeStatusCases,
    ::testing::Values(
        StatusCase{"clip_keys_absent", [](auto& o) { o.erase("selectedClipID"); o.erase("selectedClipTitle"); }, true},
        StatusCase{"clip_keys_null", [](auto& o) { o["selectedClipID"] = nullptr; o["selectedClipTitle"] = nullptr; }, true},
        StatusCase{"clip_id_number", [](auto& o) { o["selectedClipID"] = 5; }, false},
        StatusCase{"unread_key_missing", [](auto& o) { o.erase("libraryCount"); }, false},
        StatusCase{"required_key_null", [](auto& o) { o["role"] = nullptr; }, false},
        StatusCase{"port_max", [](auto& o) { o["bridgePort"] = 65535; }, true},
        StatusCase{"port_above_16_bits", [](auto& o) { o["bridgePort"] = 65536; }, false},
        StatusCase{"port_negative", [](auto& o) { o["bridgePort"] = -1; }, false},
        StatusCase{"bool_as_number", [](auto& o) { o["bridgeEnabled"] = 1; }, false},
        StatusCase{"bool_as_string", [](auto& o) { o["endlessLoopEnabled"] = "true"; }, false},
        StatusCase{"float_as_whole_number", [](auto& o) { o["currentTime"] = 12; }, true},
        StatusCase{"float_as_string", [](auto& o) { o["duration"] = "120"; }, false},
        StatusCase{"integer_with_fraction", [](auto& o) { o["libraryCount"] = 2.5; }, false},
        StatusCase{"integer_written_whole_float", [](auto& o) { o["libraryCount"] = 2.0; }, true},
        StatusCase{"integer_int64_min", [](auto& o) { o["playlistCount"] = INT64_MIN; }, true},
        StatusCase{"integer_beyond_int64", [](auto& o) { o["playlistCount"] = std::uint64_t(INT64_MAX) + 1; }, false},
        StatusCase{"integer_huge_float", [](auto& o) { o["playlistCount"] = 1e19; }, false},
        StatusCase{"text_as_number", [](auto& o) { o["playbackState"] = 1; }, false},
        StatusCase{"key_case_differs", [](auto& o) { o.erase("appName"); o["AppName"] = "x"; }, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(BridgeStatusDecoding, RejectsBodiesThatAreNoObject) {
  for (const char* body : {"", "[]", "42", "\"status\"", "{", "{\"bridgeEnabled\":true", "null"}) {
    EXPECT_FALSE(decodeBridgeStatus(body)) << body;
  }
}

TEST(BridgeActionResponseDecoding, StatusIsOptionalButWholeWhenGiven) {
  const auto status = fullStatusObject();
  auto statusMissingKey = fullStatusObject();
  statusMissingKey.erase("role");

  struct Case {
    const char* name;
    json::object body;
    bool decodes;
    bool ok;
    bool hasStatus;
  };
  const Case cases[] = {
      {"no_status", {{"ok", true}, {"message", "done"}}, true, true, false},
      {"null_status", {{"ok", false}, {"message", "no"}, {"status", nullptr}}, true, false, false},
      {"full_status", {{"ok", true}, {"message", ""}, {"status", status}}, true, true, true},
      {"broken_status", {{"ok", true}, {"message", "done"}, {"status", statusMissingKey}}, false, false, false},
      {"status_not_object", {{"ok", true}, {"message", "done"}, {"status", 3}}, false, false, false},
      {"no_message", {{"ok", true}}, false, false, false},
      {"ok_as_number", {{"ok", 1}, {"message", "done"}}, false, false, false},
  };
  for (const auto& c : cases) {
    const auto response = decodeBridgeActionResponse(json::serialize(c.body));
    ASSERT_EQ(response.has_value(), c.decodes) << c.name;
    if (!response) continue;
    EXPECT_EQ(response->ok, c.ok) << c.name;
    EXPECT_EQ(response->status.has_value(), c.hasStatus) << c.name;
  }
}

}  // namespace
