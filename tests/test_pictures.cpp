#include "platform/base64.hpp"
#include "render/command_key_picture.hpp"
#include "render/key_image.hpp"
#include "render/logo_key_picture.hpp"
#include "render/runtime_key_picture.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <tuple>

using namespace vantry;

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::nan("");

// The pictures as the host receives them, byte for byte; each "@" takes the next of a row's texts.
const std::string keyTop = R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 144 144">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#050505"/>
      <stop offset="1" stop-color="#2a1301"/>
    </linearGradient>
    <linearGradient id="glow" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ff7b21" stop-opacity="@"/>
      <stop offset="1" stop-color="#ff7b21" stop-opacity="@"/>
    </linearGradient>
  </defs>
  <rect width="144" height="144" rx="24" fill="url(#bg)"/>
  <rect width="144" height="144" rx="24" fill="url(#glow)"/>
  <rect x="4" y="4" width="136" height="136" rx="20" fill="none" stroke="#ff7b21" stroke-width="3" opacity="0.9"/>
)svg";
const std::string commandKey = keyTop + R"svg(  <text x="72" y="36" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="19" font-weight="700" fill="#ffffff" opacity="0.96">@</text>
  <text x="72" y="102" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="@" font-weight="700" fill="#ff7b21">@</text>
</svg>)svg";
const std::string runtimeKey = keyTop + R"svg(  <text x="72" y="33" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="16" font-weight="700" fill="#ffffff" opacity="0.96">Runtime</text>
  <text x="72" y="68" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="28" font-weight="700" fill="#ffffff">@</text>
  <text x="72" y="92" text-anchor="middle" font-family="Arial, Helvetica, sans-serif" font-size="17" fill="#ffffff">/ @</text>
  <rect x="12" y="124" width="120" height="8" rx="4" fill="#2f2f2f"/>
  <rect x="12" y="124" width="@" height="8" rx="4" fill="#ff7b21"/>
</svg>)svg";

std::string filled(std::string picture, std::initializer_list<std::string> texts) {
  for (const auto& text : texts) picture.replace(picture.find('@'), 1, text);
  return picture;
}

std::string command(DeckActionKind kind, const char* playbackState = nullptr, std::int64_t countdown = 0) {
  std::optional<BridgeStatus> status;
  if (playbackState) {
    status.emplace().playbackState = playbackState;
    status->syncStartCountdownSecondsRemaining = countdown;
  }
  const auto symbol = commandSymbol(kind, status);
  return makeCommandSVG(title(kind), symbol.size, symbol.text);
}

std::string runtime(double currentTime, double duration) {
  BridgeStatus status;
  status.currentTime = currentTime;
  status.duration = duration;
  return runtimeSVGForStatus(status);
}

using Picture = std::tuple<std::string, const char*, const char*, const char*>;

TEST(KeyPictures, CommandKeyShowsLabelAndSymbolForItsKindAndStatus) {
  using enum DeckActionKind;
  // Each kind's picture without a status is the shipped default, checked below.
  const Picture cases[] = {
      {command(playPause, "playing"), "Play/Pause", "74", "❚❚"}, {command(playPause, ""), "Play/Pause", "74", "▶"},
      {command(playPause, "Playing"), "Play/Pause", "74", "▶"}, {command(back10, "playing", 3), "Back 10", "50", "⟲10"},
      {command(syncStart, "stopped", 1), "SyncStart", "77", "1"}, {command(eject, "playing", 2), "Eject", "67", "⏏"},
      {command(syncStart, "stopped", 12), "SyncStart", "77", "12"},
      {command(syncStart, "stopped", 0), "SyncStart", "53", "3·2·1"},
      {command(syncStart, "stopped", -3), "SyncStart", "53", "3·2·1"},
      // Inserted text is escaped once, also when it holds only quotes.
      {makeCommandSVG("\"'A'\"", 50, "<&lt; / x>"), "&quot;&apos;A&apos;&quot;", "50", "&lt;&amp;lt; / x&gt;"},
  };
  for (const auto& [svg, label, size, symbol] : cases) {
    EXPECT_EQ(svg, filled(commandKey, {"0.20", "0.02", label, size, symbol}));
  }
}

TEST(KeyPictures, RuntimeKeyShowsPositionDurationAndBar) {
  const Picture cases[] = {
      {runtime(30, 120), "00:30", "02:00", "30"},         {runtime(22.5, 120), "00:22", "02:00", "23"},
      {runtime(130, 120), "02:10", "02:00", "120"},       {runtime(-5, 120), "00:00", "02:00", "0"},
      {runtime(10, 0.001), "00:10", "--:--", "0"},        {runtime(0, 0.0011), "00:00", "00:00", "0"},
      {runtime(10, 0), "00:10", "--:--", "0"},            {runtime(4000, 7200), "1:06:40", "2:00:00", "67"},
      {runtime(10, inf), "00:10", "--:--", "0"},          {runtime(nan, 120), "--:--", "02:00", "0"},
  };
  for (const auto& [svg, current, duration, width] : cases) {
    EXPECT_EQ(svg, filled(runtimeKey, {"0.18", "0.03", current, duration, width}));
  }
}

