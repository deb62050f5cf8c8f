#include "platform/prepared_get.hpp"

#include "platform/ip_endpoint.hpp"

namespace vantry {

std::shared_ptr<const PreparedGet> prepareGet(boost::urls::url_view address) {
  const auto endpoint = ipEndpoint(address);
  if (!endpoint) return nullptr;
  auto prepared = std::make_shared<PreparedGet>();
  prepared->address = address.buffer();
  prepared->endpoint = *endpoint;
  const auto target = address.encoded_target();
  prepared->request.append("GET ").append(target.empty() ? "/" : target).append(" HTTP/1.1\r\nHost: ");
  prepared->request.append(address.encoded_host_and_port()).append("\r\n\r\n");
  return prepared;
}

}  // namespace vantry
