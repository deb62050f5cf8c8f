#include "deck_bundle.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

TEST(BundleFiles, OnlyPathsThatStayInsideTheBundleLeadAnywhere) {
  namespace fs = std::filesystem;
  const auto root = fs::temp_directory_path() / "deck-host-bundle-files";
  const auto bundle = root / "plugin.sdPlugin";
  fs::remove_all(root);
  fs::create_directories(bundle / "ui");
  std::ofstream(root / "secret.txt") << "beside the bundle";
  fs::create_directory_symlink(root, bundle / "out");
  const std::pair<std::string_view, bool> cases[] = {
      {"ui/property-inspector.html", true}, {"ui/missing.html", true},   {"ui%2Fpage.html", true},
      {"../secret.txt", false},             {"%2e%2e/secret.txt", false}, {"ui/../../secret.txt", false},
      {"ui/./page.html", false},            {"/etc/passwd", false},       {"ui//page.html", false},
      {"..%5Csecret.txt", false},           {"C:%5Csecret.txt", false},   {"ui/page.html%00.png", false},
      {"out/secret.txt", false},  // a link out of the folder
      {"%zz", false},                       {"", false},
  };
  for (const auto& [path, inside] : cases) EXPECT_EQ(vantry::deck::pathInBundle(bundle, path).has_value(), inside) << path;
  fs::remove_all(root);
}
