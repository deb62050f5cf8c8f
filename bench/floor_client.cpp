// The least a poll cycle can cost, for the benchmark to measure the plugin against: on kept-alive
// connections, one status request with its reply read whole, then the cycle's messages to the host
// masked as a WebSocket client must, in one write; every interval, with nothing else. The messages
// are the plugin's own, one a line. Its CPU time per cycle goes to standard error.
#include "kit/options.hpp"
#include "platform/websocket_frame.hpp"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using tcp = boost::asio::ip::tcp;

namespace {

struct Options {
  int hostPort = 0;
  int bridgePort = 0;
  std::string messages;
  int cycles = 20;
  int intervalMs = 900;
};

double cpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

tcp::socket connected(boost::asio::io_context& context, int port) {
  tcp::socket socket(context);
  socket.connect({boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)});
  socket.set_option(tcp::no_delay(true));
  return socket;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  const auto usage = "usage: vantry-bench-floor --host-port N --bridge-port N --messages FILE [--cycles N] [--interval-ms N]\n";
  if (const auto exit = vantry::kit::takeArguments(
          argc, argv, "vantry-bench-floor", usage,
          {vantry::kit::numberOption("--host-port", "a port", o.hostPort, 1, 65535),
           vantry::kit::numberOption("--bridge-port", "a port", o.bridgePort, 1, 65535),
           vantry::kit::textOption("--messages", "a file of messages, one a line", o.messages),
           vantry::kit::numberOption("--cycles", "a number of cycles from 1 to 100000", o.cycles, 1, 100000),
           vantry::kit::numberOption("--interval-ms", "milliseconds from 1 to 10000", o.intervalMs, 1, 10000)})) {
    return *exit;
  }
  std::vector<std::string> messages;
  std::ifstream file(o.messages);
  for (std::string line; std::getline(file, line);) messages.push_back(line);

  boost::asio::io_context context;
  auto host = connected(context, o.hostPort);
  const std::string port = std::to_string(o.hostPort);
  boost::asio::write(host, boost::asio::buffer("GET / HTTP/1.1\r\nHost: 127.0.0.1:" + port +
                                               "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                               "Sec-WebSocket-Version: 13\r\n\r\n"));
  boost::asio::streambuf handshake;
  boost::asio::read_until(host, handshake, "\r\n\r\n");
  auto bridge = connected(context, o.bridgePort);
  const std::string request = "GET /status HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(o.bridgePort) + "\r\n\r\n";

  std::string reply, frames;
  std::uint32_t key = 0x9e3779b9;
  const auto cycle = [&] {
    boost::asio::write(bridge, boost::asio::buffer(request));
    reply.clear();
    const auto headerEnd = boost::asio::read_until(bridge, boost::asio::dynamic_buffer(reply), "\r\n\r\n");
    const auto length = reply.find("Content-Length: ");
    const std::size_t bodySize = length == std::string::npos ? 0 : std::stoul(reply.substr(length + 16));
    if (reply.size() < headerEnd + bodySize) {
      boost::asio::read(bridge, boost::asio::dynamic_buffer(reply), boost::asio::transfer_exactly(headerEnd + bodySize - reply.size()));
    }
    frames.clear();
    for (const auto& message : messages) {
      key ^= key << 13, key ^= key >> 17, key ^= key << 5;
      const auto at = frames.size();
      frames.resize(at + vantry::maskedTextFrameSize(message.size()));
      vantry::writeMaskedTextFrame(reinterpret_cast<unsigned char*>(frames.data() + at), message, key);
    }
    boost::asio::write(host, boost::asio::buffer(frames));
  };
  const auto interval = std::chrono::milliseconds(o.intervalMs);
  auto due = std::chrono::steady_clock::now();
  for (int warmUp = 0; warmUp < 3; ++warmUp, due += interval) std::this_thread::sleep_until(due), cycle();
  const auto before = cpuMilliseconds();
  for (int n = 0; n < o.cycles; ++n, due += interval) std::this_thread::sleep_until(due), cycle();
  std::fprintf(stderr, "floor cpu per cycle: %.4f ms\n", (cpuMilliseconds() - before) / o.cycles);
  return 0;
}
