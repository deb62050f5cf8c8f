#include "local_caller.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace {

TEST(LocalCaller, OnlyThisMachinesDeckPageAndThePluginGetIn) {
  using Field = std::optional<std::string_view>;
  struct Case {
    Field host;
    Field origin;
    bool allowed;
  };
  const Case cases[] = {
      {"127.0.0.1:8787", std::nullopt, true},  // the plugin
      {"127.0.0.1:8787", "http://127.0.0.1:8787", true},
      {"localhost:9000", "http://localhost:9000", true},  // through a tunnel's own port
      {"[::1]:8787", "http://[::1]:8787", true},
      {"LocalHost", "http://localhost", true},
      {"[::1]", std::nullopt, true},
      {std::nullopt, std::nullopt, false},
      {"", std::nullopt, false},
      {"evil.example:8787", std::nullopt, false},  // a name of another site that resolves here
      {"127.0.0.1.evil.example", std::nullopt, false},
      {"localhost.:8787", std::nullopt, false},
      {"127.0.0.1:", std::nullopt, false},
      {"127.0.0.1:65536", std::nullopt, false},
      {"127.0.0.1:-1", std::nullopt, false},
      {"::1", std::nullopt, false},
      {"127.0.0.1:8787", "http://evil.example", false},  // another site's page in the same browser
      {"127.0.0.1:8787", "http://127.0.0.1:8788", false},
      {"127.0.0.1:8787", "http://localhost:8787", false},
      {"127.0.0.1:8787", "https://127.0.0.1:8787", false},
      {"127.0.0.1:8787", "null", false},
      {"127.0.0.1:8787", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vantry::deck::isLocalCaller(c.host, c.origin), c.allowed)
        << c.host.value_or("(none)") << " from " << c.origin.value_or("(none)");
  }
}

}  // namespace
