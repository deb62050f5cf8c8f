#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/url/url_view.hpp>

#include <memory>
#include <string>

namespace vantry {

// A GET as it goes out: where to, and the request's text, a plain GET with no headers beyond what
// HTTP/1.1 needs.
struct PreparedGet {
  std::string address;
  boost::asio::ip::tcp::endpoint endpoint;
  std::string request;
};

// Nothing when the address has no endpoint of its own (see ipEndpoint).
std::shared_ptr<const PreparedGet> prepareGet(boost::urls::url_view address);

}  // namespace vantry
