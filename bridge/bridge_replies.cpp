#include "bridge/bridge_replies.hpp"

namespace vantry {

bool isSuccessStatus(const HttpReply& reply) {
  return reply.statusCode && *reply.statusCode >= 200 && *reply.statusCode < 300;
}

std::optional<BridgeStatus> statusFromReply(const HttpReply& reply) {
  if (!isSuccessStatus(reply) || !reply.body) return std::nullopt;
  return decodeBridgeStatus(*reply.body);
}

bool actionOutcome(const HttpReply& reply) {
  if (reply.body) {
    if (const auto response = decodeBridgeActionResponse(*reply.body)) return response->ok;
  }
  return isSuccessStatus(reply);
}

}  // namespace vantry
