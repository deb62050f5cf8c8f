#include "app/launch_values.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using vantry::readLaunchValues;

namespace {

struct LaunchCase {
  const char* name;
  std::vector<std::string> arguments;
  std::optional<std::int64_t> port;  // nothing: launch refused
  std::string uuid;
  std::string event;
};

class LaunchValuesTest : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(LaunchValuesTest, ReadsOrRefuses) {
  const auto& c = GetParam();
  const auto values = readLaunchValues(c.arguments);
  ASSERT_EQ(values.has_value(), c.port.has_value());
  if (!values) return;
  EXPECT_EQ(values->streamDeckPort, *c.port);
  EXPECT_EQ(values->pluginUUID, c.uuid);
  EXPECT_EQ(values->registerEvent, c.event);
}

const std::string p = "/opt/bin/VantryProDeckPlugin";

INSTANTIATE_TEST_SUITE_P(
    Arguments, LaunchValuesTest,
    ::testing::Values(
        LaunchCase{"all_three", {p, "-port", "28196", "-pluginUUID", "ABC", "-registerEvent", "registerPlugin"}, 28196, "ABC", "registerPlugin"},
        LaunchCase{"any_order_with_info", {p, "-info", "{\"a\":1}", "-registerEvent", "r", "-pluginUUID", "u", "-port", "1"}, 1, "u", "r"},
        LaunchCase{"port_last", {p, "-pluginUUID", "u", "-registerEvent", "r", "-port"}, std::nullopt, "", ""},
        LaunchCase{"port_followed_by_flag", {p, "-port", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_zero", {p, "-port", "0", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_negative", {p, "-port", "-5", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_with_space", {p, "-port", "12 3", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_leading_space", {p, "-port", " 123", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_with_letter", {p, "-port", "12a", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_hex", {p, "-port", "0x10", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_empty", {p, "-port", "", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_sign_only", {p, "-port", "+", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_two_signs", {p, "-port", "+-5", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_plus_and_zeros", {p, "-port", "+0042", "-pluginUUID", "u", "-registerEvent", "r"}, 42, "u", "r"},
        LaunchCase{"port_above_16_bits", {p, "-port", "99999", "-pluginUUID", "u", "-registerEvent", "r"}, 99999, "u", "r"},
        LaunchCase{"port_int64_max", {p, "-port", "9223372036854775807", "-pluginUUID", "u", "-registerEvent", "r"}, INT64_MAX, "u", "r"},
        LaunchCase{"port_beyond_int64", {p, "-port", "9223372036854775808", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"port_int64_min", {p, "-port", "-9223372036854775808", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"flag_twice_first_wins", {p, "-port", "7", "-port", "8", "-pluginUUID", "a", "-pluginUUID", "b", "-registerEvent", "r"}, 7, "a", "r"},
        LaunchCase{"flag_as_value_of_other", {p, "-info", "-port", "5", "-port", "6", "-pluginUUID", "u", "-registerEvent", "r"}, 5, "u", "r"},
        LaunchCase{"empty_texts_accepted", {p, "-port", "3", "-pluginUUID", "", "-registerEvent", ""}, 3, "", ""},
        LaunchCase{"uuid_missing", {p, "-port", "3", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"register_missing", {p, "-port", "3", "-pluginUUID", "u"}, std::nullopt, "", ""},
        LaunchCase{"flag_case_differs", {p, "-Port", "3", "-pluginUUID", "u", "-registerEvent", "r"}, std::nullopt, "", ""},
        LaunchCase{"nothing", {}, std::nullopt, "", ""}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
