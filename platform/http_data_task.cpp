#include "platform/http_data_task.hpp"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <charconv>
#include <optional>
#include <memory>

namespace vantry {

namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

class HttpGetTask : public std::enable_shared_from_this<HttpGetTask> {
 public:
  HttpGetTask(boost::asio::io_context& context, HttpCompletion completion, HttpLimits limits,
              std::shared_ptr<HttpConnectionPool> pool)
      : context_(context), completion_(std::move(completion)), limits_(limits), pool_(std::move(pool)),
        buffer_(limits.readBufferBytes) {}

  void start(boost::urls::url_view address) {
    boost::system::error_code error;
    const auto ip = boost::asio::ip::make_address(address.host(), error);
    const auto portText = address.port();
    unsigned short port = 0;
    const auto [end, parseError] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error || parseError != std::errc() || end != portText.data() + portText.size()) {
      boost::asio::post(context_, [self = shared_from_this()] { self->finish(false, HttpFailure::badReply); });
      return;
    }
    endpoint_ = tcp::endpoint(ip, port);
    request_.version(11);
    request_.method(http::verb::get);
    const auto target = address.encoded_target();
    request_.target(target.empty() ? "/" : std::string(target));
    request_.set(http::field::host, std::string(address.encoded_host_and_port()));
    // One deadline for the whole exchange, a retry on a fresh connection included.
    deadline_ = std::chrono::steady_clock::now() + limits_.timeout;

    if (auto idle = pool_ ? pool_->take(endpoint_) : std::nullopt) {
      reused_ = true;
      stream_.emplace(std::move(*idle));
      stream_->expires_at(deadline_);
      write();
    } else {
      connect();
    }
  }

 private:
  void connect() {
    reused_ = false;
    stream_.emplace(context_);
    stream_->expires_at(deadline_);
    stream_->async_connect(endpoint_, [self = shared_from_this()](const boost::system::error_code& e) {
      if (e) return self->finish(false, e == boost::asio::error::connection_refused ? HttpFailure::refused
                                                                                   : HttpFailure::noAnswer);
      self->write();
    });
  }

  void write() {
    parser_.emplace();
    parser_->body_limit(limits_.bodyLimitBytes);
    buffer_.clear();
    http::async_write(*stream_, request_,
                      [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
                        if (e) return self->failed(e);
                        self->read();
                      });
  }

  void read() {
    http::async_read(*stream_, buffer_, *parser_,
                     [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
                       if (e) return self->failed(e);
                       self->finish(true);
                     });
  }

  // An idle connection that the server has closed meanwhile fails before a byte of the answer
  // arrives, and so does one whose server read the request and hung up: sent once more on a new
  // one, which only a request that changes nothing can bear (hence only with a pool).
  void failed(const boost::system::error_code& error) {
    if (reused_ && !parser_->got_some() && buffer_.size() == 0 &&
        std::chrono::steady_clock::now() < deadline_) {
      closeStream();
      return connect();
    }
    // The parser's own errors, its bounds among them, say the bytes were no reply of the bridge's;
    // a connection that ended before the reply did only gave no answer.
    const bool cutShort = error == http::error::end_of_stream || error == http::error::partial_message;
    const bool parsing = error.category() == http::make_error_code(http::error::need_more).category();
    finish(false, parsing && !cutShort ? HttpFailure::badReply : HttpFailure::noAnswer);
  }

  void closeStream() {
    boost::system::error_code ignored;
    stream_->socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_->socket().close(ignored);
  }

  void finish(bool complete, HttpFailure failure = HttpFailure::none) {
    HttpReply reply{std::nullopt, std::nullopt, failure};
    if (complete) {
      auto response = parser_->release();
      reply.statusCode = response.result_int();
      reply.body = std::move(response.body());
      // Kept only when the server agreed and sent nothing beyond the answer.
      if (pool_ && response.keep_alive() && buffer_.size() == 0) {
        stream_->expires_never();
        pool_->put(stream_->release_socket());
      } else {
        closeStream();
      }
    } else if (stream_) {
      closeStream();
    }
    auto completion = std::move(completion_);
    completion(std::move(reply));
  }

  boost::asio::io_context& context_;
  HttpCompletion completion_;
  HttpLimits limits_;
  std::shared_ptr<HttpConnectionPool> pool_;
  tcp::endpoint endpoint_;
  std::chrono::steady_clock::time_point deadline_;
  bool reused_ = false;
  std::optional<beast::tcp_stream> stream_;
  http::request<http::empty_body> request_;
  beast::flat_buffer buffer_;
  std::optional<http::response_parser<http::string_body>> parser_;
};

}  // namespace

void startHttpGet(boost::asio::io_context& context, boost::urls::url_view address, HttpCompletion completion,
                  HttpLimits limits, std::shared_ptr<HttpConnectionPool> pool) {
  std::make_shared<HttpGetTask>(context, std::move(completion), limits, std::move(pool))->start(address);
}

}  // namespace vantry
