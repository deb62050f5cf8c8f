#include "app/vantry_pro_deck_plugin.hpp"
#include "bridge/bridge_replies.hpp"

#include <chrono>
#include <utility>

namespace vantry {

namespace {
constexpr auto firstPollDelay = std::chrono::milliseconds(400);
constexpr auto pollInterval = std::chrono::milliseconds(900);
}  // namespace

void VantryProDeckPlugin::startStatusPolling() {
  if (statusTimer) return;
  auto timer = RepeatingTimer::create(queue.context(), firstPollDelay, pollInterval, [weak = weak_from_this()] {
    if (const auto self = weak.lock()) self->pollStatusAndRender();
  });
  timer->resume();
  statusTimer = std::move(timer);
}

boost::urls::url VantryProDeckPlugin::statusAddress(boost::urls::url_view base) {
  boost::urls::url address(base);
  address.segments().push_back("status");
  return address;
}

void VantryProDeckPlugin::pollStatusAndRender() {
  // Dropped, not queued: the reply in flight redraws the keys.
  if (isPollingStatus) return;
  isPollingStatus = true;
  urlSession.dataTask(statusURL_, [weak = weak_from_this()](HttpReply reply) {
    const auto self = weak.lock();
    if (!self) return;
    self->queue.submit([self, reply = std::move(reply)]() mutable { self->applyStatusReply(std::move(reply)); });
  });
}

void VantryProDeckPlugin::applyStatusReply(HttpReply reply) {
  isPollingStatus = false;
  // A failed poll never keeps an older status: the keys must not show a state that may be gone. An
  // answer that is the very text the held status came from (a paused clip) is not decoded again.
  if (!latestStatus || !isSuccessStatus(reply) || reply.body != latestStatusText) latestStatus = statusFromReply(reply);
  latestStatusText = latestStatus ? std::move(reply.body) : std::nullopt;
  offBeat_ = !offBeat_;
  renderAllContexts();
  renderAllDials();
  reply.body.reset();  // the connection line needs only how it went
  lastPollReply_ = std::move(reply);
  updateConnectionReport(std::exchange(checkNowAsked_, false));
}

}  // namespace vantry
