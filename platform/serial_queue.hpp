#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <memory>
#include <utility>

namespace vantry {

// The plugin's serial work queue: one io_context run by one thread, so work items never overlap
// and plugin state needs no locks. Network completions run on the same context and hand their
// results to the queue as work items of their own.
class SerialQueue {
 public:
  explicit SerialQueue(boost::asio::io_context& context) : context_(context) {}

  boost::asio::io_context& context() const { return context_; }

  // A network completion already runs on the queue, as a work item of its own: what it hands
  // over runs at once, without a round through the queue. From anywhere else the item is queued.
  template <class WorkItem>
  void submit(WorkItem&& item) const {
    boost::asio::dispatch(context_, std::forward<WorkItem>(item));
  }

  // Runs the item once the delay has passed on the monotonic clock.
  template <class WorkItem>
  void submitAfter(std::chrono::steady_clock::duration delay, WorkItem&& item) const {
    auto timer = std::make_shared<boost::asio::steady_timer>(context_, delay);
    timer->async_wait([timer, item = std::forward<WorkItem>(item)](const boost::system::error_code& error) mutable {
      if (!error) item();
    });
  }

 private:
  boost::asio::io_context& context_;
};

}  // namespace vantry
