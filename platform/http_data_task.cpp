#include "platform/http_data_task.hpp"
#include "platform/write_at_once.hpp"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>

#include <algorithm>
#include <memory>
#include <optional>

namespace vantry {

namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

class HttpGetTask : public std::enable_shared_from_this<HttpGetTask> {
 public:
  // An idle connection from the pool becomes the task's own; without one, a new one is opened.
  HttpGetTask(boost::asio::io_context& context, HttpCompletion completion, HttpLimits limits,
              std::shared_ptr<HttpConnectionPool> pool, std::shared_ptr<const PreparedGet> get,
              std::optional<tcp::socket> idle)
      : context_(context), completion_(std::move(completion)), limits_(limits), pool_(std::move(pool)),
        get_(std::move(get)), reused_(idle.has_value()), socket_(idle ? std::move(*idle) : tcp::socket(context)),
        deadlineTimer_(context), buffer_(limits.readBufferBytes) {
    // Room for a whole status reply, which then comes in one read rather than in pieces.
    buffer_.reserve(std::min<std::size_t>(4096, limits.readBufferBytes));
  }

  void start() {
    if (!get_) {
      boost::asio::post(context_, [self = shared_from_this()] { self->finish(false, HttpFailure::badReply); });
      return;
    }
    // One deadline for the whole exchange, a retry on a fresh connection included, kept by one
    // timer: at the deadline the connection is closed, which ends whatever waits on it.
    deadlineTimer_.expires_after(limits_.timeout);
    deadlineTimer_.async_wait([self = shared_from_this()](const boost::system::error_code& e) {
      if (!e && !self->finished_) self->closeSocket();
    });

    if (reused_) {
      write();
    } else {
      connect();
    }
  }

 private:
  void connect() {
    reused_ = false;
    // The socket is closed here: new, or closed after a failed reuse. Connecting opens it.
    socket_.async_connect(get_->endpoint, [self = shared_from_this()](const boost::system::error_code& e) {
      if (e) return self->finish(false, e == boost::asio::error::connection_refused ? HttpFailure::refused
                                                                                   : HttpFailure::noAnswer);
      self->write();
    });
  }

  void write() {
    parser_.emplace();
    parser_->body_limit(limits_.bodyLimitBytes);
    buffer_.clear();
    // The request is short and the socket has room: it leaves in this one call, and the answer is
    // awaited at once. What the socket did not take goes the asynchronous way; no byte goes out twice.
    boost::system::error_code error;
    const auto& request = get_->request;
    const auto sent = writeAtOnce(socket_, boost::asio::buffer(request), error);
    if (error) return failed(error);
    if (sent == request.size()) return read();
    boost::asio::async_write(socket_, boost::asio::buffer(request) + sent,
                             [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
                               if (e) return self->failed(e);
                               self->read();
                             });
  }

  // The answer is read when some of it has come, as far as it has: the socket does not block, so a
  // reply still incomplete waits for more. Asking before anything has come would be a read in vain.
  void read() {
    socket_.async_wait(tcp::socket::wait_read, [self = shared_from_this()](const boost::system::error_code& e) {
      if (e) return self->failed(e);
      boost::system::error_code error;
      http::read(self->socket_, self->buffer_, *self->parser_, error);
      if (error == boost::asio::error::would_block) return self->read();
      if (error) return self->failed(error);
      self->finish(true);
    });
  }

  // An idle connection that the server has closed meanwhile fails before a byte of the answer
  // arrives, and so does one whose server read the request and hung up: sent once more on a new
  // one, which only a request that changes nothing can bear (hence only with a pool).
  void failed(const boost::system::error_code& error) {
    if (reused_ && !parser_->got_some() && buffer_.size() == 0 && socket_.is_open()) {
      closeSocket();
      return connect();
    }
    // The parser's own errors, its bounds among them, say the bytes were no reply of the bridge's;
    // a connection that ended before the reply did only gave no answer.
    const bool cutShort = error == http::error::end_of_stream || error == http::error::partial_message;
    const bool parsing = error.category() == http::make_error_code(http::error::need_more).category();
    finish(false, parsing && !cutShort ? HttpFailure::badReply : HttpFailure::noAnswer);
  }

  void closeSocket() {
    boost::system::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
  }

  void finish(bool complete, HttpFailure failure = HttpFailure::none) {
    finished_ = true;
    deadlineTimer_.cancel();
    HttpReply reply{std::nullopt, std::nullopt, failure};
    if (complete) {
      auto response = parser_->release();
      reply.statusCode = response.result_int();
      reply.body = std::move(response.body());
      // Kept only when the server agreed and sent nothing beyond the answer.
      if (pool_ && response.keep_alive() && buffer_.size() == 0) {
        pool_->put(std::move(socket_), get_->endpoint);
      } else {
        closeSocket();
      }
    } else {
      closeSocket();
    }
    auto completion = std::move(completion_);
    completion(std::move(reply));
  }

  boost::asio::io_context& context_;
  HttpCompletion completion_;
  HttpLimits limits_;
  std::shared_ptr<HttpConnectionPool> pool_;
  std::shared_ptr<const PreparedGet> get_;
  bool reused_;
  bool finished_ = false;
  tcp::socket socket_;
  boost::asio::steady_timer deadlineTimer_;
  beast::flat_buffer buffer_;
  std::optional<http::response_parser<http::string_body>> parser_;
};

}  // namespace

void startHttpGet(boost::asio::io_context& context, boost::urls::url_view address, HttpCompletion completion,
                  HttpLimits limits, std::shared_ptr<HttpConnectionPool> pool) {
  // A poll asks for the same address every time: the pool keeps its request ready.
  auto get = pool ? pool->preparedGet(address) : prepareGet(address);
  auto idle = get && pool ? pool->take(get->endpoint) : std::nullopt;
  std::make_shared<HttpGetTask>(context, std::move(completion), limits, std::move(pool), std::move(get), std::move(idle))
      ->start();
}

}  // namespace vantry
