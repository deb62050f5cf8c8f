#include "render/logo_key_picture.hpp"
#include "support/plugin_harness.hpp"
#include "support/temp_dir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;

namespace {

// "k0" to "k9", spelled out: g++ 12 at -O3 wrongly flags "k" + std::to_string(i) (-Wrestrict).
std::string keyContext(int i) { return {'k', char('0' + i)}; }

// With the timer's first poll 0.4 s away, these tests see the keys drawn without status.
PluginHarness quietBridge() {
  return PluginHarness([](const std::string&) { return ScriptedReply{"", 0ms, true}; });
}

TEST(PluginHost, RegistersFirstOnEveryConnection) {
  PluginHarness h;
  ASSERT_TRUE(h.startAndRegister());
  EXPECT_EQ(h.host.latest()->received.front().text,
            R"({"event":"registerPlugin","uuid":"0123456789ABCDEF0123456789ABCDEF"})");
}

TEST(PluginHost, DrawsEveryKindOfKeyWithImageThenTitle) {
  auto h = quietBridge();
  ASSERT_TRUE(h.startAndRegister());
  auto& connection = *h.host.latest();
  for (const auto kind : allDeckActionKinds) connection.send(willAppear("ctx-" + std::string(rawValue(kind)), kind));
  ASSERT_TRUE(h.until([&] { return h.countOn("setTitle") == 9; }));
  const auto sent = sentOn(connection);
  ASSERT_EQ(sent.size(), 1u + 18u);
  for (std::size_t i = 1; i < sent.size(); i += 2) {
    const auto& image = sent[i];
    const auto& titled = sent[i + 1];
    EXPECT_EQ(image.event, "setImage");
    EXPECT_EQ(titled.event, "setTitle");
    EXPECT_EQ(image.context, titled.context);
    EXPECT_EQ(image.message.at("payload").at("target"), 0);
    EXPECT_EQ(titled.message.at("payload"), boost::json::parse(R"({"title":"","target":0})"));
    EXPECT_EQ(image.message.at("payload").as_object().size(), 2u);
  }
  EXPECT_NE(sent[1].picture().find(">▶</text>"), std::string::npos);
  EXPECT_NE(sent[15].picture().find(">/ --:--</text>"), std::string::npos);
  EXPECT_NE(sent[17].picture().find(">QUILL</text>"), std::string::npos);  // no logo file beside /tmp/bundle/bin
}

TEST(PluginHost, MessagesAreHandledInOrderIncludingUTF8BinaryOnes) {
  auto h = quietBridge();
  ASSERT_TRUE(h.startAndRegister());
  auto& connection = *h.host.latest();
  connection.send(willAppear("k", DeckActionKind::stop));
  connection.send(willAppear("k", DeckActionKind::eject), false);  // binary, valid UTF-8
  connection.send("{\"event\":\"willAppear\",\"context\":\"\xff\"}", false);  // binary, not UTF-8: dropped
  for (const char* junk : {"nonsense", "[]", "{\"event\":3}", "{\"event\":\"keyDown\",\"context\":\"never-seen\"}",
                           "{\"event\":\"willDisappear\",\"context\":\"never-seen\"}"}) {
    connection.send(junk);
  }
  connection.send(willAppear("k", DeckActionKind::loopToggle));
  ASSERT_TRUE(h.until([&] { return h.countOn("setImage") == 3; }));
  h.until([] { return false; }, 200ms);
  const auto images = sentEvents(connection, "setImage");
  ASSERT_EQ(images.size(), 3u);
  EXPECT_NE(images[0].picture().find(">Stop</text>"), std::string::npos);
  EXPECT_NE(images[1].picture().find(">Eject</text>"), std::string::npos);
  EXPECT_NE(images[2].picture().find(">Loop</text>"), std::string::npos);
  EXPECT_EQ(h.plugin->contextsByID.size(), 1u);
  EXPECT_EQ(h.plugin->contextsByID.at("k"), DeckActionKind::loopToggle);
  EXPECT_EQ(h.host.connections.size(), 1u);  // no message ended the connection
}

TEST(PluginHost, ReconnectsOneSecondAfterTheHostClosesAndKeepsItsKeys) {
  PluginHarness h;
  ASSERT_TRUE(h.startAndRegister());
  h.host.latest()->send(willAppear("k", DeckActionKind::stop));
  ASSERT_TRUE(h.until([&] { return h.countOn("setImage") >= 1; }));

  for (int round = 0; round < 2; ++round) {
    const auto before = h.host.connections.size();
    const auto closedAt = std::chrono::steady_clock::now();
    h.host.latest()->close();
    ASSERT_TRUE(h.until([&] { return h.host.connections.size() == before + 1 && h.host.latest()->opened; }, 4s));
    const auto gap = h.host.latest()->openedAt - closedAt;
    EXPECT_GE(gap, 950ms);
    EXPECT_LT(gap, 1600ms);
    ASSERT_TRUE(h.until([&] { return !h.host.latest()->received.empty(); }));
    EXPECT_EQ(sentOn(*h.host.latest()).front().event, "registerPlugin");
    // The next poll redraws the remembered key on the new connection.
    ASSERT_TRUE(h.until([&] { return h.countOn("setImage") >= 1; }, 3s));
    EXPECT_EQ(sentEvents(*h.host.latest(), "setImage").front().context, "k");
  }
}

TEST(PluginHost, RetriesEverySecondWhileTheHostRefuses) {
  PluginHarness h;
  h.host.stopListening();
  h.plugin->start();
  h.until([] { return false; }, 2500ms);
  EXPECT_TRUE(h.host.connections.empty());
  const auto listeningAt = std::chrono::steady_clock::now();
  h.host.listenAgain();
  ASSERT_TRUE(h.until([&] { return h.host.latest() && !h.host.latest()->received.empty(); }, 3s));
  EXPECT_LT(h.host.latest()->openedAt - listeningAt, 1200ms);
  EXPECT_EQ(sentOn(*h.host.latest()).front().event, "registerPlugin");
}

TEST(PluginHost, AnswersTheHostsPingsBetweenItsOwnMessages) {
  auto h = quietBridge();
  ASSERT_TRUE(h.startAndRegister());
  auto& connection = *h.host.latest();
  // The stand-in host writes one thing at a time, so each ping waits for the picture before it.
  for (int i = 0; i < 3; ++i) {
    connection.send(willAppear(keyContext(i), DeckActionKind::runtime));
    ASSERT_TRUE(h.until([&] { return h.countOn("setTitle") == std::size_t(i) + 1; }));
    connection.ping();
    ASSERT_TRUE(h.until([&] { return connection.pongs == i + 1; })) << connection.pongs;
  }
  EXPECT_FALSE(connection.closed);
}

TEST(PluginHost, SendingWithoutAConnectionDoesNothing) {
  PluginHarness h;
  h.plugin->sendEvent("showOk", "k");
  h.plugin->renderAllContexts();
  EXPECT_FALSE(h.plugin->socketTask);
}

TEST(PluginHost, MessagesGivenWhileOpeningGoOutInOrderOnceOpen) {
  PluginHarness h;
  h.plugin->connectWebSocket();
  for (int i = 0; i < 5; ++i) h.plugin->sendEvent("showOk", keyContext(i));
  ASSERT_TRUE(h.until([&] { return h.host.latest() && h.host.latest()->received.size() == 6; }));
  const auto sent = sentOn(*h.host.latest());
  EXPECT_EQ(sent[0].event, "registerPlugin");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(sent[std::size_t(i) + 1].context, keyContext(i));
}

TEST(WebSocketTask, OutgoingQueueIsBoundedWhileTheHostDoesNotRead) {
  boost::asio::io_context context;
  TestHostServer host(context);
  host.readNewConnections = false;
  auto task = WebSocketTask::create(context, boost::urls::url("ws://127.0.0.1:" + std::to_string(host.port())));
  task->resume();
  ASSERT_TRUE(runUntil(context, [&] { return host.latest() && host.latest()->opened; }));
  const std::size_t messages = 96;
  const std::string chunk(256 * 1024, 'k');
  std::size_t largestQueue = 0;
  for (std::size_t i = 0; i < messages; ++i) {
    task->send(std::to_string(i) + ":" + chunk);
    largestQueue = std::max(largestQueue, task->queuedBytes());
    runFor(context, 2ms);
  }
  EXPECT_LE(largestQueue, WebSocketTask::outgoingLimitBytes);
  host.latest()->resumeReading();
  ASSERT_TRUE(runUntil(context, [&] { return task->queuedBytes() == 0; }, 10s));
  task->send("after");
  ASSERT_TRUE(runUntil(context, [&] { return !host.latest()->received.empty() && host.latest()->received.back().text == "after"; }));
  const auto& received = host.latest()->received;
  EXPECT_LT(received.size(), messages + 1);  // some were dropped rather than queued without end
  std::size_t previous = 0;
  for (std::size_t i = 0; i + 1 < received.size(); ++i) {
    const auto number = std::stoul(received[i].text.substr(0, received[i].text.find(':')));
    if (i > 0) {
      EXPECT_GT(number, previous);  // what arrives keeps its order
    }
    previous = number;
  }
}

}  // namespace

