// The built plugin against a host and a bridge on loopback that misbehave on purpose. Every fault
// is followed by checks that the plugin still runs, reconnects or recovers on schedule and draws
// the right pictures again; memory, descriptors and sockets are sampled along the way.
//
// Repeat counts come from the environment (the short run of the normal test command uses the
// defaults): SOAK_ROUNDS, SOAK_HOST_CLOSES, SOAK_STOP_READING_SECONDS.

#include "support/child_process.hpp"
#include "support/plugin_harness.hpp"
#include "support/process_probe.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string executable = VANTRY_PLUGIN_EXECUTABLE;

int fromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  const int value = std::atoi(text);
  return value > 0 ? value : fallback;
}

const int rounds = fromEnvironment("SOAK_ROUNDS", 1);
const int hostCloses = fromEnvironment("SOAK_HOST_CLOSES", 10);
const int stopReadingSeconds = fromEnvironment("SOAK_STOP_READING_SECONDS", 10);

constexpr int keyCount = 32;
// Contexts k0..k31 take the nine kinds in turn: k0 is a play/pause key, k7 a runtime key.
const std::string playPauseKey = "k0";
const std::string runtimeKey = "k7";

// The schedule the plugin keeps, and how far the loopback test lets it drift.
constexpr auto reconnectDelay = 1000ms;
constexpr auto reconnectTolerance = 500ms;
constexpr auto pollInterval = 900ms;
constexpr auto bridgeTimeout = 10s;
constexpr auto tolerance = 500ms;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

std::string clockText(int totalSeconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", totalSeconds / 60 % 60, totalSeconds % 60);
  return text;
}

// Smallest and largest of a measured span, for the report.
struct Span {
  double min = 1e9;
  double max = 0;
  int count = 0;
  void add(double s) {
    min = std::min(min, s);
    max = std::max(max, s);
    ++count;
  }
  std::string text() const {
    if (!count) return "-";
    char out[64];
    std::snprintf(out, sizeof out, "%.3f..%.3f s (n=%d)", min, max, count);
    return out;
  }
};

// The plugin process, the stand-in host and bridge, and what the keys show.
class Show {
 public:
  Show()
      : host(context),
        bridge(context, [this](const std::string& target) { return reply(target); }, 48187),
        privateListeners((closeOnExecAll(), true)),
        child({executable, "-port", std::to_string(host.port()), "-pluginUUID", "ABCDEF0123456789ABCDEF0123456789",
               "-registerEvent", "registerPlugin", "-info", R"({"application":{"platform":"linux"}})"}) {
    status = fullStatusObject();
    status["playbackState"] = "playing";
    status["duration"] = 3000.0;
    nextPosition();
  }

  // A new position, so that a picture drawn from it cannot be an older one.
  void nextPosition() {
    position = position % 2900 + 1;
    status["currentTime"] = double(position);
  }

  ScriptedReply reply(const std::string& target) {
    if (target == "/status" && fault) {
      auto bad = std::move(*fault);
      fault.reset();
      return bad;
    }
    auto good = statusReply(status);
    good.delay = slow;
    return good;
  }

  // Takes in what the host received since the last look; a new connection starts afresh.
  void pump() {
    const auto connection = host.latest();
    if (connection != tracked) {
      if (tracked) tracked->received.clear();
      tracked = connection;
      pictures.clear();
    }
    if (!tracked) return;
    for (const auto& r : tracked->received) {
      auto object = boost::json::parse(r.text).as_object();
      if (object.at("event").as_string() != "setImage") continue;
      Sent s{"setImage", std::string(object.at("context").as_string()), std::move(object)};
      auto picture = s.picture();
      if (s.context == runtimeKey && picture.find(">--:--</text>") != std::string::npos) noStatusAt = r.at;
      pictures[s.context] = std::move(picture);
    }
    tracked->received.clear();
  }

  bool until(const std::function<bool()>& done, Clock::duration timeout) {
    return runUntil(
        context,
        [&] {
          pump();
          return done();
        },
        timeout);
  }

