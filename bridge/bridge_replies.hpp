#pragma once

#include "bridge/bridge_records.hpp"
#include "platform/http_data_task.hpp"

#include <optional>

namespace vantry {

// Whether the reply is complete with a 2xx status code.
bool isSuccessStatus(const HttpReply& reply);

// A status reply counts only with a 2xx status code and a body that decodes; anything else is no status.
std::optional<BridgeStatus> statusFromReply(const HttpReply& reply);

// The outcome of a key press: the reply's "ok" when its body decodes, else whether the status code is 2xx.
bool actionOutcome(const HttpReply& reply);

}  // namespace vantry