TEST(KeyPictures, RuntimeKeyCountsDownWarnsBlinksAndShowsTheTitleAsSet) {
  struct Case { DisplaySettings settings; double at; const char* state; bool offBeat; const char* current; const char* accent; };
  const DisplaySettings left{.remaining = true}, warn{.warnSeconds = 30}, blink{.warnSeconds = 30, .flash = true};
  const Case cases[] = {
      {left, 30, "paused", false, "-01:30", "#ff7b21"}, {left, 29.2, "paused", false, "-01:31", "#ff7b21"},
      {left, 120, "paused", false, "-00:00", "#ff7b21"}, {left, 125, "paused", false, "-00:00", "#ff7b21"},
      {left, nan, "paused", false, "--:--", "#ff7b21"},   {warn, 89, "playing", false, "01:29", "#ff7b21"},
      {warn, 90, "playing", false, "01:30", "#ff3030"},   {warn, 130, "paused", true, "02:10", "#ff3030"},
      {blink, 95, "playing", false, "01:35", "#ff3030"},  {blink, 95, "playing", true, "01:35", "#ff7b21"},
      {blink, 95, "paused", true, "01:35", "#ff3030"},
  };
  const auto clip = [](double at, double duration, const char* state = "paused", const char* title = "") {
    BridgeStatus s;
    std::tie(s.currentTime, s.duration, s.playbackState, s.selectedClipTitle) = std::tuple(at, duration, state, title);
    return s;
  };
  for (const auto& [settings, at, state, offBeat, current, accent] : cases) {
    auto expected = filled(runtimeKey, {"0.18", "0.03", current, "02:00", std::to_string(fillWidth(std::min(at / 120, 1.0)))});
    for (auto found = expected.find("#ff7b21"); found != std::string::npos; found = expected.find("#ff7b21", found + 1)) {
      expected.replace(found, 7, accent);
    }
    EXPECT_EQ(runtimeSVGForStatus(clip(at, 120, state), settings, offBeat), expected) << current << accent;
  }
  // Without a counting duration there is neither a countdown nor a warning.
  EXPECT_EQ(runtimeSVGForStatus(clip(10, 0), {true, 3600}), runtimeSVGForStatus(std::nullopt));
  EXPECT_EQ(runtimeSVGForStatus(std::nullopt, {true, 3600, true, true}), runtimeSVGForStatus(std::nullopt));
  const std::pair<const char*, const char*> titles[] = {
      {"Opening", ">Opening<"}, {"", ">Runtime<"}, {"<Act & One>", ">&lt;Act &amp; One&gt;<"},
      {"The Grand Finale of the Night", ">The Grand Fin…<"}, {"終わりの始まりの物語です", ">終わりの始まり…<"},
  };
  for (const auto& [title, label] : titles) {
    EXPECT_NE(runtimeSVGForStatus(clip(0, 120, "paused", title), {.titleLabel = true}).find(label), std::string::npos) << title;
  }
}

TEST(KeyPictures, TimeTextAndBarWidthAtTheirEdges) {
  const std::pair<double, const char*> times[] = {
      {0, "00:00"}, {59.99, "00:59"}, {425, "07:05"}, {3599.99, "59:59"}, {3600, "1:00:00"}, {3661.5, "1:01:01"},
      {36000, "10:00:00"}, {45296, "12:34:56"}, {-3, "00:00"}, {-0.5, "00:00"}, {1e15, "277777777777:46:40"},
      {nan, "--:--"}, {inf, "--:--"}, {-inf, "--:--"}, {1e19, "--:--"}, {-1e19, "--:--"},
  };
  for (const auto& [seconds, text] : times) EXPECT_EQ(formatTime(seconds), text) << seconds;
  const std::pair<double, int> widths[] = {{0, 0}, {-0.5, 0}, {0.004, 0}, {0.5 / 120, 1}, {0.1875, 23},
                                           {59.5 / 120, 60}, {0.25, 30}, {1, 120}, {1.5, 120}, {nan, 0}, {inf, 120}};
  for (const auto& [progress, width] : widths) EXPECT_EQ(fillWidth(progress), width) << progress;
}

TEST(KeyPictures, LogoPathAndBase64) {
  // On the current drive, where there are drives.
  const auto logo = std::filesystem::absolute("/a/b/assets/vantry-app-logo.png");
  EXPECT_EQ(logoFilePath("/a/b/c/program"), logo);
  EXPECT_EQ(logoFilePath("/a/b/./x/../c/program"), logo);
  const std::pair<const char*, const char*> base64[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xff\xfe\xfd", "//79"}};
  for (const auto& [bytes, text] : base64) EXPECT_EQ(base64Encode(bytes), text);
}

// A key shows its manifest default until the plugin draws it: the plugin's own no-status picture,
// with an explicit size for hosts that need one, or keys would change look at start.
TEST(KeyPictures, ShippedDefaultsAreTheNoStatusPictures) {
  const std::string drawn = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox";
  const std::string shipped = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"144\" height=\"144\" viewBox";
  for (const auto kind : allDeckActionKinds) {
    const std::string identifier(rawValue(kind));
    auto expected = kind == DeckActionKind::runtime ? runtimeSVGForStatus(std::nullopt)
                    : kind == DeckActionKind::logo  ? std::string(fallbackLogoSVG())
                                                    : command(kind);
    ASSERT_EQ(expected.rfind(drawn, 0), 0u) << "the plugin's picture starts differently now";
    const auto path = std::string(VANTRY_KEY_IMAGE_DIR) + "/" + identifier.substr(identifier.rfind('.') + 1) + ".svg";
    std::ostringstream file;
    file << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(file.str(), expected.replace(0, drawn.size(), shipped) + "\n") << path << " is not the drawn picture";
  }
}

TEST(DeckActionKinds, EachCommandKeySendsItsOwnBridgeWord) {
  std::string words;
  for (const auto kind : allDeckActionKinds) words += std::string(bridgeCommand(kind).value_or("-")) + " ";
  EXPECT_EQ(words, "play_pause stop backward_10 forward_10 sync_start eject loop_toggle - - ");
}

}  // namespace
