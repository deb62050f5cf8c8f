#include "platform/base64.hpp"
#include "render/command_key_picture.hpp"
#include "render/deck_action_kind.hpp"
#include "render/key_image.hpp"
#include "render/logo_key_picture.hpp"
#include "render/runtime_key_picture.hpp"
#include "render/xml_escape.hpp"
#include "support/svg_lines.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantry;
using vantry::test::lines;

namespace {

const char* const stopKeySVG =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 144 144">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#050505"/>
      <stop offset="1" stop-color="#2a1301"/>
    </linearGradient>
    <linearGradient id="glow" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ff7b21" stop-opacity="0.20"/>
      <stop offset="1" stop-color="#ff7b21" stop-opacity="0.02"/>
    </linearGradient>
  </defs>
  <rect width="144" height="144" rx="24" fill="url(#bg)"/>
  <rect width="144" height="144" rx="24" fill="url(#glow)"/>
  <rect x="4" y="4" width="136" height="136" rx="20" fill="none" stroke="#ff7b21" stroke-width="3" opacity="0.9"/>
  <text x="72" y="36" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="19" font-weight="700" fill="#ffffff" opacity="0.96">Stop</text>
  <text x="72" y="102" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="67" font-weight="700" fill="#ff7b21">■</text>
</svg>)svg";

const char* const runtimeNoStatusSVG =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 144 144">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#050505"/>
      <stop offset="1" stop-color="#2a1301"/>
    </linearGradient>
    <linearGradient id="glow" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ff7b21" stop-opacity="0.18"/>
      <stop offset="1" stop-color="#ff7b21" stop-opacity="0.03"/>
    </linearGradient>
  </defs>
  <rect width="144" height="144" rx="24" fill="url(#bg)"/>
  <rect width="144" height="144" rx="24" fill="url(#glow)"/>
  <rect x="4" y="4" width="136" height="136" rx="20" fill="none" stroke="#ff7b21" stroke-width="3" opacity="0.9"/>
  <text x="72" y="33" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="16" font-weight="700" fill="#ffffff" opacity="0.96">Runtime</text>
  <text x="72" y="68" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="28" font-weight="700" fill="#ffffff">--:--</text>
  <text x="72" y="92" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="17" fill="#ffffff">/ --:--</text>
  <rect x="12" y="124" width="120" height="8" rx="4" fill="#2f2f2f"/>
  <rect x="12" y="124" width="0" height="8" rx="4" fill="#ff7b21"/>
</svg>)svg";

const char* const fallbackLogo =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 144 144">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#060606"/>
      <stop offset="1" stop-color="#2b1402"/>
    </linearGradient>
  </defs>
  <rect width="144" height="144" rx="24" fill="url(#bg)"/>
  <rect x="4" y="4" width="136" height="136" rx="20" fill="none" stroke="#ff7b21" stroke-width="3" opacity="0.9"/>
  <text x="72" y="72" text-anchor="middle" font-size="32" font-family="Arial, Helvetica, sans-serif" fill="#ff7b21" font-weight="700">QUILL</text>
  <text x="72" y="94" text-anchor="middle" font-size="11" font-family="Arial, Helvetica, sans-serif" fill="#ffffff" letter-spacing="4">FERN</text>
</svg>)svg";

std::string commandSVG(DeckActionKind kind, const std::optional<BridgeStatus>& status) {
  const auto symbol = commandSymbol(kind, status);
  return makeCommandSVG(title(kind), symbol.size, symbol.text);
}

BridgeStatus statusWith(std::string playbackState, std::int64_t countdown) {
  BridgeStatus s;
  s.playbackState = std::move(playbackState);
  s.syncStartCountdownSecondsRemaining = countdown;
  return s;
}

TEST(CommandKeyPicture, StopKeyIsTheTemplateTextExactly) {
  EXPECT_EQ(commandSVG(DeckActionKind::stop, std::nullopt), stopKeySVG);
}

