// The built plugin against a host and a bridge on loopback that misbehave on purpose: after every
// fault it still runs, reconnects or fails on schedule and draws the right pictures at the next
// poll, and its memory, descriptors and sockets stay put. SOAK_ROUNDS and SOAK_HOST_CLOSES lengthen
// the run (scripts/soak); the defaults make the short one.

#include "kit/process_stats.hpp"
#include "kit/child_process.hpp"
#include "support/plugin_harness.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

int fromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const int value = text ? std::atoi(text) : 0;
  return value > 0 ? value : fallback;
}
const int rounds = fromEnvironment("SOAK_ROUNDS", 1);
const int hostCloses = fromEnvironment("SOAK_HOST_CLOSES", 10);

// The plugin's schedule, and how far the loopback test lets it drift.
constexpr auto pollInterval = 900ms;
constexpr auto bridgeTimeout = 10s;
constexpr auto tolerance = 500ms;

void print(const auto&... pieces) { ((std::cout << "soak: ") << ... << pieces) << std::endl; }

// What /proc shows of the plugin; none of its TCP sockets may listen.
struct Sample {
  std::uint64_t rssKB = 0;
  std::size_t fds = 0, sockets = 0;
};
Sample sample(pid_t pid) {
  const auto proc = "/proc/" + std::to_string(pid);
  Sample s{kit::statusKilobytes(pid, "VmRSS")};
  std::set<std::string> inodes;
  std::error_code error;
  for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", error)) {
    ++s.fds;
    const auto target = std::filesystem::read_symlink(fd.path(), error).string();
    if (target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
  }
  s.sockets = inodes.size();
  for (const char* table : {"/net/tcp", "/net/tcp6"}) {
    std::ifstream file(proc + table);
    std::string line, field, state, inode;
    for (std::getline(file, line); std::getline(file, line);) {
      std::istringstream fields(line);
      fields >> field >> field >> field >> state >> field >> field >> field >> field >> field >> inode;
      EXPECT_FALSE(inodes.count(inode) && state == "0A") << line;
    }
  }
  EXPECT_GT(s.rssKB, 0u);
  return s;
}

// The plugin with 32 keys of every kind (key 0 shows play/pause, key 7 the runtime), a host, and a
// bridge whose every good answer carries a new position, so that an old picture cannot pass.
struct Show {
  void nextPosition() { status["currentTime"] = double(position = position % 100 + 1); }

  // Takes in the pictures the host received since the last look; a new connection starts afresh.
  void pump() {
    if (host.latest() != tracked) tracked = host.latest(), pictures.clear();
    if (!tracked) return;
    for (const auto& s : sentEvents(*tracked, "setImage")) pictures[s.context] = s.picture();
    tracked->received.clear();
  }
  bool until(const std::function<bool()>& done, Clock::duration timeout) {
    return runUntil(context, [&] { return pump(), done(); }, timeout);
  }
  bool shows(const std::string& key, const std::string& text) { return pictures[key].find(text) != std::string::npos; }
  bool showsStatus() {
    char clock[32];
    std::snprintf(clock, sizeof clock, ">%02d:%02d</text>", position / 60, position % 60);
    return shows("0", ">\u275A\u275A</text>") && shows("7", clock);
  }
  // After a fresh answer is drawn, no poll is in flight for a while.
  Sample quietSample() {
    nextPosition();
    EXPECT_TRUE(until([&] { return showsStatus(); }, pollInterval + tolerance));
    return sample(pid());
  }
  // Closes the host connection and takes the next one, 1 s after the close.
  void reconnect() {
    const auto before = host.connections.size();
    const auto closedAt = Clock::now();
    host.latest()->close();
    ASSERT_TRUE(until([&] { return host.connections.size() > before && host.latest()->isOpen(); }, 3s));
    EXPECT_LE(std::chrono::abs(host.latest()->openedAt() - closedAt - 1000ms), tolerance);
  }
  pid_t pid() const { return static_cast<pid_t>(child.id()); }

  boost::asio::io_context context;
  TestHostServer host{context};
  boost::json::object status = fullStatusObject("playing");
  int position = 0;
  std::optional<ScriptedReply> fault;  // the next status request meets this
  TestBridgeServer bridge{context, [this](const std::string& target) {
    auto reply = target == "/status" && fault ? std::move(*fault) : statusReply(status);
    return fault.reset(), reply;
  }, 48187};
  kit::ChildProcess child{context, launchArguments(VANTRY_PLUGIN_EXECUTABLE, host.port())};
  std::shared_ptr<TestHostServer::Connection> tracked;
  std::map<std::string, std::string> pictures;
  Sample warm;
};

Show& show() {
  static Show instance;
  return instance;
}