  bool shows(const std::string& key, const std::string& text) const {
    const auto found = pictures.find(key);
    return found != pictures.end() && found->second.find(text) != std::string::npos;
  }

  // The pictures of the current status: pause symbol while playing, and the position.
  bool showsStatus() const {
    return shows(playPauseKey, ">\u275A\u275A</text>") && shows(runtimeKey, ">" + clockText(position) + "</text>");
  }
  bool showsNoStatus() const { return shows(playPauseKey, ">\u25B6</text>") && shows(runtimeKey, ">--:--</text>"); }

  bool alive() { return !child.exitStatusWithin(0ms); }

  void appearAll() {
    for (int i = 0; i < keyCount; ++i) {
      host.latest()->send(willAppear("k" + std::to_string(i), allDeckActionKinds[i % allDeckActionKinds.size()]));
    }
  }

  // Memory, descriptors and sockets now; the sockets must only ever reach 127.0.0.1.
  struct Sample {
    std::uint64_t rssKB = 0;
    std::size_t fds = 0;
    std::size_t sockets = 0;
  };
  Sample sample(const std::string& when) {
    Sample s;
    s.rssKB = residentKilobytes(child.pid());
    const auto open = openDescriptors(child.pid());
    s.fds = open.total;
    s.sockets = open.socketInodes.size();
    for (const auto& socket : tcpSockets(child.pid())) {
      EXPECT_FALSE(socket.listening()) << when;
      // A socket between close and reuse may have no peer left; any peer it has is loopback.
      const bool noPeer = socket.remoteAddress.find_first_not_of('0') == std::string::npos;
      EXPECT_TRUE(socket.remoteIsLoopbackV4() || noPeer) << when << " " << socket.remoteAddress;
    }
    EXPECT_GT(s.rssKB, 0u) << when;
    peakRSS = std::max(peakRSS, s.rssKB);
    peakFds = std::max(peakFds, s.fds);
    ++samples;
    return s;
  }

  // After a fresh answer has been drawn, no poll is in flight for a while.
  Sample quietSample(const std::string& when) {
    nextPosition();
    EXPECT_TRUE(until([&] { return showsStatus(); }, pollInterval + tolerance)) << when;
    return sample(when);
  }

  boost::asio::io_context context;
  TestHostServer host;
  boost::json::object status;
  int position = 0;
  std::optional<ScriptedReply> fault;  // the next status request gets this
  std::chrono::milliseconds slow{0};   // good answers wait this long
  TestBridgeServer bridge;
  bool privateListeners;
  ChildProcess child;
  std::shared_ptr<TestHostServer::Connection> tracked;
  std::map<std::string, std::string> pictures;
  std::optional<Clock::time_point> noStatusAt;

  Sample warm;
  std::uint64_t peakRSS = 0;
  std::size_t peakFds = 0;
  int samples = 0;
  Span reconnect;
  Span relisten;
  Span slowSpacing;  // between status requests while each answer takes 2 s
  std::map<std::string, std::pair<Span, Span>> bridgeFaults;  // fault: failing after, drawn again after
};

Show& show() {
  static Show instance;
  return instance;
}

void print(const std::string& line) {
  std::cout << "soak: " << line << std::endl;
}

TEST(Soak, WarmsUp) {
  auto& s = show();
  ASSERT_TRUE(s.child.started());
  ASSERT_TRUE(s.until([&] { return s.host.latest() && s.host.latest()->opened; }, 5s));
  s.appearAll();
  ASSERT_TRUE(s.until([&] { return s.showsStatus(); }, 400ms + pollInterval + tolerance));
  // A few polls and one reconnect, so that the baseline is the plugin at work.
  s.host.latest()->close();
  ASSERT_TRUE(s.until([&] { return s.host.connections.size() == 2 && s.host.latest()->opened; }, 3s));
  for (int i = 0; i < 5; ++i) s.quietSample("warm-up");
  s.warm = s.quietSample("warm-up");
  print("warm-up RSS " + std::to_string(s.warm.rssKB) + " kB, fds " + std::to_string(s.warm.fds) + " (sockets " +
        std::to_string(s.warm.sockets) + ")");
  EXPECT_TRUE(s.alive());
}

