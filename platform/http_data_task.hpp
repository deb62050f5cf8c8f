#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/url/url_view.hpp>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace vantry {

// The outcome of one GET: the status code when a complete response arrived (else none), and its
// body, present (possibly empty) exactly when the status code is.
struct HttpReply {
  std::optional<unsigned> statusCode;
  std::optional<std::string> body;
};

struct HttpLimits {
  // From connect to the last byte of the body; a request still running then has failed.
  std::chrono::steady_clock::duration timeout = std::chrono::seconds(10);
  std::size_t bodyLimitBytes = 1024 * 1024;
};

using HttpCompletion = std::function<void(HttpReply)>;

// A plain GET of the address (IP literal host, port, path and query) on a connection of its own,
// with no headers beyond what HTTP/1.1 needs. The completion runs exactly once, on the context.
void startHttpGet(boost::asio::io_context& context, boost::urls::url_view address, HttpCompletion completion,
                  HttpLimits limits = {});

}  // namespace vantry