namespace {

TEST(LogoKey, TheLogoFileIsReadOnceAtTheFirstLogoDrawing) {
  namespace fs = std::filesystem;
  const TempDir dir("vantry-logo-");
  const auto& bundle = dir.path;
  fs::create_directories(bundle / "bin");
  fs::create_directories(bundle / "assets");
  const auto logo = bundle / "assets" / "vantry-app-logo.png";
  const std::string bytes("\x89PNG\r\n\x1a\n\0\x01", 10);

  struct Case {
    const char* name;
    bool fileAtStart;
  };
  for (const auto& c : {Case{"present", true}, Case{"absent", false}}) {
    fs::remove(logo);
    if (c.fileAtStart) std::ofstream(logo, std::ios::binary) << bytes;
    boost::asio::io_context context;
    TestHostServer host(context);
    // A relative program path counts from the working directory and is standardised.
    const auto program = (bundle / "bin" / ".." / "bin" / "VantryProDeckPlugin").string();
    auto plugin = VantryProDeckPlugin::make({program, "-port", std::to_string(host.port()), "-pluginUUID", "u",
                                             "-registerEvent", "r"},
                                            context);
    plugin->connectWebSocket();
    ASSERT_TRUE(runUntil(context, [&] { return host.latest() && !host.latest()->received.empty(); }));
    host.latest()->send(willAppear("a", DeckActionKind::logo));
    ASSERT_TRUE(runUntil(context, [&] { return sentEvents(*host.latest(), "setImage").size() == 1; }));
    // Changing the file afterwards has no effect until the next start.
    if (c.fileAtStart) {
      fs::remove(logo);
    } else {
      std::ofstream(logo, std::ios::binary) << bytes;
    }
    host.latest()->send(willAppear("b", DeckActionKind::logo));
    ASSERT_TRUE(runUntil(context, [&] { return sentEvents(*host.latest(), "setImage").size() == 2; }));
    for (const auto& image : sentEvents(*host.latest(), "setImage")) {
      const std::string url(image.message.at("payload").at("image").as_string());
      if (c.fileAtStart) {
        EXPECT_EQ(url, "data:image/png;base64,iVBORw0KGgoAAQ==") << c.name;
      } else {
        EXPECT_EQ(url.rfind("data:image/svg+xml;base64,", 0), 0u) << c.name;
        EXPECT_NE(image.picture().find(">FERN</text>"), std::string::npos) << c.name;
      }
    }
  }
}

TEST(LogoKey, AnEmptyLogoFileIsAnEmptyPicture) {
  namespace fs = std::filesystem;
  const TempDir dir("vantry-empty-logo-");
  const auto& bundle = dir.path;
  fs::create_directories(bundle / "assets");
  std::ofstream(bundle / "assets" / "vantry-app-logo.png");
  EXPECT_EQ(readLogoDataURL(bundle / "bin" / "VantryProDeckPlugin"), "data:image/png;base64,");
  fs::create_directories(bundle / "other" / "assets" / "vantry-app-logo.png");  // a folder, not a file
  EXPECT_FALSE(readLogoDataURL(bundle / "other" / "bin" / "VantryProDeckPlugin"));
}

}  // namespace
