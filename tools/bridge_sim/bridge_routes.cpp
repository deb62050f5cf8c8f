#include "bridge_routes.hpp"

#include <boost/describe/class.hpp>
#include <boost/json/serialize.hpp>
#include <boost/json/value_from.hpp>
#include <boost/url/parse.hpp>

#include <iostream>

namespace vantry {

// The status record under the JSON names the plugin decodes, in its order; an absent clip is null.
BOOST_DESCRIBE_STRUCT(BridgeStatus, (),
                      (bridgeEnabled, bridgePort, appName, bundleIdentifier, role, playbackState, selectedClipID,
                       selectedClipTitle, currentTime, duration, canStartPlaybackNow,
                       syncStartCountdownSecondsRemaining, libraryCount, playlistCount, connectedVisionClients,
                       endlessLoopEnabled, uploadReadyCount, uploadTotalCount, uploadProgressFraction))

}  // namespace vantry

namespace vantry::sim {

namespace http = boost::beast::http;
namespace json = boost::json;

namespace {

kit::HttpResponse jsonResponse(unsigned code, const json::value& body) {
  kit::HttpResponse response(static_cast<http::status>(code), 11, json::serialize(body));
  response.set(http::field::server, "vantry-bridge-sim");
  response.set(http::field::content_type, "application/json");
  if (code == 405) response.set(http::field::allow, "GET");
  return response;
}

// {"ok": ..., "message": ...}, with "status" when given.
kit::HttpResponse reply(unsigned code, bool ok, const std::string& message, const BridgeStatus* status = nullptr) {
  json::object body{{"ok", ok}, {"message", message}};
  if (status) body["status"] = json::value_from(*status);
  return jsonResponse(code, body);
}

}  // namespace

kit::HttpResponse answerRequest(SimulatedApplication& application, std::string_view method, std::string_view target,
                                Clock::time_point now) {
  if (method != "GET") return reply(405, false, "Only GET is served");
  const auto url = boost::urls::parse_origin_form(target);
  if (!url) return reply(400, false, "Malformed request target");
  const auto path = url->path();
  if (path == "/status") return jsonResponse(200, json::value_from(application.status(now)));
  if (path != "/action") return reply(404, false, "No such endpoint: " + std::string(path));

  const auto params = url->params();
  const auto found = params.find("action");
  if (found == params.end() || !(*found).has_value || (*found).value.empty()) {
    return reply(400, false, "Missing action");
  }
  const auto result = application.apply((*found).value, now);
  if (!result.known) return reply(400, false, result.message);
  const auto status = application.status(now);
  return reply(200, result.ok, result.message, &status);
}

kit::ScriptedReply bridgeReply(SimulatedApplication& application, std::mt19937& dice, const SimOptions& options,
                               const kit::HttpRequest& request) {
  // Two rolls, so each percentage holds on its own: hang first, then fail among the rest.
  const bool hang = dice() % 100U < options.hangPercent;
  const bool fail = !hang && dice() % 100U < options.failPercent;
  if (options.verbose) {
    std::cerr << request.method_string() << ' ' << request.target()
              << (hang ? " -> (hang)" : fail ? " -> 500 (injected)" : "") << '\n';
  }
  if (hang) return {"", {}, true};
  auto response = fail ? reply(500, false, "Simulated bridge failure")
                       : answerRequest(application, request.method_string(), request.target(), Clock::now());
  response.version(request.version());
  response.keep_alive(request.keep_alive());
  return {kit::httpBytes(std::move(response)), options.latency};
}

}  // namespace vantry::sim
