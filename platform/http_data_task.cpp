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
#include <memory>

namespace vantry {

namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

class HttpGetTask : public std::enable_shared_from_this<HttpGetTask> {
 public:
  HttpGetTask(boost::asio::io_context& context, HttpCompletion completion, HttpLimits limits)
      : stream_(context), completion_(std::move(completion)), limits_(limits) {
    parser_.body_limit(limits_.bodyLimitBytes);
  }

  void start(boost::urls::url_view address) {
    boost::system::error_code error;
    const auto ip = boost::asio::ip::make_address(address.host(), error);
    const auto portText = address.port();
    unsigned short port = 0;
    const auto [end, parseError] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error || parseError != std::errc() || end != portText.data() + portText.size()) {
      boost::asio::post(stream_.get_executor(), [self = shared_from_this()] { self->finish(false); });
      return;
    }
    request_.version(11);
    request_.method(http::verb::get);
    const auto target = address.encoded_target();
    request_.target(target.empty() ? "/" : std::string(target));
    request_.set(http::field::host, std::string(address.encoded_host_and_port()));

    // One deadline for the whole exchange: tcp_stream applies it to every operation that follows.
    stream_.expires_after(limits_.timeout);
    stream_.async_connect(tcp::endpoint(ip, port), [self = shared_from_this()](const boost::system::error_code& e) {
      if (e) return self->finish(false);
      self->write();
    });
  }

 private:
  void write() {
    http::async_write(stream_, request_,
                      [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
                        if (e) return self->finish(false);
                        self->read();
                      });
  }

  void read() {
    http::async_read(stream_, buffer_, parser_,
                     [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
                       self->finish(!e);
                     });
  }

  void finish(bool complete) {
    boost::system::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
    HttpReply reply;
    if (complete) {
      auto response = parser_.release();
      reply.statusCode = response.result_int();
      reply.body = std::move(response.body());
    }
    auto completion = std::move(completion_);
    completion(std::move(reply));
  }

  beast::tcp_stream stream_;
  HttpCompletion completion_;
  HttpLimits limits_;
  http::request<http::empty_body> request_;
  beast::flat_buffer buffer_;
  http::response_parser<http::string_body> parser_;
};

}  // namespace

void startHttpGet(boost::asio::io_context& context, boost::urls::url_view address, HttpCompletion completion,
                  HttpLimits limits) {
  std::make_shared<HttpGetTask>(context, std::move(completion), limits)->start(address);
}

}  // namespace vantry
