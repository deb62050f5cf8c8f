// The bridge client's handling of whatever bytes a server on loopback answers with: each input is
// the whole answer to one GET, after which the server closes. The reply then goes where the plugin
// sends it: status decoding and the outcome of a key press.
#include "bridge/bridge_replies.hpp"
#include "loopback_reply_server.hpp"
#include "platform/http_data_task.hpp"

#include <boost/url/url.hpp>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr vantry::HttpLimits limits{200ms, 16 * 1024};

struct Fixture {
  boost::asio::io_context context;
  vantry::fuzz::LoopbackReplyServer server{context};
  boost::urls::url address{"http://127.0.0.1:" + std::to_string(server.port()) + "/status"};
};

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_http_reply: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture f;
  f.server.reply.assign(reinterpret_cast<const char*>(data), size);

  int completions = 0;
  vantry::HttpReply reply;
  vantry::startHttpGet(
      f.context, f.address,
      [&](vantry::HttpReply r) {
        ++completions;
        reply = std::move(r);
      },
      limits);

  // The client's own time-out bounds the wait; this deadline only catches a completion that never runs.
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (completions == 0 || f.server.open != 0) {
    if (std::chrono::steady_clock::now() >= deadline) fail("no completion, or the server's connection stayed open");
    f.context.restart();
    f.context.run_one_for(10ms);
  }
  f.context.restart();
  f.context.poll();
  if (completions != 1) fail("completion ran more than once");
  if (reply.statusCode.has_value() != reply.body.has_value()) fail("status code and body disagree");
  if (reply.body && reply.body->size() > limits.bodyLimitBytes) fail("body above the limit");

  const auto status = vantry::statusFromReply(reply);
  const bool outcome = vantry::actionOutcome(reply);
  if (status && !(*reply.statusCode >= 200 && *reply.statusCode < 300)) fail("status from a non-2xx reply");
  static_cast<void>(outcome);
  return 0;
}
