#pragma once

#include <boost/asio/async_result.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/bind_handler.hpp>
#include <boost/beast/core/role.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/teardown.hpp>
#include "platform/free_memory.hpp"
#include "platform/unfilled_bytes.hpp"
#include "platform/write_at_once.hpp"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace vantry {

// A stream layer under the WebSocket that gathers everything written to it and hands it to the
// socket in as few writes as possible: a redraw of every key is a burst of small messages, and one
// system call per message costs more than drawing them. Written bytes count as sent at once; they
// go out, in order, when the current work item has ended.
class CoalescingStream {
 public:
  using executor_type = boost::beast::tcp_stream::executor_type;

  // More bytes waiting than a redraw of a full deck writes: a backlog, whose memory is given back
  // once it has gone out. Below it the buffers keep their room, so redraws allocate nothing.
  static constexpr std::size_t backlogBytes = 1024 * 1024;

  explicit CoalescingStream(boost::asio::io_context& context) : next_(context) {}
  // A connection that ends with a backlog gives its memory back too; no write is in flight here.
  ~CoalescingStream() {
    if (backlog_) giveBackRoom();
  }

  executor_type get_executor() noexcept { return next_.get_executor(); }
  boost::beast::tcp_stream& next_layer() noexcept { return next_; }

  // Flushing holds the owner, so that the layer outlives its writes.
  void setOwner(std::weak_ptr<void> owner) { owner_ = std::move(owner); }

  // Bytes accepted but not yet taken by the socket.
  std::size_t bufferedBytes() const { return pending_.size() + inflight_.size(); }

  void append(std::string_view bytes) {
    if (auto* at = extend(bytes.size())) std::memcpy(at, bytes.data(), bytes.size());
  }

  // Room for `size` more bytes behind what waits, for the caller to write in place; nothing once
  // the connection has failed.
  char* extend(std::size_t size) {
    if (failed_) return nullptr;
    auto* at = pending_.extend(size);
    backlog_ = backlog_ || bufferedBytes() > backlogBytes;
    scheduleFlush();
    return at;
  }

  // Drops what is buffered and refuses what comes; the connection is over.
  void fail() {
    failed_ = true;
    pending_.clear();
  }

  template <class MutableBuffers, class ReadHandler>
  auto async_read_some(const MutableBuffers& buffers, ReadHandler&& handler) {
    return next_.async_read_some(buffers, std::forward<ReadHandler>(handler));
  }

  template <class ConstBuffers, class WriteHandler>
  auto async_write_some(const ConstBuffers& buffers, WriteHandler&& handler) {
    return boost::asio::async_initiate<WriteHandler, void(boost::system::error_code, std::size_t)>(
        [this](auto completion, const ConstBuffers& data) {
          std::size_t size = 0;
          boost::system::error_code error;
          if (failed_) {
            error = boost::asio::error::broken_pipe;
          } else {
            for (auto it = boost::asio::buffer_sequence_begin(data); it != boost::asio::buffer_sequence_end(data); ++it) {
              const boost::asio::const_buffer b(*it);
              append(std::string_view(static_cast<const char*>(b.data()), b.size()));
              size += b.size();
            }
          }
          boost::asio::post(get_executor(), boost::beast::bind_front_handler(std::move(completion), error, size));
        },
        handler, buffers);
  }

 private:
  void scheduleFlush() {
    if (flushScheduled_ || writing_) return;
    flushScheduled_ = true;
    boost::asio::post(get_executor(), [this, owner = owner_.lock()] {
      flushScheduled_ = false;
      flush();
    });
  }

  void flush() {
    if (writing_ || pending_.empty() || failed_) return;
    inflight_.swap(pending_);
    // A burst the socket has room for leaves in this one call, with no completion to wait for; the
    // rest follows asynchronously, async_write's own completion conditions handing the socket
    // 64 KiB at a time unless told the whole rest.
    boost::system::error_code failure;
    const auto sent = writeAtOnce(next_.socket(), boost::asio::buffer(inflight_.data(), inflight_.size()), failure);
    if (failure || sent == inflight_.size()) return wrote(failure);
    writing_ = true;
    const auto rest = [this, sent](const boost::system::error_code& error, std::size_t written) -> std::size_t {
      return error ? 0 : inflight_.size() - sent - written;
    };
    boost::asio::async_write(next_, boost::asio::buffer(inflight_.data() + sent, inflight_.size() - sent), rest,
                             [this, owner = owner_.lock()](const boost::system::error_code& error, std::size_t) {
                               writing_ = false;
                               wrote(error);
                             });
  }

  void wrote(const boost::system::error_code& error) {
    inflight_.clear();
    if (error) return fail();
    if (pending_.empty() && backlog_) giveBackRoom();
    flush();
  }

  // The buffers' room and the heap pages the backlog freed go back to the system.
  void giveBackRoom() {
    backlog_ = false;
    pending_.release();
    inflight_.release();
    returnFreeMemoryToTheSystem();
  }

  boost::beast::tcp_stream next_;
  std::weak_ptr<void> owner_;
  UnfilledBytes pending_;
  UnfilledBytes inflight_;
  bool writing_ = false;
  bool flushScheduled_ = false;
  bool failed_ = false;
  bool backlog_ = false;
};

// The WebSocket closes the connection through the socket underneath.
template <class TeardownHandler>
void async_teardown(boost::beast::role_type role, CoalescingStream& stream, TeardownHandler&& handler) {
  using boost::beast::async_teardown;
  async_teardown(role, stream.next_layer(), std::forward<TeardownHandler>(handler));
}

}  // namespace vantry
