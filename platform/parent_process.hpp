#pragma once

#include <functional>

// The process that started the plugin, its host, each platform in its own way.
namespace vantry {

// Remembers the process that started this one, and gives the check whether it has ended since.
// The check is always false when there was nothing to watch at start: the starting process had
// already ended, or (on Windows) its id cannot be told from that of a newer process.
std::function<bool()> watchParentProcess();

}  // namespace vantry
