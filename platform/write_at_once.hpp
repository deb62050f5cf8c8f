#pragma once

#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <cstddef>

namespace vantry {

// Writes what the socket takes now, without waiting: the bytes taken, none when it has no room.
// The socket is left non-blocking, so that what follows never waits either; a failure to make it
// so, or to write, is in `error`.
inline std::size_t writeAtOnce(boost::asio::ip::tcp::socket& socket, boost::asio::const_buffer bytes,
                               boost::system::error_code& error) {
  if (!socket.non_blocking()) socket.non_blocking(true, error);
  if (error) return 0;
  const auto sent = socket.write_some(bytes, error);
  if (error == boost::asio::error::would_block) error = {};
  return sent;
}

}  // namespace vantry