// Closes the current host connection and waits for the next one; the gap is measured from the close.
void closeAndReconnect(Show& s, const std::string& when) {
  const auto before = s.host.connections.size();
  const auto closedAt = Clock::now();
  s.host.latest()->close();
  ASSERT_TRUE(s.until([&] { return s.host.connections.size() > before && s.host.latest()->opened; },
                      reconnectDelay + reconnectTolerance + 1s))
      << when;
  const auto gap = s.host.latest()->openedAt - closedAt;
  s.reconnect.add(seconds(gap));
  EXPECT_GE(gap, reconnectDelay - reconnectTolerance) << when;
  EXPECT_LE(gap, reconnectDelay + reconnectTolerance) << when;
}

TEST(Soak, HostFaults) {
  auto& s = show();
  for (int round = 1; round <= rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));

    // Closes, one after the other.
    for (int i = 1; i <= hostCloses; ++i) {
      closeAndReconnect(s, "close " + std::to_string(i));
      if (i % 20 == 0 || i == hostCloses) {
        s.nextPosition();
        EXPECT_TRUE(s.until([&] { return s.showsStatus(); }, pollInterval + tolerance)) << "close " << i;
        s.sample("after closes");
      }
    }
    EXPECT_TRUE(s.alive());

    // Refuses connections for five seconds.
    s.host.stopListening();
    s.host.latest()->close();
    const auto count = s.host.connections.size();
    s.until([] { return false; }, 5s);
    EXPECT_EQ(s.host.connections.size(), count);
    EXPECT_TRUE(s.alive());
    const auto listeningAt = Clock::now();
    s.host.listenAgain();
    ASSERT_TRUE(s.until([&] { return s.host.connections.size() > count && s.host.latest()->opened; }, 3s));
    const auto gap = s.host.latest()->openedAt - listeningAt;
    s.relisten.add(seconds(gap));
    EXPECT_LE(gap, reconnectDelay + reconnectTolerance);
    s.nextPosition();
    EXPECT_TRUE(s.until([&] { return s.showsStatus(); }, pollInterval + tolerance)) << "after refusals";

    // Stops reading while 32 keys are drawn after every poll.
    s.host.readNewConnections = false;
    closeAndReconnect(s, "before stop reading");
    s.host.readNewConnections = true;
    const auto stalled = s.host.latest();
    s.nextPosition();
    std::uint64_t stalledPeak = 0;
    for (int second = 0; second < stopReadingSeconds; ++second) {
      s.until([] { return false; }, 1s);
      stalledPeak = std::max(stalledPeak, s.sample("host not reading").rssKB);
      EXPECT_EQ(s.host.latest(), stalled) << "the plugin left a connection that is only slow";
    }
    EXPECT_TRUE(s.alive());
    // Held messages are bounded to 4 MiB per connection, plus the socket's own buffers.
    EXPECT_LT(stalledPeak, s.warm.rssKB + 12 * 1024);
    print("host not reading for " + std::to_string(stopReadingSeconds) + " s: RSS peak " + std::to_string(stalledPeak) +
          " kB (warm-up " + std::to_string(s.warm.rssKB) + " kB)");
    const auto resumedAt = Clock::now();
    stalled->resumeReading();
    EXPECT_TRUE(s.until([&] { return s.showsStatus(); }, 10s)) << "after the host reads again";
    print("host reads again: right pictures after " + std::to_string(seconds(Clock::now() - resumedAt)) + " s");
    s.sample("host reads again");
  }
  print("host reconnect after a close: " + s.reconnect.text());
  print("host reconnect after listening again: " + s.relisten.text());
}

// One bridge fault: the status request that meets it must fail within its span, the keys show
// their no-status pictures, and the next good poll draws the right pictures again.
struct BridgeFault {
  std::string name;
  std::function<ScriptedReply()> reply;
  Clock::duration failsWithin;           // from the request reaching the bridge
  Clock::duration failsNotBefore = 0ms;  // for the ones the time-out ends
};

std::string statusHead(const std::string& extra) { return "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n" + extra; }