TEST(Soak, WarmsUp) {
  auto& s = show();
  ASSERT_TRUE(s.until([&] { return s.host.latest() && s.host.latest()->isOpen(); }, 5s));
  for (int i = 0; i < 32; ++i) s.host.latest()->send(willAppear(std::to_string(i), allDeckActionKinds[i % 9]));
  // A few polls and a reconnect first, so that the baseline is the plugin at work.
  s.quietSample();
  s.reconnect();
  for (int i = 0; i < 6; ++i) s.warm = s.quietSample();
}

// Each round: the host closes its connection again and again, then every bridge fault once. The
// status request that meets a fault fails within its span (a hanging bridge only at the time-out),
// the keys show no status, and the next poll draws the right pictures again.
TEST(Soak, HostAndBridgeFaults) {
  auto& s = show();
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n";
  const std::tuple<const char*, ScriptedReply, Clock::duration> faults[] = {
      {"broken status line", {"HTTP/1.1 two hundred\r\n\r\n{}"}, 0s},
      {"header block of 1 MiB", {head + "X-Filler: " + std::string(1 << 20, 'a') + "\r\n\r\n{}"}, 0s},
      {"10 MiB body", {httpResponse(200, std::string(10 << 20, ' '))}, 0s},
      {"endless chunked body", {head + "Transfer-Encoding: chunked\r\n\r\n", 0ms, false,
                                [] { return "10000\r\n" + std::string(0x10000, ' ') + "\r\n"; }, 5ms}, 0s},
      {"body dripping a byte a second", {head + "Content-Length: 1000\r\n\r\n", 0ms, false,
                                         [] { return std::string(" "); }, 1000ms}, bridgeTimeout},
      {"closed mid-body", {head + "Content-Length: 600\r\n\r\n{\"playbackState\":\"play"}, 0s},
      {"hangs", {"", 0ms, true}, bridgeTimeout},
  };
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < hostCloses; ++i) s.reconnect();
    s.quietSample();
    for (const auto& [name, reply, failsAfter] : faults) {
      SCOPED_TRACE(name);
      const auto before = s.bridge.count("/status");
      s.fault = reply;
      ASSERT_TRUE(s.until([&] { return s.bridge.count("/status") > before; }, pollInterval + tolerance));
      const auto requestAt = s.bridge.requests.back().at;
      ASSERT_TRUE(s.until([&] { return s.shows("7", ">--:--</text>"); }, failsAfter + 2 * tolerance));
      const auto failedAfter = Clock::now() - requestAt;
      EXPECT_LE(std::chrono::abs(failedAfter - failsAfter), tolerance);
      s.quietSample();
      print("bridge ", name, ": failing after ", std::chrono::duration<double>(failedAfter).count(), " s");
    }
    s.quietSample();
  }
}

// Keys appear and disappear faster than the host takes their pictures; once the backlog has gone
// out, which a key shown after the burst tells, resident memory returns to where it rested.
TEST(Soak, MemoryReturnsAfterABurstOfKeys) {
  auto& s = show();
  const auto rest = s.quietSample().rssKB;
  for (int i = 0; i < 20000; ++i) {
    const auto key = "burst" + std::to_string(i);
    s.host.latest()->send(willAppear(key, DeckActionKind::stop));
    s.host.latest()->send(R"({"event":"willDisappear","context":")" + key + "\"}");
  }
  s.host.latest()->send(willAppear("after-burst", DeckActionKind::stop));
  std::uint64_t peak = 0, after = 0;
  const auto rss = [&] { return kit::statusKilobytes(s.pid(), "VmRSS"); };
  ASSERT_TRUE(s.until([&] { return peak = std::max(peak, rss()), s.pictures.count("after-burst") == 1; }, 60s));
  s.until([&] { return (after = rss()) <= rest + 1024; }, 5s);
  print("burst of 20000 keys: RSS at rest ", rest, " kB, peak ", peak, " kB, then ", after, " kB");
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LE(after, rest + 1024) << "kB";
#endif
}

TEST(Soak, ResourcesReturnToTheWarmUpBaseline) {
  auto& s = show();
  s.until([] { return false; }, 2s);  // memory the faults released settles
  const auto end = s.quietSample();
  print("RSS ", end.rssKB, " kB against ", s.warm.rssKB, " kB at warm-up, fds ", end.fds, " against ", s.warm.fds);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer holds freed memory back to catch late use: resident memory says nothing there.
  EXPECT_LE(end.rssKB, s.warm.rssKB + 1024);
#endif
  // The host connection and at most one bridge connection, in flight or idle.
  EXPECT_LE(std::max(end.fds, s.warm.fds), std::min(end.fds, s.warm.fds) + 1);
  EXPECT_LE(end.sockets, 2u);
  EXPECT_EQ(s.child.errorText(), "");
}

}  // namespace
