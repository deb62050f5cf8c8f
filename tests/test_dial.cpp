#include "bridge/dial_turns.hpp"
#include "platform/base64.hpp"
#include "render/dial_strip.hpp"
#include "support/status_json.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

using namespace vantry;

namespace {

std::optional<BridgeStatus> status(const std::function<void(boost::json::object&)>& change) {
  auto body = test::fullStatusObject();
  change(body);
  return decodeBridgeStatus(boost::json::serialize(body));
}

TEST(DialStrip, ShowsTitleTimesProgressAndSymbolOfTheStatus) {
  // The status, then the strip's title, value, indicator and the symbol its icon draws.
  const std::tuple<std::optional<BridgeStatus>, const char*, const char*, std::int64_t, const char*> cases[] = {
      {std::nullopt, "Vantry Pro", "--:-- / --:--", 0, "▶"},
      {status([](auto&) {}), "Opening", "00:30 / 02:00", 25, "▶"},
      {status([](auto& s) { s["playbackState"] = "playing"; }), "Opening", "00:30 / 02:00", 25, "❚❚"},
      {status([](auto& s) { s["syncStartCountdownSecondsRemaining"] = 3; }), "Opening", "00:30 / 02:00", 25, "3"},
      {status([](auto& s) { s["selectedClipTitle"] = ""; }), "Vantry Pro", "00:30 / 02:00", 25, "▶"},
      // Plain text for the host's layout: nothing escaped.
      {status([](auto& s) { s["selectedClipTitle"] = "<Act & \"One\">"; }), "<Act & \"One\">", "00:30 / 02:00", 25, "▶"},
      {status([](auto& s) { s["currentTime"] = 22.5; }), "Opening", "00:22 / 02:00", 19, "▶"},
      {status([](auto& s) { s["duration"] = 0; }), "Opening", "00:30 / --:--", 0, "▶"},
  };
  // The time left and the warning, as the runtime key reads them, on the dial's own items.
  const auto remaining = dialFeedback(status([](auto&) {}), {.remaining = true, .warnSeconds = 90});
  EXPECT_EQ(remaining.at("value"), boost::json::parse(R"({"value":"-01:30 / 02:00","color":"#ff3030"})"));
  EXPECT_EQ(remaining.at("indicator"), boost::json::parse(R"({"value":25,"bar_fill_c":"#ff3030"})"));
  EXPECT_EQ(dialFeedback(status([](auto&) {}), {.warnSeconds = 89}).at("value"),
            boost::json::parse(R"({"value":"00:30 / 02:00","color":"#ffffff"})"));  // the colour back
  for (const auto& [given, heading, value, indicator, symbolText] : cases) {
    const auto feedback = dialFeedback(given);
    EXPECT_EQ(feedback.at("title"), heading) << heading;
    EXPECT_EQ(feedback.at("value"), value) << value;
    EXPECT_EQ(feedback.at("indicator"), indicator) << value;
    const std::string icon(feedback.at("icon").as_string());
    ASSERT_EQ(icon.rfind("data:image/svg+xml;base64,", 0), 0u);
    std::smatch symbol;
    const auto svg = base64Decode(icon.substr(icon.find(',') + 1)).value_or("");
    ASSERT_TRUE(std::regex_search(svg, symbol, std::regex(">([^<]+)</text>"))) << svg;
    EXPECT_EQ(symbol[1], symbolText) << value;
  }
}

TEST(DialTurns, TicksBecomeOneCommandAfterTheOtherAtMostEightAndAFailureEndsTheRun) {
  // Steps: a turn by ticks, the reply to the command in flight ("ok"/"fail"), or the dial leaving
  // and coming back ("away"). What is sent: F forward_10, B backward_10, | nothing more to send
  // (the status poll).
  struct Step { std::int64_t ticks; bool ok = true; bool away = false; };  // ticks 0: a reply
  const Step ok{0}, fail{0, false}, away{0, true, true};
  const auto thenEightOks = [&](std::vector<Step> steps) { return steps.insert(steps.end(), 8, ok), steps; };
  const std::pair<std::vector<Step>, const char*> cases[] = {
      {{{1}, ok}, "F|"},
      {{{3}, ok, ok, ok}, "FFF|"},
      {{{-2}, ok, ok}, "BB|"},
      {thenEightOks({{20}}), "FFFFFFFF|"},
      {thenEightOks({{3}, {20}}), "FFFFFFFF|"},  // ticks beyond eight, the one in flight included, are dropped
      {thenEightOks({{std::numeric_limits<std::int64_t>::min()}}), "BBBBBBBB|"},
      {{{2}, {-1}, ok, ok, ok}, "FFB|"},               // in the order of the ticks
      {{{3}, ok, fail, {1}, ok}, "FF|F|"},             // the third never goes out; the next turn starts anew
      {{{3}, away, ok}, "F|"},                         // a dial that left drops its waiting ticks
      // The new run waits for the old run's reply, whose failure is not its own.
      {{{1}, away, {-2}, fail, ok, ok}, "FBB|"},
      {{{1}, away, {-2}, ok, fail}, "FB|"},
  };
  for (const auto& [steps, expected] : cases) {
    DialTurns turns;
    std::string sent;
    std::uint64_t sentIn = 0;
    for (const auto& step : steps) {
      if (step.away) {
        turns.endRun();
        continue;
      }
      const auto command = step.ticks != 0 ? turns.turn(step.ticks) : turns.replied(sentIn, step.ok);
      if (command) sent += *command == "forward_10" ? "F" : *command == "backward_10" ? "B" : "?", sentIn = turns.run();
      if (!command && step.ticks == 0) sent += "|";
    }
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(turns.idle()) << expected;
  }
}

}  // namespace