const std::vector<BridgeFault>& bridgeFaults() {
  static const std::vector<BridgeFault> faults = {
      {"broken status line", [] { return ScriptedReply{"HTTP/1.1 two hundred\r\n\r\n{}"}; }, tolerance},
      {"header block of 1 MiB",
       [] { return ScriptedReply{statusHead("X-Filler: " + std::string(1 << 20, 'a') + "\r\n\r\n{}")}; }, tolerance},
      {"10 MiB body", [] { return ScriptedReply{httpResponse(200, std::string(10 << 20, ' '))}; }, tolerance},
      {"endless chunked body",
       [] {
         ScriptedReply r{statusHead("Transfer-Encoding: chunked\r\n\r\n")};
         r.more = [] { return "10000\r\n" + std::string(0x10000, ' ') + "\r\n"; };
         r.moreEvery = 5ms;
         return r;
       },
       tolerance},
      {"body dripping one byte a second",
       [] {
         ScriptedReply r{statusHead("Content-Length: 1000\r\n\r\n")};
         r.more = [] { return std::string(" "); };
         r.moreEvery = 1000ms;
         return r;
       },
       bridgeTimeout + tolerance, bridgeTimeout - tolerance},
      {"connection closed mid-body",
       [] { return ScriptedReply{statusHead("Content-Length: 600\r\n\r\n{\"playbackState\":\"play")}; }, tolerance},
      {"hangs", [] { return ScriptedReply{"", 0ms, true}; }, bridgeTimeout + tolerance, bridgeTimeout - tolerance},
  };
  return faults;
}

void runBridgeFault(Show& s, const BridgeFault& fault) {
  SCOPED_TRACE(fault.name);
  const auto before = s.bridge.count("/status");
  s.fault = fault.reply();
  ASSERT_TRUE(s.until([&] { return s.bridge.count("/status") > before; }, pollInterval + tolerance));
  const auto requestAt = s.bridge.requests.back().at;
  s.noStatusAt.reset();
  // The next poll waits for this one to end and then finds the bridge good again.
  s.nextPosition();
  ASSERT_TRUE(s.until([&] { return s.noStatusAt.has_value(); }, fault.failsWithin + tolerance));
  const auto failedAfter = *s.noStatusAt - requestAt;
  EXPECT_GE(failedAfter, fault.failsNotBefore);
  EXPECT_LE(failedAfter, fault.failsWithin);
  const auto failedAt = *s.noStatusAt;
  ASSERT_TRUE(s.until([&] { return s.showsStatus(); }, pollInterval + tolerance));
  auto& spans = s.bridgeFaults[fault.name];
  spans.first.add(seconds(failedAfter));
  spans.second.add(seconds(Clock::now() - failedAt));
  EXPECT_TRUE(s.alive());
}

TEST(Soak, BridgeFaults) {
  auto& s = show();
  for (int round = 1; round <= rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));

    // Down for three seconds, then up again.
    s.bridge.stopListening();
    s.noStatusAt.reset();
    const auto downAt = Clock::now();
    ASSERT_TRUE(s.until([&] { return s.showsNoStatus(); }, pollInterval + tolerance));
    s.bridgeFaults["down"].first.add(seconds(*s.noStatusAt - downAt));
    s.until([] { return false; }, 3s);
    EXPECT_TRUE(s.showsNoStatus());
    s.nextPosition();
    const auto upAt = Clock::now();
    s.bridge.listenAgain();
    ASSERT_TRUE(s.until([&] { return s.showsStatus(); }, pollInterval + tolerance));
    s.bridgeFaults["down"].second.add(seconds(Clock::now() - upAt));
    s.sample("bridge up again");

    // Slow answers: the keys keep their status, polls wait for the answer in flight.
    const auto firstSlow = s.bridge.requests.size();
    s.noStatusAt.reset();
    s.nextPosition();
    s.slow = 2000ms;
    s.until([] { return false; }, 7s);
    s.slow = 0ms;
    Span spacing;
    for (std::size_t i = firstSlow + 1; i < s.bridge.requests.size(); ++i) {
      spacing.add(seconds(s.bridge.requests[i].at - s.bridge.requests[i - 1].at));
    }
    EXPECT_FALSE(s.noStatusAt.has_value()) << "a slow answer is not a failure";
    EXPECT_TRUE(s.showsStatus());
    EXPECT_GE(spacing.count, 2);
    EXPECT_GE(spacing.min, 2.0 - seconds(tolerance));
    EXPECT_LE(spacing.max, 2.0 + seconds(pollInterval + tolerance));
    s.slowSpacing.add(spacing.min);
    s.slowSpacing.add(spacing.max);
    s.until([] { return false; }, 2500ms);  // the last slow answer lands

    for (const auto& fault : bridgeFaults()) runBridgeFault(s, fault);
    s.sample("after bridge faults");
  }
  print("bridge answering after 2 s: no failure, status requests " + s.slowSpacing.text() + " apart");
  for (const auto& [name, spans] : s.bridgeFaults) {
    print("bridge " + name + ": failing after " + spans.first.text() + ", right pictures after " + spans.second.text());
  }
}

