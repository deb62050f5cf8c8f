#include "deck_host.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>
#include <tuple>

TEST(LocalCaller, OnlyThisMachinesDeckPageAndThePluginGetIn) {
  using Field = std::optional<std::string_view>;
  const std::nullopt_t none = std::nullopt;
  const std::tuple<Field, Field, bool> cases[] = {
      {"127.0.0.1:8787", none, true}, {"[::1]", none, true},  // the plugin
      {"127.0.0.1:8787", "http://127.0.0.1:8787", true}, {"localhost:9000", "http://localhost:9000", true},  // a tunnel's port
      {"[::1]:8787", "http://[::1]:8787", true},         {"LocalHost", "http://localhost", true},
      {none, none, false},
      {"", none, false},                                 {"evil.example:8787", none, false},  // resolves here
      {"127.0.0.1.evil.example", none, false},           {"localhost.:8787", none, false},
      {"127.0.0.1:", none, false},                       {"127.0.0.1:65536", none, false},
      {"127.0.0.1:-1", none, false},                     {"::1", none, false},
      {"127.0.0.1:8787", "http://evil.example", false},  // another site's page in the same browser
      {"127.0.0.1:8787", "http://127.0.0.1:8788", false}, {"127.0.0.1:8787", "http://localhost:8787", false},
      {"127.0.0.1:8787", "https://127.0.0.1:8787", false}, {"127.0.0.1:8787", "null", false},
      {"127.0.0.1:8787", "", false},
  };
  for (const auto& [host, origin, allowed] : cases) {
    EXPECT_EQ(vantry::deck::isLocalCaller(host, origin), allowed) << host.value_or("(none)") << " from " << origin.value_or("(none)");
  }
}
