#pragma once

#include "platform/prepared_get.hpp"

#include <boost/asio/ip/tcp.hpp>
#include <boost/url/url_view.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace vantry {

// Idle HTTP/1.1 connections kept for the next request to the same endpoint, so that a status poll
// every second does not pay for a new TCP connection each time. At most one per endpoint, and
// none older than `maxIdle`: servers commonly close idle connections after a few seconds, and a
// connection they have closed costs a failed attempt.
class HttpConnectionPool {
 public:
  explicit HttpConnectionPool(std::chrono::steady_clock::duration maxIdle = std::chrono::seconds(2))
      : maxIdle_(maxIdle) {}

  std::optional<boost::asio::ip::tcp::socket> take(const boost::asio::ip::tcp::endpoint& endpoint);
  // The connection's endpoint is the caller's to give: asking the socket would cost a system call.
  void put(boost::asio::ip::tcp::socket socket, const boost::asio::ip::tcp::endpoint& endpoint);

  std::size_t idleCount() const { return idle_.size(); }

  // The request for the address, as prepareGet makes it. Kept for the address asked for last,
  // keyed on its whole text, and replaced when another is asked for: a poll asks for the same one
  // every time.
  std::shared_ptr<const PreparedGet> preparedGet(boost::urls::url_view address);

 private:
  struct Idle {
    boost::asio::ip::tcp::socket socket;
    boost::asio::ip::tcp::endpoint endpoint;
    std::chrono::steady_clock::time_point since;
  };

  std::chrono::steady_clock::duration maxIdle_;
  std::vector<Idle> idle_;
  std::shared_ptr<const PreparedGet> lastPrepared_;
};

}  // namespace vantry
