#include "platform/http_connection_pool.hpp"

#include <algorithm>

namespace vantry {

using tcp = boost::asio::ip::tcp;

std::optional<tcp::socket> HttpConnectionPool::take(const tcp::endpoint& endpoint) {
  const auto now = std::chrono::steady_clock::now();
  std::optional<tcp::socket> found;
  for (auto it = idle_.begin(); it != idle_.end();) {
    const bool stale = now - it->since > maxIdle_;
    if (!stale && !found && it->endpoint == endpoint) {
      found.emplace(std::move(it->socket));
      it = idle_.erase(it);
    } else if (stale) {
      it = idle_.erase(it);  // closes it
    } else {
      ++it;
    }
  }
  return found;
}

std::shared_ptr<const PreparedGet> HttpConnectionPool::preparedGet(boost::urls::url_view address) {
  if (!lastPrepared_ || lastPrepared_->address != address.buffer()) lastPrepared_ = prepareGet(address);
  return lastPrepared_;
}

void HttpConnectionPool::put(tcp::socket socket, const tcp::endpoint& endpoint) {
  // The newer connection replaces an older one to the same endpoint.
  std::erase_if(idle_, [&](const Idle& idle) { return idle.endpoint == endpoint; });
  idle_.push_back(Idle{std::move(socket), endpoint, std::chrono::steady_clock::now()});
}

}  // namespace vantry
