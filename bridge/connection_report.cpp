#include "bridge/connection_report.hpp"

namespace vantry {

namespace {

std::string_view verdict(const HttpReply* reply, const std::optional<BridgeStatus>& status) {
  if (!reply) return "not-yet";
  if (status) return "ok";
  if (reply->statusCode) return "bad-reply";  // an error status, or a body that is no status
  switch (reply->failure) {
    case HttpFailure::refused: return "refused";
    case HttpFailure::badReply: return "bad-reply";
    default: return "no-answer";
  }
}

}  // namespace

boost::json::object connectionReport(const HttpReply* lastReply, const std::optional<BridgeStatus>& status,
                                     std::string_view address, std::uint16_t port) {
  boost::json::object report{{"bridge", verdict(lastReply, status)}, {"address", address}, {"port", port}};
  if (lastReply && lastReply->statusCode) report["httpStatus"] = *lastReply->statusCode;
  if (status) {
    report["appName"] = status->appName;
    report["playbackState"] = status->playbackState;
    if (status->selectedClipTitle) report["clipTitle"] = *status->selectedClipTitle;
  }
  return report;
}

}  // namespace vantry
