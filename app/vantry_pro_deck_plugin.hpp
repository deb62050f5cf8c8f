#pragma once

#include "bridge/bridge_records.hpp"
#include "bridge/dial_turns.hpp"
#include "platform/http_client.hpp"
#include "platform/parent_process.hpp"
#include "platform/repeating_timer.hpp"
#include "platform/serial_queue.hpp"
#include "platform/websocket_task.hpp"
#include "render/command_key_picture.hpp"
#include "render/deck_action_kind.hpp"
#include "render/display_settings.hpp"
#include "render/runtime_key_picture.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/json/object.hpp>
#include <boost/url/url.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

namespace vantry {

// What differs between the shipped plugin and a test of it; the defaults are the product's.
struct PluginSettings {
  // The port is the default one: the user's plugin-wide settings may name another.
  boost::urls::url bridgeBaseURL{"http://127.0.0.1:48187"};
  HttpLimits httpLimits{};
  // Whether the process that started the plugin, its host, has ended: the plugin then ends instead
  // of reconnecting.
  std::function<bool()> hostHasEnded = watchParentProcess();
  // Whether the status is polled on the timer too; without it only presses, turns and refresh
  // requests ask for it.
  bool pollsStatusOnTimer = true;
};

// One transport dial on the deck: the strip's items it was last sent.
struct TransportDial {
  std::optional<boost::json::object> sentFeedback;
};

// The plugin's one controller. Every field that changes after construction is touched only by
// work items on `queue`.
class VantryProDeckPlugin : public std::enable_shared_from_this<VantryProDeckPlugin> {
 public:
  // Nothing, after writing the launch message to standard error, when the launch values are
  // missing or invalid. The program path, where the logo is looked up from, is the first argument
  // unless given in the platform's own form.
  static std::shared_ptr<VantryProDeckPlugin> make(const std::vector<std::string>& arguments,
                                                   boost::asio::io_context& context, PluginSettings settings = {},
                                                   std::optional<std::filesystem::path> programPath = std::nullopt);

  // Submits the start work item: connect to the host, then start the status polling (when it runs
  // on the timer).
  void start();
  // Starts and then serves the queue for good: the process ends only once its host has ended.
  [[noreturn]] void run();

  // Handles one message from the host, as the host connection hands it over.
  void handleIncomingJSONText(std::string_view text);

  // What the controller shows of itself: the keys and dials on the deck, the status they are drawn
  // from, whether a status request is in flight and whether any dial's seek is waiting or in flight.
  const std::unordered_map<std::string, DeckActionKind>& keysOnDeck() const { return contextsByID; }
  const std::unordered_map<std::string, TransportDial>& dialsOnDeck() const { return dialsByID; }
  bool seeksUnderWay() const { return !dialTurnsByID.empty(); }
  const std::optional<BridgeStatus>& status() const { return latestStatus; }
  bool pollInFlight() const { return isPollingStatus; }

 private:
  VantryProDeckPlugin(std::int64_t port, std::string uuid, std::string event, std::filesystem::path programPath,
                      boost::asio::io_context& context, PluginSettings settings);

  // Host connection.
  void connectWebSocket();
  void receiveLoop();
  // Each is false when the message was not queued for the host.
  bool sendEvent(std::string_view event, std::string_view context, const boost::json::object* payload = nullptr);
  bool sendJSON(const boost::json::object& message);
  bool sendText(std::string_view text);

  // Host event dispatch. A key is drawn by its context as contextsByID holds it.
  void renderContext(const std::string& context, DeckActionKind kind);
  void applySettings(const std::string& context, const DisplaySettings& settings);
  const DisplaySettings& settingsOf(const std::string& context) const;
  bool isOnDeck(const std::string& context) const;

  // The property inspector's connection line.
  void useBridgePort(std::optional<std::uint16_t> port);
  void updateConnectionReport(bool sendAnyway);
  void sendConnectionReport(const std::string& context);
  boost::json::object currentConnectionReport() const;

