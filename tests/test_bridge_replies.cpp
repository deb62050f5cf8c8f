#include "bridge/bridge_replies.hpp"
#include "support/status_json.hpp"

#include <gtest/gtest.h>

using namespace vantry;
using vantry::test::statusBody;

namespace {

HttpReply reply(unsigned code, std::string body) { return HttpReply{code, std::move(body)}; }

TEST(ActionOutcome, DecodedOkWinsElseTheStatusCodeDecides) {
  const std::string okTrue = R"({"ok":true,"message":"played"})";
  const std::string okFalse = R"({"ok":false,"message":"no clip"})";
  const std::string okFalseNoMessage = R"({"ok":false})";
  const std::string okFalseBadStatus = R"({"ok":false,"message":"x","status":{"role":"primary"}})";
  struct Case {
    const char* name;
    HttpReply reply;
    bool outcome;
  };
  const Case cases[] = {
      {"no_response", HttpReply{}, false},
      {"2xx_ok_true", reply(200, okTrue), true},
      {"2xx_ok_false", reply(200, okFalse), false},
      {"2xx_empty_body", reply(204, ""), true},
      {"2xx_garbage_body", reply(200, "<html>"), true},
      {"2xx_ok_false_without_message", reply(200, okFalseNoMessage), true},
      {"2xx_ok_false_with_broken_status", reply(200, okFalseBadStatus), true},
      {"299_empty_body", reply(299, ""), true},
      {"500_ok_true", reply(500, okTrue), true},
      {"400_ok_false", reply(400, okFalse), false},
      {"404_empty_body", reply(404, ""), false},
      {"300_empty_body", reply(300, ""), false},
      {"199_empty_body", reply(199, ""), false},
  };
  for (const auto& c : cases) EXPECT_EQ(actionOutcome(c.reply), c.outcome) << c.name;
}

TEST(StatusFromReply, UsableOnlyWith2xxAndADecodableBody) {
  struct Case {
    const char* name;
    HttpReply reply;
    bool usable;
  };
  const Case cases[] = {
      {"200_status", reply(200, statusBody()), true},
      {"299_status", reply(299, statusBody()), true},
      {"no_response", HttpReply{}, false},
      {"204_empty", reply(204, ""), false},
      {"304_with_status", reply(304, statusBody()), false},
      {"500_with_status", reply(500, statusBody()), false},
      {"200_garbage", reply(200, "{\"bridgeEnabled\":"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(statusFromReply(c.reply).has_value(), c.usable) << c.name;
}

}  // namespace
