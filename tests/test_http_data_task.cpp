#include "platform/http_data_task.hpp"
#include "support/run_until.hpp"
#include "support/test_bridge_server.hpp"

#include <gtest/gtest.h>

#include <boost/url/parse.hpp>

#include <optional>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;

namespace {

struct Fetch {
  std::optional<HttpReply> reply;
  std::chrono::steady_clock::duration took{};
};

Fetch fetch(boost::asio::io_context& context, const std::string& address, HttpLimits limits = {},
            std::chrono::seconds wait = 5s, std::shared_ptr<HttpConnectionPool> pool = nullptr) {
  Fetch result;
  const auto started = std::chrono::steady_clock::now();
  startHttpGet(context, boost::urls::parse_uri(address).value(), [&](HttpReply reply) {
    result.reply = std::move(reply);
    result.took = std::chrono::steady_clock::now() - started;
  }, limits, std::move(pool));
  EXPECT_TRUE(runUntil(context, [&] { return result.reply.has_value(); }, wait)) << address;
  return result;
}

std::string chunked(const std::vector<std::string>& chunks) {
  std::string out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (const auto& c : chunks) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx", c.size());
    out += std::string(size) + "\r\n" + c + "\r\n";
  }
  return out + "0\r\n\r\n";
}

TEST(HttpDataTask, ReadsEveryBodyFramingAndFailsOnBrokenReplies) {
  const std::string oneMiB(1024 * 1024, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<unsigned> status;  // nothing: the request failed
    std::string body;
  };
  const std::vector<Case> cases = {
      {"content_length", httpResponse(200, "{\"ok\":true}"), 200, "{\"ok\":true}"},
      {"chunked", chunked({"{\"ok\"", ":true}"}), 200, "{\"ok\":true}"},
      {"close_delimited", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end", 200, "until the end"},
      {"no_content_204", "HTTP/1.1 204 No Content\r\n\r\n", 204, ""},
      {"not_modified_304", "HTTP/1.1 304 Not Modified\r\nContent-Length: 20\r\n\r\n", 304, ""},
      {"server_error", httpResponse(500, "oops", "Internal Server Error"), 500, "oops"},
      {"body_at_limit", httpResponse(200, oneMiB), 200, oneMiB},
      {"body_over_limit", httpResponse(200, oneMiB + "x"), std::nullopt, ""},
      {"chunked_over_limit", chunked({oneMiB, "x"}), std::nullopt, ""},
      {"huge_header_block", "HTTP/1.1 200 OK\r\nX-Fill: " + oneMiB + "\r\nContent-Length: 0\r\n\r\n", std::nullopt, ""},
      {"broken_status_line", "HTTP/1.1 2OO OK\r\nContent-Length: 0\r\n\r\n", std::nullopt, ""},
      {"garbage", "hello there\r\n\r\n", std::nullopt, ""},
      {"nothing_at_all", "", std::nullopt, ""},
      {"closed_mid_body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b", std::nullopt, ""},
      {"closed_mid_chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc", std::nullopt, ""},
  };
  boost::asio::io_context context;
  std::string current;
  TestBridgeServer bridge(context, [&](const std::string&) { return ScriptedReply{current}; });
  for (const auto& c : cases) {
    current = c.bytes;
    const auto result = fetch(context, bridge.baseURL() + "/status");
    ASSERT_TRUE(result.reply) << c.name;
    EXPECT_EQ(result.reply->statusCode, c.status) << c.name;
    EXPECT_EQ(result.reply->body.has_value(), c.status.has_value()) << c.name;
    if (c.status && result.reply->body) {
      EXPECT_EQ(*result.reply->body, c.body) << c.name;
    }
  }
}

TEST(HttpDataTask, SendsAPlainGetWithOnlyTheHostHeader) {
  boost::asio::io_context context;
  TestBridgeServer bridge(context, [](const std::string&) { return ScriptedReply{httpResponse(200, "{}")}; });
  fetch(context, bridge.baseURL() + "/action?action=play_pause");
  ASSERT_EQ(bridge.requests.size(), 1u);
  EXPECT_EQ(bridge.requests[0].rawHead,
            "GET /action?action=play_pause HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(bridge.port) + "\r\n\r\n");
}

TEST(HttpDataTask, RefusedConnectionFails) {
  boost::asio::io_context context;
  unsigned short closedPort = 0;
  {
    TestBridgeServer gone(context, [](const std::string&) { return ScriptedReply{}; });
    closedPort = gone.port;
  }
  const auto result = fetch(context, "http://127.0.0.1:" + std::to_string(closedPort) + "/status");
  ASSERT_TRUE(result.reply);
  EXPECT_FALSE(result.reply->statusCode);
}

TEST(HttpDataTask, ExchangeThatOutlivesTheDeadlineFails) {
  boost::asio::io_context context;
  const HttpLimits limits{300ms, 1024 * 1024};
  struct Case {
    const char* name;
    ScriptedReply reply;
  };
  // A reply that never comes, and one that starts in time but drips past the deadline.
  const Case cases[] = {
      {"never_answers", ScriptedReply{"", 0ms, true}},
      {"answers_too_late", ScriptedReply{httpResponse(200, "{}"), 800ms}},
  };
  for (const auto& c : cases) {
    TestBridgeServer bridge(context, [&](const std::string&) { return c.reply; });
    const auto result = fetch(context, bridge.baseURL() + "/status", limits);
    ASSERT_TRUE(result.reply) << c.name;
    EXPECT_FALSE(result.reply->statusCode) << c.name;
    EXPECT_GE(result.took, 290ms) << c.name;
    EXPECT_LT(result.took, 3s) << c.name;
  }
}

TEST(HttpDataTask, PoolReusesConnectionsOnlyWhileTheyServe) {
  const auto oneAnswer = httpResponse(200, "{}");
  struct Case {
    const char* name;
    bool serverKeepsConnections;
    std::string reply;
    std::chrono::milliseconds maxIdle;
    std::size_t connections;  // for five requests, all of which must succeed
  };
  const Case cases[] = {
      {"kept_alive", true, oneAnswer, 2000ms, 1},
      // Each pooled connection is found closed at its next use and the request goes out again.
      {"closed_by_server_after_each", false, oneAnswer, 2000ms, 5},
      {"server_says_close", true, "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\n{}", 2000ms, 5},
      {"idle_too_long", true, oneAnswer, 0ms, 5},
  };
  for (const auto& c : cases) {
    boost::asio::io_context context;
    TestBridgeServer bridge(context, [&](const std::string&) { return ScriptedReply{c.reply}; });
    bridge.keepConnections = c.serverKeepsConnections;
    const auto pool = std::make_shared<HttpConnectionPool>(c.maxIdle);
    for (int i = 0; i < 5; ++i) {
      if (c.maxIdle == 0ms) runFor(context, 5ms);
      const auto result = fetch(context, bridge.baseURL() + "/status", {}, 5s, pool);
      ASSERT_TRUE(result.reply) << c.name;
      EXPECT_EQ(result.reply->statusCode, 200u) << c.name << " request " << i;
    }
    EXPECT_EQ(bridge.requests.size(), 5u) << c.name;
    EXPECT_EQ(bridge.connectionsAccepted, c.connections) << c.name;
  }
}

TEST(HttpDataTask, ReusedConnectionThatFailsAfterTheRequestArrivedIsNotRetried) {
  // Once the server has begun to answer, or has held the request to the deadline, the failure stands.
  struct Case {
    const char* name;
    ScriptedReply second;
  };
  const Case cases[] = {
      {"closed_mid_body", ScriptedReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b"}},
      {"never_answers", ScriptedReply{"", 0ms, true}},
  };
  for (const auto& c : cases) {
    boost::asio::io_context context;
    int served = 0;
    TestBridgeServer bridge(context, [&](const std::string&) {
      return ++served == 1 ? ScriptedReply{httpResponse(200, "{}")} : c.second;
    });
    bridge.keepConnections = true;
    const auto pool = std::make_shared<HttpConnectionPool>();
    fetch(context, bridge.baseURL() + "/status", {}, 5s, pool);
    const auto result = fetch(context, bridge.baseURL() + "/status", {300ms, 1024}, 5s, pool);
    ASSERT_TRUE(result.reply) << c.name;
    EXPECT_FALSE(result.reply->statusCode) << c.name;
    EXPECT_EQ(bridge.requests.size(), 2u) << c.name;
    EXPECT_EQ(bridge.connectionsAccepted, 1u) << c.name;
    EXPECT_EQ(pool->idleCount(), 0u) << c.name;
  }
}

}  // namespace
