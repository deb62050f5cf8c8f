#pragma once

#include "kit/http_server.hpp"

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace vantry::test {

using kit::httpResponse;
using kit::ScriptedReply;

// The media bridge as the tests stand it in: the kit's server, answering each request's target from
// a script and recording every target with the time it came.
class TestBridgeServer : public kit::HttpServer {
 public:
  using Script = std::function<ScriptedReply(const std::string& target)>;

  struct Request {
    std::string target;
    std::chrono::steady_clock::time_point at;
  };

  // Port 0: a free one.
  TestBridgeServer(boost::asio::io_context& context, Script script, unsigned short fixedPort = 0)
      : kit::HttpServer(context, fixedPort, [this, script = std::move(script)](const kit::HttpRequest& request) {
          requests.push_back({std::string(request.target()), std::chrono::steady_clock::now()});
          return script(requests.back().target);
        }) {}

  std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port()); }
  std::size_t count(const std::string& target) const { return std::ranges::count(requests, target, &Request::target); }

  std::vector<Request> requests;
};

}  // namespace vantry::test
