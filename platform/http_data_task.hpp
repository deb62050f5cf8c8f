#pragma once

#include "platform/http_connection_pool.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/url/url_view.hpp>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantry {

// Why a GET has no complete response: nothing listened (the connection was refused), nothing
// complete came in time or before the connection ended, or what came was not HTTP within bounds.
enum class HttpFailure { none, refused, noAnswer, badReply };

// The outcome of one GET: the status code when a complete response arrived (else none and why),
// and its body, present (possibly empty) exactly when the status code is.
struct HttpReply {
  std::optional<unsigned> statusCode;
  std::optional<std::string> body;
  HttpFailure failure = HttpFailure::none;
};

struct HttpLimits {
  // From connect to the last byte of the body; a request still running then has failed.
  std::chrono::steady_clock::duration timeout = std::chrono::seconds(10);
  std::size_t bodyLimitBytes = 1024 * 1024;
  // What the parser may hold at once: the header block, a chunk's size line with its extensions,
  // the trailer. Twice the 8 KiB header limit; a reply that needs more has failed.
  std::size_t readBufferBytes = 16 * 1024;
};

using HttpCompletion = std::function<void(HttpReply)>;

// A plain GET of the address (IP literal host, port, path and query), with no headers beyond what
// HTTP/1.1 needs. With a pool, an idle connection to the same endpoint is used when there is one,
// the request goes out once more on a new connection when that one turns out closed, and the
// connection is left there afterwards when the server keeps it open: only for requests that change
// nothing. Without one, every request has a connection of its own and goes out exactly once. The
// completion runs exactly once, on the context.
void startHttpGet(boost::asio::io_context& context, boost::urls::url_view address, HttpCompletion completion,
                  HttpLimits limits = {}, std::shared_ptr<HttpConnectionPool> pool = nullptr);

}  // namespace vantry
