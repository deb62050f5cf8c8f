// The manifest's default key pictures are what a key shows before the plugin draws it; they must be
// the same pictures the plugin draws when it has no status, or keys would change look at start.

#include "render/command_key_picture.hpp"
#include "render/logo_key_picture.hpp"
#include "render/runtime_key_picture.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

using vantry::DeckActionKind;

std::string noStatusPicture(DeckActionKind kind) {
  switch (kind) {
    case DeckActionKind::runtime:
      return vantry::runtimeSVGForStatus(std::nullopt);
    case DeckActionKind::logo:
      return std::string(vantry::fallbackLogoSVG());
    default: {
      const auto symbol = vantry::commandSymbol(kind, std::nullopt);
      return vantry::makeCommandSVG(vantry::title(kind), symbol.size, symbol.text);
    }
  }
}

std::string keyImageName(DeckActionKind kind) {
  const std::string identifier(vantry::rawValue(kind));
  return identifier.substr(identifier.rfind('.') + 1);
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DefaultKeyImages, EveryKindShipsItsNoStatusPicture) {
  // The files carry an explicit size for hosts that need one; the plugin's pictures give a viewBox only.
  const std::string drawnRoot = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 144 144\">";
  const std::string fileRoot =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"144\" height=\"144\" viewBox=\"0 0 144 144\">";
  for (const auto kind : vantry::allDeckActionKinds) {
    SCOPED_TRACE(keyImageName(kind));
    auto expected = noStatusPicture(kind);
    ASSERT_EQ(expected.rfind(drawnRoot, 0), 0u) << "the plugin's picture starts differently now";
    expected.replace(0, drawnRoot.size(), fileRoot);
    expected += "\n";
    const auto path = std::string(VANTRY_KEY_IMAGE_DIR) + "/" + keyImageName(kind) + ".svg";
    EXPECT_EQ(readFile(path), expected) << path << " differs from the plugin's own picture";
  }
}

}  // namespace
