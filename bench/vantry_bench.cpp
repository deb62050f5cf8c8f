// Measures the plugin executable as a host runs it: CPU per poll cycle, resident memory, start-up
// to registration and keyDown-to-acknowledgement latency, with a bridge that answers at once.
#include "kit/child_process.hpp"
#include "kit/options.hpp"
#include "kit/process_stats.hpp"
#include "platform/repeating_timer.hpp"
#include "support/plugin_harness.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numeric>

#include <unistd.h>

using namespace vantry;
using namespace vantry::test;
using vantry::kit::ChildProcess;
using namespace std::chrono_literals;

namespace {

struct Options {
  std::string plugin;
  int keys = 32;
  int dials = 0;
  int cycles = 20;
  int presses = 50;
  int timerTicks = 1000;
  int timerIntervalMs = 20;
  std::string settings;  // every runtime key's and dial's, as JSON
};

const char* const usage =
    "usage: vantry-bench --plugin PATH [--keys N] [--dials N] [--cycles N] [--presses N] [--timer-ticks N]\n"
    "                    [--timer-interval-ms N] [--settings JSON]\n";

std::vector<kit::Option> benchOptions(Options& o) {
  return {kit::textOption("--plugin", "the plugin's path", o.plugin),
          kit::numberOption("--keys", "a number of keys from 1 to 10000", o.keys, 1, 10000),
          kit::numberOption("--dials", "a number of dials from 0 to 10000", o.dials, 0, 10000),
          kit::numberOption("--cycles", "a number of poll cycles from 1 to 100000", o.cycles, 1, 100000),
          kit::numberOption("--presses", "a number of presses from 0 to 100000", o.presses, 0, 100000),
          kit::numberOption("--timer-ticks", "a number of ticks from 0 to 1000000", o.timerTicks, 0, 1000000),
          kit::numberOption("--timer-interval-ms", "milliseconds from 1 to 10000", o.timerIntervalMs, 1, 10000),
          kit::textOption("--settings", "the runtime keys' and dials' settings as a JSON object", o.settings)};
}

double ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The CPU time per cycle of the least client that does the same cycle (vantry-bench-floor, beside
// this program): the same status request on a kept-alive connection and the same messages written
// to the same stand-in host. Nothing when it could not run.
std::optional<double> floorCostPerCycle(boost::asio::io_context& context, const std::filesystem::path& floorProgram,
                                        const std::vector<std::string>& messages, unsigned short hostPort,
                                        unsigned short bridgePort, int cycles) {
  const auto file = std::filesystem::temp_directory_path() / ("vantry-floor-" + std::to_string(::getpid()) + ".txt");
  {
    std::ofstream out(file);
    for (const auto& message : messages) out << message << '\n';
  }
  ChildProcess floor(context, {floorProgram.string(), "--host-port", std::to_string(hostPort), "--bridge-port",
                               std::to_string(bridgePort), "--messages", file.string(), "--cycles", std::to_string(cycles)});
  runUntil(context, [&] { return floor.exitCode().has_value(); }, std::chrono::seconds(cycles * 2 + 10));
  std::filesystem::remove(file);
  double perCycle = 0;
  if (floor.exitCode() != 0 || std::sscanf(floor.errorText().c_str(), "floor cpu per cycle: %lf", &perCycle) != 1) {
    return std::nullopt;
  }
  return perCycle;
}

// How late the repeating timer's ticks come against their due times, on an otherwise idle context.
void measureTimer(int ticks, std::chrono::milliseconds interval) {
  boost::asio::io_context context;
  std::vector<double> lateness;
  const auto firstDelay = interval;
  const auto start = std::chrono::steady_clock::now();
  auto timer = RepeatingTimer::create(context, firstDelay, interval, [&] {
    const auto due = start + firstDelay + interval * std::int64_t(lateness.size());
    lateness.push_back(ms(std::chrono::steady_clock::now() - due));
    if (int(lateness.size()) == ticks) context.stop();
  });
  timer->resume();
  context.run();
  std::vector<double> sorted = lateness;
  std::sort(sorted.begin(), sorted.end());
  const auto [earliest, latest] = std::minmax_element(lateness.begin(), lateness.end());
  std::printf("timer over %zu ticks of %lld ms: median %.3f ms late, largest deviation %.3f ms (earliest %.3f ms)\n",
              lateness.size(), static_cast<long long>(interval.count()), sorted[sorted.size() / 2],
              std::max(std::abs(*earliest), std::abs(*latest)), *earliest);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const auto exit = kit::takeArguments(argc, argv, "vantry-bench", usage, benchOptions(options))) return *exit;
  boost::system::error_code invalid;
  const auto given = boost::json::parse(options.settings.empty() ? "{}" : options.settings, invalid);
  if (invalid || !given.is_object()) {
    std::fprintf(stderr, "vantry-bench: --settings wants a JSON object\n%s", usage);
    return 2;
  }
  const auto& settings = given.as_object();
  if (options.plugin.empty()) {
    std::fprintf(stderr, "%s", usage);
    return 2;
  }
  boost::asio::io_context context;
  TestHostServer host(context);
  std::vector<std::chrono::steady_clock::time_point> actionRepliesAt;
  TestBridgeServer bridge(
      context,
      [&](const std::string& target) {
        if (target.rfind("/action", 0) == 0) {
          actionRepliesAt.push_back(std::chrono::steady_clock::now());
          return ScriptedReply{httpResponse(200, R"({"ok":true,"message":"done"})")};
        }
        return statusReply();
      },
      48187);
  // A bridge that keeps its connections open, as an HTTP/1.1 server does by default.
  bridge.keepConnections = true;

  const auto spawnedAt = std::chrono::steady_clock::now();
  std::optional<ChildProcess> child(std::in_place, context, launchArguments(options.plugin, host.port()));
  if (!child->started() || !runUntil(context, [&] { return host.latest() && !host.latest()->received.empty(); })) {
    std::fprintf(stderr, "the plugin did not register\n");
    return 1;
  }
  const auto pid = static_cast<pid_t>(child->id());
  auto& connection = *host.latest();
  const auto registration = connection.received.front().at - spawnedAt;

  // Keys of every kind, as a full deck would show them.
  for (int i = 0; i < options.keys; ++i) {
    const auto kind = allDeckActionKinds[std::size_t(i) % allDeckActionKinds.size()];
    connection.send(willAppear("key-" + std::to_string(i), kind, kind == DeckActionKind::runtime ? settings : boost::json::object{}));
  }
  for (int i = 0; i < options.dials; ++i) {
    connection.send(willAppear("dial-" + std::to_string(i), transportDialIdentifier(), settings));
  }
  const auto polls = [&] { return bridge.count("/status"); };
  runUntil(context, [&] { return polls() >= 3; }, 10s);  // warm-up

  const auto warmRss = kit::statusKilobytes(pid, "VmRSS");
  const auto firstPoll = polls();
  const auto cpuBefore = kit::cpuNanoseconds(pid);
  const auto ticksBefore = kit::userSystemTicks(pid);
  runUntil(context, [&] { return polls() >= firstPoll + std::size_t(options.cycles); }, std::chrono::seconds(options.cycles * 2));
  // Let the last cycle's redraw finish before reading the clock again.
  runFor(context, 200ms);
  const auto cpuAfter = kit::cpuNanoseconds(pid);
  const auto ticksAfter = kit::userSystemTicks(pid);
  const auto cycles = polls() - firstPoll;
  // The last measured cycle's messages, for the floor to write.
  std::vector<std::string> lastCycle;
  const auto lastPoll = std::find_if(bridge.requests.rbegin(), bridge.requests.rend(),
                                     [](const auto& request) { return request.target == "/status"; })->at;
  for (const auto& received : connection.received) {
    if (received.at > lastPoll) lastCycle.push_back(received.text);
  }

  // Presses on the stop key, each waiting for its mark; only messages not yet seen are scanned.
  std::vector<double> latencies;
  std::vector<double> pressLatencies;
  std::size_t scanned = connection.received.size();
  for (int i = 0; i < options.presses; ++i) {
    const auto pressedAt = std::chrono::steady_clock::now();
    connection.send(R"({"event":"keyDown","context":"key-1"})");
    std::optional<std::chrono::steady_clock::time_point> markAt;
    const bool marked = runUntil(context, [&] {
      for (; scanned < connection.received.size() && !markAt; ++scanned) {
        const auto& r = connection.received[scanned];
        if (r.text.find(R"("event":"showOk")") != std::string::npos) markAt = r.at;
      }
      return markAt.has_value();
    }, 5s);
    if (!marked) break;
    latencies.push_back(ms(*markAt - actionRepliesAt.back()));
    pressLatencies.push_back(ms(*markAt - pressedAt));
  }
  std::sort(latencies.begin(), latencies.end());
  std::sort(pressLatencies.begin(), pressLatencies.end());

  std::printf("keys: %d, dials: %d\n", options.keys, options.dials);
  std::printf("poll cycles measured: %zu\n", cycles);
  const double perCycle = double(cpuAfter - cpuBefore) / 1e6 / double(cycles);
  std::printf("cpu per poll cycle: %.3f ms\n", perCycle);
  const auto user = double(ticksAfter.user - ticksBefore.user);
  const auto system = double(ticksAfter.system - ticksBefore.system);
  if (user + system > 0) std::printf("of which in the kernel: %.0f %%\n", 100.0 * system / (user + system));
  std::printf("resident memory after warm-up: %.2f MiB\n", double(warmRss) / 1024.0);
  std::printf("resident memory at end: %.2f MiB (peak %.2f MiB)\n",
              double(kit::statusKilobytes(pid, "VmRSS")) / 1024.0,
              double(kit::statusKilobytes(pid, "VmHWM")) / 1024.0);
  std::printf("start-up to registration: %.2f ms\n", ms(registration));
  if (!latencies.empty()) {
    std::printf("bridge reply to acknowledgement: median %.3f ms, max %.3f ms over %zu presses\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size());
    std::printf("keyDown to acknowledgement: median %.3f ms, max %.3f ms\n", pressLatencies[pressLatencies.size() / 2],
                pressLatencies.back());
  }
  std::printf("bridge connections opened: %zu for %zu requests\n", bridge.connectionsAccepted, bridge.requests.size());
  std::fflush(stdout);
  // The floor runs alone, as the plugin did.
  child.reset();
  const auto floor = floorCostPerCycle(context, std::filesystem::path(argv[0]).parent_path() / "vantry-bench-floor", lastCycle,
                                       host.port(), bridge.port(), options.cycles);
  if (floor) {
    std::printf("floor cpu per cycle: %.3f ms for %zu messages; the plugin: %.2f x the floor\n", *floor, lastCycle.size(),
                perCycle / *floor);
  } else {
    std::printf("floor: could not be measured\n");
  }
  std::fflush(stdout);
  if (options.timerTicks > 0) measureTimer(options.timerTicks, std::chrono::milliseconds(options.timerIntervalMs));
  return 0;
}
