// The bridge client's handling of whatever bytes a server on loopback answers with: each input is
// the whole answer to one GET, after which the server closes. What the client makes of the bytes
// as they trickle in must be what a parser makes of them all at once; the reply then goes where
// the plugin sends it: status decoding and the outcome of a key press.
#include "bridge/bridge_replies.hpp"
#include "platform/http_data_task.hpp"
#include "support/plugin_harness.hpp"
#include "fuzz_check.hpp"

#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
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

// The status code of the one response at the start of the whole answer, read at once and ended by
// the server's close; nothing when it is not one.
std::optional<unsigned> statusAtOnce(std::string_view answer) {
  namespace http = boost::beast::http;
  http::response_parser<http::string_body> parser;
  parser.body_limit(limits.bodyLimitBytes);
  parser.eager(true);
  boost::system::error_code error;
  while (!parser.is_done() && !error && !answer.empty()) {
    const auto used = parser.put(boost::asio::buffer(answer.data(), answer.size()), error);
    answer.remove_prefix(used);
    if (used == 0 && !error) break;
  }
  if (!parser.got_some()) return std::nullopt;  // a connection closed before a byte ends no reply
  if (!parser.is_done() && (!error || error == http::error::need_more)) {
    error = {};
    parser.put_eof(error);
  }
  if (error || !parser.is_done()) return std::nullopt;
  return parser.get().result_int();
}

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
  // Within the read buffer's bound, where the client must not give up early.
  if (size <= limits.readBufferBytes) check(reply.statusCode == statusAtOnce(f.answer), "read otherwise than at once");
  static_cast<void>(vantry::statusFromReply(reply));
  static_cast<void>(vantry::actionOutcome(reply));
  return 0;
}