// Keys appear and disappear faster than the host takes their pictures; once the backlog has gone
// out, resident memory returns to where it rested within a few seconds.
TEST(Soak, MemoryReturnsAfterABurstOfKeys) {
  auto& s = show();
  const auto rest = s.quietSample("before the burst").rssKB;
  for (int i = 0; i < 20000; ++i) {
    const auto key = "burst" + std::to_string(i);
    s.host.latest()->send(willAppear(key, DeckActionKind::stop));
    s.host.latest()->send(hostEvent("willDisappear", key));
  }
  // Host messages are handled in order: this key's picture goes out behind the burst's (or with the
  // next redraw, when the queue was full).
  s.host.latest()->send(willAppear("after-burst", DeckActionKind::stop));
  std::uint64_t peak = 0;
  ASSERT_TRUE(s.until([&] {
    peak = std::max(peak, residentKilobytes(s.child.pid()));
    return s.pictures.count("after-burst") == 1;
  }, 60s));
  const auto drainedAt = Clock::now();
  std::uint64_t after = 0;
  s.until([&] { return (after = residentKilobytes(s.child.pid())) <= rest + 1024; }, 5s);
  print("burst of 20000 keys: RSS at rest " + std::to_string(rest) + " kB, peak " + std::to_string(peak) + " kB, " +
        std::to_string(after) + " kB " + std::to_string(seconds(Clock::now() - drainedAt)) + " s after draining");
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LE(after, rest + 1024) << "kB";
#endif
  s.host.latest()->send(hostEvent("willDisappear", "after-burst"));
}

TEST(Soak, ResourcesReturnToTheWarmUpBaseline) {
  auto& s = show();
  ASSERT_TRUE(s.alive());
  // Let memory the faults released settle before the quiet sample.
  s.until([] { return false; }, 2s);
  const auto end = s.quietSample("end");
  print("end RSS " + std::to_string(end.rssKB) + " kB (warm-up " + std::to_string(s.warm.rssKB) + " kB, peak " +
        std::to_string(s.peakRSS) + " kB), fds " + std::to_string(end.fds) + " (warm-up " + std::to_string(s.warm.fds) +
        ", peak " + std::to_string(s.peakFds) + "), samples " + std::to_string(s.samples));
  const auto rssDelta = std::int64_t(end.rssKB) - std::int64_t(s.warm.rssKB);
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer holds freed memory back to catch late use, so resident memory says nothing
  // here; in this build the leak checks of the in-process tests speak for memory instead.
  (void)rssDelta;
#else
  EXPECT_LE(std::abs(rssDelta), 1024) << "kB";
#endif
  // The host connection and at most one bridge connection, in flight or idle.
  EXPECT_LE(end.fds, s.warm.fds + 1);
  EXPECT_GE(end.fds + 1, s.warm.fds);
  EXPECT_LE(end.sockets, 2u);
  EXPECT_TRUE(s.alive());
  EXPECT_EQ(s.child.stderrText(), "");
}

}  // namespace
