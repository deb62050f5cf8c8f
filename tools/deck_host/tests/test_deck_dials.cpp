#include "deck_dials.hpp"

#include <boost/json/parse.hpp>
#include <gtest/gtest.h>

#include <tuple>

namespace json = boost::json;
using vantry::deck::DeckDial;

TEST(DeckDials, FeedbackKeepsTheItemsAMessageDoesNotName) {
  struct Step { const char *event, *payload; bool applied; const char *title, *value; double indicator; };
  const Step steps[] = {
      {"setFeedback", R"({"title":"Opening","value":"00:30 / 02:00","indicator":25})", true, "Opening", "00:30 / 02:00", 25},
      {"setFeedback", R"({"value":{"value":"00:40 / 02:00"},"indicator":{"value":150}})", true, "Opening", "00:40 / 02:00", 100},
      {"setFeedback", R"({"title":7,"indicator":-3})", true, "Opening", "00:40 / 02:00", 0},
      {"showOk", R"({"title":"x"})", false, "Opening", "00:40 / 02:00", 0},
  };
  DeckDial dial;
  for (const auto& step : steps) {
    const auto payload = json::parse(step.payload).as_object();
    EXPECT_EQ(applyDialMessage(dial, step.event, &payload), step.applied) << step.payload;
    EXPECT_EQ(std::tie(dial.title, dial.value, dial.indicator), std::tie(step.title, step.value, step.indicator)) << step.payload;
  }
  EXPECT_EQ(dial.feedbackCount, 3u);
  EXPECT_TRUE(applyDialMessage(dial, "showAlert", nullptr));
  EXPECT_EQ(dial.markCount, 1u);
}
