#include "platform/prepared_get.hpp"

#include <boost/asio/ip/address.hpp>

#include <charconv>

namespace vantry {

std::shared_ptr<const PreparedGet> prepareGet(boost::urls::url_view address) {
  boost::system::error_code error;
  const auto ip = boost::asio::ip::make_address(address.host(), error);
  const auto portText = address.port();
  unsigned short port = 0;
  const auto [end, parseError] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (error || parseError != std::errc() || end != portText.data() + portText.size()) return nullptr;
  auto prepared = std::make_shared<PreparedGet>();
  prepared->address = address.buffer();
  prepared->endpoint = {ip, port};
  const auto target = address.encoded_target();
  prepared->request.append("GET ").append(target.empty() ? "/" : target).append(" HTTP/1.1\r\nHost: ");
  prepared->request.append(address.encoded_host_and_port()).append("\r\n\r\n");
  return prepared;
}

}  // namespace vantry