TEST(CommandKeyPicture, LabelAndSymbolFollowKindAndStatus) {
  const std::string label = R"(  <text x="72" y="36" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="19" font-weight="700" fill="#ffffff" opacity="0.96">)";
  const std::string symbol = R"(  <text x="72" y="102" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size=")";
  struct Case {
    DeckActionKind kind;
    std::optional<BridgeStatus> status;
    const char* labelText;
    const char* size;
    const char* symbolText;
  };
  const Case cases[] = {
      {DeckActionKind::playPause, std::nullopt, "Play/Pause", "74", "▶"},
      {DeckActionKind::playPause, statusWith("playing", 0), "Play/Pause", "74", "❚❚"},
      {DeckActionKind::playPause, statusWith("Playing", 0), "Play/Pause", "74", "▶"},
      {DeckActionKind::playPause, statusWith("", 0), "Play/Pause", "74", "▶"},
      {DeckActionKind::back10, statusWith("playing", 3), "Back 10", "50", "⟲10"},
      {DeckActionKind::forward10, std::nullopt, "Forward 10", "50", "10⟳"},
      {DeckActionKind::syncStart, std::nullopt, "SyncStart", "53", "3·2·1"},
      {DeckActionKind::syncStart, statusWith("stopped", 1), "SyncStart", "77", "1"},
      {DeckActionKind::syncStart, statusWith("stopped", 12), "SyncStart", "77", "12"},
      {DeckActionKind::syncStart, statusWith("stopped", 0), "SyncStart", "53", "3·2·1"},
      {DeckActionKind::syncStart, statusWith("stopped", -3), "SyncStart", "53", "3·2·1"},
      {DeckActionKind::eject, statusWith("playing", 2), "Eject", "67", "⏏"},
      {DeckActionKind::loopToggle, std::nullopt, "Loop", "70", "↻"},
  };
  for (const auto& c : cases) {
    const auto svg = lines(commandSVG(c.kind, c.status));
    ASSERT_EQ(svg.size(), 17u);
    EXPECT_EQ(svg[14], label + c.labelText + "</text>") << c.labelText;
    EXPECT_EQ(svg[15], symbol + c.size + R"(" font-weight="700" fill="#ff7b21">)" + c.symbolText + "</text>")
        << c.labelText;
  }
}

TEST(XmlEscaping, EscapesTheFiveCharactersOnce) {
  EXPECT_EQ(xmlEscape("&lt;"), "&amp;lt;");
  EXPECT_EQ(xmlEscape("\"'>< & /x"), "&quot;&apos;&gt;&lt; &amp; /x");
  EXPECT_EQ(xmlEscape("❚❚ 3·2·1"), "❚❚ 3·2·1");
  const auto svg = lines(makeCommandSVG("A&B", 50, "<x>"));
  EXPECT_NE(svg[14].find(">A&amp;B</text>"), std::string::npos);
  EXPECT_NE(svg[15].find(">&lt;x&gt;</text>"), std::string::npos);
}

TEST(FormatTime, MinutesBelowAnHourHoursFromThenOn) {
  const std::pair<double, const char*> cases[] = {
      {0, "00:00"},          {59.99, "00:59"},           {425, "07:05"},
      {3599.99, "59:59"},    {3600, "1:00:00"},          {3661.5, "1:01:01"},
      {36000, "10:00:00"},   {45296, "12:34:56"},        {-3, "00:00"},
      {-0.5, "00:00"},       {1e15, "277777777777:46:40"},  {std::nan(""), "--:--"},
      {std::numeric_limits<double>::infinity(), "--:--"}, {-std::numeric_limits<double>::infinity(), "--:--"},
      {1e19, "--:--"},       {-1e19, "--:--"},
  };
  for (const auto& [seconds, text] : cases) EXPECT_EQ(formatTime(seconds), text) << seconds;
}

