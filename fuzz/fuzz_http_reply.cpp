// The bridge client's handling of whatever bytes a server on loopback answers with: each input is
// the whole answer to one GET, after which the server closes. The reply then goes where the plugin
// sends it: status decoding and the outcome of a key press.
#include "bridge/bridge_replies.hpp"
#include "platform/http_data_task.hpp"
#include "support/plugin_harness.hpp"
#include "fuzz_check.hpp"

#include <boost/url/url.hpp>

namespace {

using namespace std::chrono_literals;

constexpr vantry::HttpLimits limits{200ms, 16 * 1024};

struct Fixture {
  std::string answer;
  boost::asio::io_context context;
  vantry::test::TestBridgeServer server{context, [this](const std::string&) { return vantry::test::ScriptedReply{answer}; }};
  boost::urls::url address{server.baseURL() + "/status"};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture f;
  f.answer.assign(reinterpret_cast<const char*>(data), size);
  f.server.requests.clear();
  int completions = 0;
  vantry::HttpReply reply;
  vantry::startHttpGet(f.context, f.address, [&](vantry::HttpReply r) { ++completions; reply = std::move(r); }, limits);
  // The client's own time-out bounds the wait; this deadline only catches a completion that never runs.
  check(vantry::test::runUntil(f.context, [&] { return completions > 0 && !f.server.requests.empty(); }), "no completion");
  f.context.restart();
  f.context.poll();
  check(completions == 1, "completion ran more than once");
  check(reply.statusCode.has_value() == reply.body.has_value(), "status code and body disagree");
  check(!reply.body || reply.body->size() <= limits.bodyLimitBytes, "body above the limit");
  const bool success = reply.statusCode >= 200u && reply.statusCode < 300u;
  check(success || !vantry::statusFromReply(reply), "status from a non-2xx reply");
  static_cast<void>(vantry::actionOutcome(reply));
  return 0;
}
