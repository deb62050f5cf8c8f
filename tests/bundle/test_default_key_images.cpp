// The manifest's default key pictures are what a key shows before the plugin draws it; they must be
// the same pictures the plugin draws when it has no status, or keys would change look at start.

#include "render/command_key_picture.hpp"
#include "render/logo_key_picture.hpp"
#include "render/runtime_key_picture.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using vantry::DeckActionKind;

std::string noStatusPicture(DeckActionKind kind) {
  if (kind == DeckActionKind::runtime) return vantry::runtimeSVGForStatus(std::nullopt);
  if (kind == DeckActionKind::logo) return std::string(vantry::fallbackLogoSVG());
  const auto symbol = vantry::commandSymbol(kind, std::nullopt);
  return vantry::makeCommandSVG(vantry::title(kind), symbol.size, symbol.text);
}

TEST(DefaultKeyImages, EveryKindShipsItsNoStatusPicture) {
  // The files carry an explicit size for hosts that need one; the plugin's pictures give a viewBox only.
  const std::string drawn = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox";
  const std::string shipped = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"144\" height=\"144\" viewBox";
  for (const auto kind : vantry::allDeckActionKinds) {
    const std::string identifier(vantry::rawValue(kind));
    const auto path = std::string(VANTRY_KEY_IMAGE_DIR) + "/" + identifier.substr(identifier.rfind('.') + 1) + ".svg";
    auto expected = noStatusPicture(kind);
    ASSERT_EQ(expected.rfind(drawn, 0), 0u) << "the plugin's picture starts differently now";
    std::ostringstream file;
    file << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(file.str(), expected.replace(0, drawn.size(), shipped) + "\n") << path << " is not the plugin's own picture";
  }
}

}  // namespace
