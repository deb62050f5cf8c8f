#include "bridge_routes.hpp"

#include "bridge_replies_json.hpp"

#include <boost/json/serialize.hpp>
#include <boost/url/parse.hpp>

#include <iostream>

namespace vantry::sim {

namespace http = boost::beast::http;

RouteAnswer answerRequest(SimulatedApplication& application, std::string_view method, std::string_view target,
                          Clock::time_point now) {
  if (method != "GET") return {405, replyBody(false, "Only GET is served")};
  const auto url = boost::urls::parse_origin_form(target);
  if (!url) return {400, replyBody(false, "Malformed request target")};
  const auto path = url->path();
  if (path == "/status") return {200, boost::json::serialize(statusJson(application.status(now)))};
  if (path != "/action") return {404, replyBody(false, "No such endpoint: " + std::string(path))};

  const auto params = url->params();
  const auto found = params.find("action");
  if (found == params.end() || !(*found).has_value || (*found).value.empty()) {
    return {400, replyBody(false, "Missing action")};
  }
  const std::string word = (*found).value;
  const auto result = application.apply(word, now);
  if (!result.known) return {400, replyBody(false, result.message)};
  const auto status = application.status(now);
  return {200, replyBody(result.ok, result.message, &status)};
}

kit::ScriptedReply bridgeReply(SimulatedApplication& application, FaultDice& dice, const SimOptions& options,
                               const kit::HttpRequest& request) {
  const auto fault = dice.next();
  if (options.verbose) {
    std::cerr << request.method_string() << ' ' << request.target()
              << (fault == Fault::hang ? " -> (hang)" : fault == Fault::fail ? " -> 500 (injected)" : "") << '\n';
  }
  if (fault == Fault::hang) return {"", {}, true};
  const auto answer = fault == Fault::fail ? RouteAnswer{500, replyBody(false, "Simulated bridge failure")}
                                           : answerRequest(application, request.method_string(), request.target(),
                                                           Clock::now());
  kit::HttpResponse response(static_cast<http::status>(answer.code), request.version(), answer.body);
  response.set(http::field::server, "vantry-bridge-sim");
  response.set(http::field::content_type, "application/json");
  if (answer.code == 405) response.set(http::field::allow, "GET");
  response.keep_alive(request.keep_alive());
  return {kit::httpBytes(std::move(response)), options.latency};
}

}  // namespace vantry::sim
