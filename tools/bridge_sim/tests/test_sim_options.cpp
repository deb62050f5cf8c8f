#include "sim_options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantry::sim {
namespace {

TEST(SimOptions, DefaultsServeTheBridgePort) {
  const auto parsed = parseOptions({});
  const auto* options = std::get_if<SimOptions>(&parsed);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->port, 48187);
  EXPECT_EQ(options->latency.count(), 0);
  EXPECT_EQ(options->failPercent, 0u);
  EXPECT_EQ(options->hangPercent, 0u);
  EXPECT_FALSE(options->seed.has_value());
}

TEST(SimOptions, ValuesSeparateOrInline) {
  const auto parsed = parseOptions(
      {"--port", "0", "--latency=250", "--fail-percent", "30", "--hang-percent=100", "--seed", "4294967295", "--verbose"});
  const auto* options = std::get_if<SimOptions>(&parsed);
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(options->port, 0);
  EXPECT_EQ(options->latency.count(), 250);
  EXPECT_EQ(options->failPercent, 30u);
  EXPECT_EQ(options->hangPercent, 100u);
  EXPECT_EQ(options->seed, std::optional<std::uint32_t>(4294967295u));
  EXPECT_TRUE(options->verbose);
}

TEST(SimOptions, HelpWins) {
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(parseOptions({"--port", "1", "--help"})));
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(parseOptions({"-h"})));
}

TEST(SimOptions, BadArgumentsAreNamed) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port", "65536"}, {"--port", "-1"},          {"--port", "80x"},        {"--port"},
      {"--port="},         {"--latency", "600001"},   {"--fail-percent", "101"}, {"--hang-percent", "2.5"},
      {"--seed", "4294967296"}, {"--verbose=1"},      {"--colour"},              {"48187"},
  };
  for (const auto& arguments : cases) {
    const auto parsed = parseOptions(arguments);
    const auto* bad = std::get_if<BadArguments>(&parsed);
    ASSERT_NE(bad, nullptr) << arguments.front();
    EXPECT_NE(bad->message.find(arguments.front().substr(0, arguments.front().find('='))), std::string::npos)
        << bad->message;
  }
}

}  // namespace
}  // namespace vantry::sim
