#pragma once

#include "bridge/bridge_records.hpp"

#include <boost/json/object.hpp>

#include <optional>

namespace vantry {

// The transport dial's strip segment, as the items of the host's built-in indicator layout: the
// clip's title, the play/pause or countdown icon, position and total time, and the progress in
// percent, all for the status held now (absent: the application's name, the play symbol,
// placeholders and an empty bar).
boost::json::object dialFeedback(const std::optional<BridgeStatus>& status);

}  // namespace vantry