  // Status polling.
  static boost::urls::url statusAddress(boost::urls::url_view base);
  void startStatusPolling();
  void pollStatusAndRender();
  void applyStatusReply(HttpReply reply);

  // Key presses.
  void handleKeyDown(const std::string& context, DeckActionKind kind);
  void performBridgeAction(std::string_view command, std::function<void(bool)> completion);

  // Transport dials: turns, pushes and the strip.
  void handleDialRotate(const std::string& context, std::int64_t ticks);
  void handleDialDown(const std::string& context);
  void sendDialTurn(const std::string& context, std::string_view command, std::uint64_t run);
  void acknowledgeDialCommand(const std::string& context, bool succeeded);
  void renderAllDials();
  void renderDial(const std::string& context, TransportDial& dial);
  void deliverFeedback(const std::string& context, TransportDial& dial, const boost::json::object& feedback);

  // Key rendering.
  void renderAllContexts();
  void renderCommandContext(const std::string& context, DeckActionKind kind);
  void renderRuntimeContext(const std::string& context);
  void renderLogoContext(const std::string& context);
  const std::optional<std::string>& appLogoDataURL();
  // What a key's picture is drawn from: its command symbol, the runtime readout, or nothing that
  // changes (the logo).
  using PictureInputs = std::variant<std::monostate, CommandSymbol, RuntimeLook>;
  template <class Draw>
  void deliverPicture(const std::string& context, PictureInputs inputs, Draw drawImage);

  const std::int64_t streamDeckPort;
  const std::string pluginUUID;
  const std::string registerEvent;
  boost::urls::url bridgeBaseURL;
  // Where the status is asked for, made once for each bridge base address rather than every poll.
  boost::urls::url statusURL_;
  const std::uint16_t defaultBridgePort;
  const SerialQueue queue;
  const HttpClient urlSession;
  const std::function<bool()> hostHasEnded;
  const bool pollsStatusOnTimer;
  std::shared_ptr<WebSocketTask> socketTask;
  std::unordered_map<std::string, DeckActionKind> contextsByID;
  std::optional<BridgeStatus> latestStatus;
  // The body latestStatus was decoded from.
  std::optional<std::string> latestStatusText;
  std::shared_ptr<RepeatingTimer> statusTimer;
  bool isPollingStatus = false;
  std::unordered_map<std::string, TransportDial> dialsByID;
  // The seeks of each dial with one waiting or in flight; kept past the dial's leaving until the
  // reply to its last command has come.
  std::unordered_map<std::string, DialTurns> dialTurnsByID;
  // The settings of the Runtime keys and dials that have any; other keys have none.
  std::unordered_map<std::string, DisplaySettings> displaySettingsByID;
  // Flipped at every poll: a flashing warning is off on the off beat.
  bool offBeat_ = false;
  // The keys whose property inspector is open, how the last poll went (without its body; none
  // before the first or since the port changed), what their connection line was last told, and
  // whether the poll in flight was asked for by "Check now", whose asker hears its answer either way.
  std::unordered_set<std::string> inspectedContexts_;
  std::optional<HttpReply> lastPollReply_;
  boost::json::object connectionReport_;
  bool checkNowAsked_ = false;

  // What each visible key was last sent: what its picture was drawn from and the message texts it
  // became. Keyed by the key's context text as contextsByID holds it, which stays in place while the
  // key is there, so a redraw finds it without reading the text; dropped when the key leaves or
  // appears anew.
  struct SentPicture {
    PictureInputs inputs;
    std::vector<std::string> messages;
  };
  std::unordered_map<const std::string*, SentPicture> sentPictures_;

  const std::filesystem::path programPath_;
  // Outer optional: computed yet; inner: a logo file was read.
  std::optional<std::optional<std::string>> appLogoDataURL_;
};

}  // namespace vantry
