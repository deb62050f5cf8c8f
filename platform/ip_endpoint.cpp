#include "platform/ip_endpoint.hpp"

#include <boost/asio/ip/address.hpp>

#include <charconv>

namespace vantry {

std::optional<boost::asio::ip::tcp::endpoint> ipEndpoint(boost::urls::url_view address) {
  boost::system::error_code error;
  const auto ip = boost::asio::ip::make_address(address.host(), error);
  const auto portText = address.port();
  unsigned short port = 0;
  const auto [end, parseError] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (error || parseError != std::errc() || end != portText.data() + portText.size()) return std::nullopt;
  return boost::asio::ip::tcp::endpoint(ip, port);
}

}  // namespace vantry
