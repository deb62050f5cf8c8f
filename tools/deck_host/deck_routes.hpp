#pragma once

#include "deck_state.hpp"

#include "kit/http_server.hpp"

#include <boost/json/object.hpp>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::deck {

// The answer to one page request: status, content type, body.
struct PageReply {
  unsigned status;
  std::string contentType;
  std::string body;
};

// Sends a press's or a dial's events to the plugin; the reply, or 503 without a plugin.
using Deliver = std::function<PageReply(const std::vector<boost::json::object>& events, const boost::json::object& reply)>;

// The page, /state.json, POST /press and POST /dial, for the deck's own page and the plugin only:
// any other caller gets 403.
kit::ScriptedReply answerPage(const kit::HttpRequest& request, DeckState& deck,
                              const std::function<boost::json::object()>& state, const Deliver& deliver);

std::string_view pathOf(std::string_view target);

// The deck page (deck_page.html), which the build puts into the program.
extern const char* const deckPageHTML;

}  // namespace vantry::deck
