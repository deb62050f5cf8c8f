#pragma once

#include <boost/asio/ip/tcp.hpp>

#include <chrono>
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

 private:
  struct Idle {
    boost::asio::ip::tcp::socket socket;
    boost::asio::ip::tcp::endpoint endpoint;
    std::chrono::steady_clock::time_point since;
  };

  std::chrono::steady_clock::duration maxIdle_;
  std::vector<Idle> idle_;
};

}  // namespace vantry
