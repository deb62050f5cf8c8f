#pragma once

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <functional>

namespace vantry::test {

// Serves the context until the condition holds or the deadline passes; true when it held.
inline bool runUntil(boost::asio::io_context& context, const std::function<bool()>& done,
                     std::chrono::steady_clock::duration timeout = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    context.restart();
    context.run_one_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Serves the context for a fixed span, for checks that something does not happen.
inline void runFor(boost::asio::io_context& context, std::chrono::steady_clock::duration span) {
  runUntil(context, [] { return false; }, span);
}

}  // namespace vantry::test
