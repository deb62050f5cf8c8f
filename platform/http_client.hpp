#pragma once

#include "platform/http_data_task.hpp"
#include "platform/websocket_task.hpp"

#include <boost/asio/io_context.hpp>

#include <memory>

namespace vantry {

// The plugin's one HTTP client object: plain GET data tasks and WebSocket tasks, all of whose
// completions run on the client's context.
class HttpClient {
 public:
  explicit HttpClient(boost::asio::io_context& context, HttpLimits limits = {})
      : context_(context), limits_(limits), pool_(std::make_shared<HttpConnectionPool>()) {}

  // For requests that change nothing: they share idle connections to the same endpoint, and one
  // that finds its idle connection closed goes out again on a new one.
  void dataTask(boost::urls::url_view address, HttpCompletion completion) const {
    startHttpGet(context_, address, std::move(completion), limits_, pool_);
  }

  // For commands: a connection of its own, closed afterwards, so the request goes out exactly
  // once; a server that read it and hung up may have acted on it, and a second copy would act again.
  void commandTask(boost::urls::url_view address, HttpCompletion completion) const {
    startHttpGet(context_, address, std::move(completion), limits_);
  }

  std::shared_ptr<WebSocketTask> webSocketTask(boost::urls::url_view address) const {
    return WebSocketTask::create(context_, address);
  }

 private:
  boost::asio::io_context& context_;
  HttpLimits limits_;
  std::shared_ptr<HttpConnectionPool> pool_;
};

}  // namespace vantry
