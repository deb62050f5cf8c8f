#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/url/url_view.hpp>

#include <optional>

namespace vantry {

// Where the address points, when its host is an IP literal and its port a number from 0 to 65535;
// the plugin looks up no host names.
std::optional<boost::asio::ip::tcp::endpoint> ipEndpoint(boost::urls::url_view address);

}  // namespace vantry
