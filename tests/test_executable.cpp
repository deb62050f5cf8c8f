#include "kit/child_process.hpp"
#include "support/plugin_harness.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;
using kit::ChildProcess;

namespace {

// The plugin built beside the tests, or another build named in the environment together with the
// program that starts it (Wine for a Windows build, QEMU for another CPU's).
std::string fromEnvironment(const char* name, const char* otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? value : otherwise;
}
const std::string executable = fromEnvironment("VANTRY_PLUGIN_EXECUTABLE", VANTRY_PLUGIN_EXECUTABLE);
const std::string launcher = fromEnvironment("VANTRY_PLUGIN_LAUNCHER", "");

std::vector<std::string> command(std::vector<std::string> line) {
  if (!launcher.empty()) line.insert(line.begin(), launcher);
  return line;
}

// Started under Wine by a stand-in host that waits for it, else by a launcher that leaves a second
// later, as a host's wrapper script may: the plugin's parent is gone while its host lives on.
const std::string windowsStandInHost = fromEnvironment("VANTRY_STAND_IN_HOST", "");
std::vector<std::string> fromStandInHost(std::vector<std::string> line) {
  if (!windowsStandInHost.empty()) line.insert(line.begin(), windowsStandInHost);
  line = command(line);
  if (windowsStandInHost.empty()) line.insert(line.begin(), {"/bin/sh", "-c", "\"$@\" & sleep 1", "sh"});
  return line;
}

// The id of the process whose command line is exactly `line` (Wine leaves nulls behind it), or -1.
long runningWith(const std::vector<std::string>& line) {
  std::string wanted;
  for (const auto& argument : line) wanted += argument + '\0';
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream file(entry.path() / "cmdline", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    if (text.substr(0, text.find_last_not_of('\0') + 2) == wanted) return std::stol(entry.path().filename().string());
  }
  return -1;
}

// Refused launch values (which ones, the launch-value tests tell) end the plugin with one line on standard
// error; a WebSocket port it cannot use is reported at once while it keeps running, as it cannot tell its host.
TEST(Executable, ReportsBadLaunchValuesOnStandardError) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{executable}, false}, {{executable, "-port", "70000", "-pluginUUID", "u", "-registerEvent", "r"}, true}};
  for (const auto& [arguments, runsOn] : cases) {
    SCOPED_TRACE(arguments.size() == 1 ? "no arguments" : arguments[2]);
    const std::string message = runsOn ? "VantryProDeckPlugin: invalid websocket URL.\n"
                                       : "VantryProDeckPlugin: missing Stream Deck launch arguments.\n";
    boost::asio::io_context context;
    ChildProcess child(context, command(arguments));
    EXPECT_TRUE(runUntil(context, [&] { return child.errorText().size() >= message.size(); }, 15s));
    runUntil(context, [&] { return child.exitCode().has_value(); }, runsOn ? 1s : 15s);
    EXPECT_EQ(child.exitCode(), runsOn ? std::nullopt : std::optional<int>(1));
    EXPECT_EQ(child.errorText(), message);
  }
}

// Run as a host runs it, with the bridge where the application serves it, from a bundle in a folder
// whose name not every code page can spell. While its host lives, a closed connection is followed by
// a new one, whether the process that started the plugin is still there or not; once the host has
// been killed, its port closed with it, the plugin ends at its next reconnect, with exit status 0.
TEST(Executable, RegistersDrawsPollsAndEndsWithItsHost) {
  namespace fs = std::filesystem;
  const auto bundle = fs::path(VANTRY_TEST_WORK_DIR) / fs::path(u8"Шоу") / "bundle";
  fs::remove_all(bundle);  // what the last run left
  for (const char* folder : {"bin", "assets"}) fs::create_directories(bundle / folder);
  const auto program = bundle / "bin" / fs::path(executable).filename();
  fs::copy_file(executable, program);
  const std::string logo("\x89PNG\r\n\x1a\n\0\x01", 10);
  std::ofstream(bundle / "assets" / "vantry-app-logo.png", std::ios::binary) << logo;
  boost::asio::io_context context;
  TestHostServer host(context);
  TestBridgeServer bridge(context, [](const std::string&) { return statusReply(fullStatusObject("playing")); }, 48187);
  auto line = launchArguments(program.string(), host.port());
  line.insert(line.end(), {"-info", R"({"application":{"platform":"linux"}})"});
  const bool adopts = ChildProcess::adoptOrphans();
  std::optional<ChildProcess> parent(std::in_place, context, fromStandInHost(line));
  ASSERT_TRUE(runUntil(context, [&] { return host.latest() && !host.latest()->received.empty(); }, 15s));
  for (const auto kind : allDeckActionKinds) host.latest()->send(willAppear(std::string(rawValue(kind)), kind));
  // Nine keys drawn at once, then nine more after the first poll.
  ASSERT_TRUE(runUntil(context, [&] { return sentEvents(*host.latest(), "setImage").size() >= 18; }, 3s));
  std::map<std::string, std::string> latest;
  for (const auto& s : sentEvents(*host.latest(), "setImage")) latest[s.context] = s.picture();
  EXPECT_NE(latest[std::string(rawValue(DeckActionKind::playPause))].find(">❚❚</text>"), std::string::npos);
  EXPECT_EQ(latest[std::string(rawValue(DeckActionKind::logo))], logo);

  ASSERT_TRUE(!windowsStandInHost.empty() || runUntil(context, [&] { return parent->exitCode() == 0; }, 3s));
  const auto closedAt = std::chrono::steady_clock::now();
  host.latest()->close();
  ASSERT_TRUE(runUntil(context, [&] { return host.connections.size() == 2 && !host.latest()->received.empty(); }, 4s));
  const auto gap = host.latest()->openedAt() - closedAt;
  EXPECT_TRUE(gap >= 950ms && gap < 1600ms) << gap / 1ms << " ms";
  const auto registration = R"({"event":"registerPlugin","uuid":"0123456789ABCDEF0123456789ABCDEF"})";
  for (const auto& connection : host.connections) EXPECT_EQ(connection->received.front().text, registration);
  EXPECT_EQ(parent->errorText(), "");
  if (!adopts) GTEST_SKIP() << "only Linux hands this process the plugin once its host is gone";
  // The host crashes: its process is killed, and its port and connection close with it.
  parent.reset();
  host.stopListening();
  host.latest()->close();
  // Wine shows the Windows program's own command line; QEMU stands in front of the plugin's.
  const ChildProcess plugin(context, runningWith(windowsStandInHost.empty() ? command(line) : line));
  EXPECT_TRUE(runUntil(context, [&] { return plugin.exitCode() == 0; }, 3s)) << plugin.exitCode().value_or(-1);
}

}  // namespace
