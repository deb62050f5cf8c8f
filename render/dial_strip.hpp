#pragma once

#include "bridge/bridge_records.hpp"
#include "render/display_settings.hpp"

#include <boost/json/object.hpp>

#include <optional>

namespace vantry {

// The transport dial's strip segment, as the items of the host's built-in indicator layout: the
// clip's title, the play/pause or countdown icon, position and total time, and the progress in
// percent, all for the status held now (absent: the application's name, the play symbol,
// placeholders and an empty bar). The dial's settings read the time as the runtime key does; in the
// warning the bar's fill and the time's text take the warning colour, as item properties.
boost::json::object dialFeedback(const std::optional<BridgeStatus>& status, const DisplaySettings& settings = {},
                                 bool offBeat = false);

}  // namespace vantry
