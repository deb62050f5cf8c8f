#include "platform/websocket_task.hpp"

#include "platform/ip_endpoint.hpp"
#include "platform/websocket_frame.hpp"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_to_string.hpp>

#include <chrono>
#include <cstring>

namespace vantry {

namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;
using tcp = boost::asio::ip::tcp;

namespace {
// Time allowed for the TCP connect alone; the opening handshake has its own limit.
constexpr auto connectTimeout = std::chrono::seconds(30);
constexpr std::size_t keptReadCapacityBytes = 64 * 1024;
constexpr int sendBufferBytes = 512 * 1024;
}  // namespace

std::shared_ptr<WebSocketTask> WebSocketTask::create(boost::asio::io_context& context, boost::urls::url_view address) {
  auto task = std::shared_ptr<WebSocketTask>(new WebSocketTask(context, address));
  task->stream_.next_layer().setOwner(task);
  return task;
}

WebSocketTask::WebSocketTask(boost::asio::io_context& context, boost::urls::url_view address)
    : stream_(context), host_(address.host()), port_(address.port()), endpoint_(ipEndpoint(address)), maskKeys_(std::random_device{}()) {
  stream_.read_message_max(incomingMessageLimitBytes);
}

void WebSocketTask::resume() {
  if (state_ != State::created) return;
  state_ = State::opening;
  if (!endpoint_) {
    boost::asio::post(stream_.get_executor(), [self = shared_from_this()] { self->fail(); });
    return;
  }
  auto& socket = beast::get_lowest_layer(stream_);
  socket.expires_after(connectTimeout);
  socket.async_connect(*endpoint_,
                       [self = shared_from_this()](const boost::system::error_code& e) { self->onConnected(e); });
}

void WebSocketTask::onConnected(const boost::system::error_code& error) {
  refused_ = error == boost::asio::error::connection_refused;
  if (error) return fail();
  beast::get_lowest_layer(stream_).expires_never();
  // Marks and pictures are small and must not wait for the host's delayed acknowledgements.
  boost::system::error_code ignored;
  beast::get_lowest_layer(stream_).socket().set_option(tcp::no_delay(true), ignored);
  // Room in the kernel for a whole redraw of a large deck, which then leaves in one write.
  beast::get_lowest_layer(stream_).socket().set_option(boost::asio::socket_base::send_buffer_size(sendBufferBytes), ignored);
  stream_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
  stream_.async_handshake(host_ + ":" + port_, "/",
                          [self = shared_from_this()](const boost::system::error_code& e) { self->onHandshake(e); });
}

void WebSocketTask::onHandshake(const boost::system::error_code& error) {
  if (error) return fail();
  state_ = State::open;
  for (const auto& text : waiting_) writeFrame(text);
  waiting_.clear();
  waitingBytes_ = 0;
  if (pendingReceive_ && !reading_) readNext();
}

bool WebSocketTask::send(std::string_view text) {
  switch (state_) {
    case State::failed:
      return false;
    case State::open:
      return writeFrame(text);
    case State::created:
    case State::opening:
      if (queuedBytes() + text.size() > outgoingLimitBytes) return false;
      waitingBytes_ += text.size();
      waiting_.emplace_back(text);
      return true;
  }
  return false;
}

// One final, masked text frame. The WebSocket stream only reads; its own control replies go
// through the same layer, between whole frames, which the protocol allows.
bool WebSocketTask::writeFrame(std::string_view text) {
  const auto frameSize = maskedTextFrameSize(text.size());
  if (queuedBytes() + frameSize > outgoingLimitBytes) return false;
  // Framed and masked straight into what waits for the socket.
  auto* out = reinterpret_cast<unsigned char*>(stream_.next_layer().extend(frameSize));
  if (!out) return false;
  writeMaskedTextFrame(out, text, static_cast<std::uint32_t>(maskKeys_()));
  return true;
}

void WebSocketTask::receive(ReceiveCompletion completion) {
  if (state_ == State::failed) {
    boost::asio::post(stream_.get_executor(), [completion = std::move(completion)] { completion(std::nullopt); });
    return;
  }
  pendingReceive_ = std::move(completion);
  if (state_ == State::open && !reading_) readNext();
}

void WebSocketTask::readNext() {
  reading_ = true;
  stream_.async_read(readBuffer_, [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
    self->onRead(e);
  });
}

void WebSocketTask::onRead(const boost::system::error_code& error) {
  reading_ = false;
  if (error) return fail();
  WebSocketMessage message{stream_.got_text(), beast::buffers_to_string(readBuffer_.data())};
  readBuffer_.consume(readBuffer_.size());
  // Host messages are small: one large message must not keep its room for good.
  if (readBuffer_.capacity() > keptReadCapacityBytes) readBuffer_.shrink_to_fit();
  auto completion = std::move(pendingReceive_);
  pendingReceive_ = nullptr;
  if (completion) completion(std::move(message));
}

void WebSocketTask::fail() {
  if (state_ == State::failed) return;
  state_ = State::failed;
  waiting_.clear();
  waitingBytes_ = 0;
  stream_.next_layer().fail();
  boost::system::error_code ignored;
  beast::get_lowest_layer(stream_).socket().close(ignored);
  auto completion = std::move(pendingReceive_);
  pendingReceive_ = nullptr;
  if (completion) completion(std::nullopt);
}

}  // namespace vantry