TEST(FillWidth, RoundsHalvesAwayFromZeroAndClamps) {
  const std::pair<double, int> cases[] = {
      {0, 0},      {-0.5, 0},     {0.004, 0},        {0.5 / 120, 1}, {0.1875, 23}, {59.5 / 120, 60},
      {0.25, 30},  {1, 120},      {1.5, 120},        {std::nan(""), 0},
      {std::numeric_limits<double>::infinity(), 120},
  };
  for (const auto& [progress, width] : cases) EXPECT_EQ(fillWidth(progress), width) << progress;
}

TEST(RuntimeKeyPicture, NoStatusIsTheTemplateTextExactly) {
  EXPECT_EQ(runtimeSVGForStatus(std::nullopt), runtimeNoStatusSVG);
}

TEST(RuntimeKeyPicture, PositionDurationAndBarFollowTheStatus) {
  struct Case {
    double current;
    double duration;
    const char* currentText;
    const char* durationText;
    int width;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {30, 120, "00:30", "02:00", 30},       {22.5, 120, "00:22", "02:00", 23},
      {130, 120, "02:10", "02:00", 120},     {-5, 120, "00:00", "02:00", 0},
      {10, 0.001, "00:10", "--:--", 0},      {0, 0.0011, "00:00", "00:00", 0},
      {10, 0, "00:10", "--:--", 0},          {10, -4, "00:10", "--:--", 0},
      {4000, 7200, "1:06:40", "2:00:00", 67}, {inf, 120, "--:--", "02:00", 0},
      {10, inf, "00:10", "--:--", 0},        {std::nan(""), 120, "--:--", "02:00", 0},
  };
  for (const auto& c : cases) {
    BridgeStatus status;
    status.currentTime = c.current;
    status.duration = c.duration;
    const auto svg = lines(runtimeSVGForStatus(status));
    ASSERT_EQ(svg.size(), 20u);
    EXPECT_NE(svg[15].find(std::string(">") + c.currentText + "</text>"), std::string::npos) << c.current;
    EXPECT_NE(svg[16].find(std::string(">/ ") + c.durationText + "</text>"), std::string::npos) << c.duration;
    EXPECT_EQ(svg[18], "  <rect x=\"12\" y=\"124\" width=\"" + std::to_string(c.width) +
                           "\" height=\"8\" rx=\"4\" fill=\"#ff7b21\"/>")
        << c.current << " / " << c.duration;
  }
}

TEST(LogoKeyPicture, FallbackIsTheTemplateTextExactly) { EXPECT_EQ(fallbackLogoSVG(), fallbackLogo); }

TEST(LogoKeyPicture, LogoLiesTwoLevelsAboveTheExecutable) {
  // On the current drive, where there are drives.
  const auto logo = std::filesystem::absolute("/a/b/assets/vantry-app-logo.png");
  EXPECT_EQ(logoFilePath("/a/b/c/program"), logo);
  EXPECT_EQ(logoFilePath("/a/b/./x/../c/program"), logo);
}

TEST(KeyImage, Base64DataURL) {
  EXPECT_EQ(svgDataURL("<svg/>"), "data:image/svg+xml;base64,PHN2Zy8+");
  const std::pair<const char*, const char*> cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xff\xfe\xfd", "//79"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(base64Encode(bytes), text);
}

TEST(DeckActionKinds, IdentifiersMapBothWaysExactly) {
  int commands = 0;
  for (const auto kind : allDeckActionKinds) {
    EXPECT_EQ(deckActionKindFromIdentifier(rawValue(kind)), kind);
    if (bridgeCommand(kind)) ++commands;
  }
  EXPECT_EQ(commands, 7);
  EXPECT_FALSE(bridgeCommand(DeckActionKind::runtime));
  EXPECT_FALSE(bridgeCommand(DeckActionKind::logo));
  EXPECT_EQ(bridgeCommand(DeckActionKind::back10), "backward_10");
  for (const char* near : {"vesk.quillfern.vantrypro.streamdeck.Stop", "vesk.quillfern.vantrypro.streamdeck.stop ",
                           "vesk.quillfern.vantrypro.stop", ""}) {
    EXPECT_FALSE(deckActionKindFromIdentifier(near)) << near;
  }
}

}  // namespace
