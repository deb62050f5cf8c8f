#pragma once

namespace vantry {

// Hands heap pages that hold nothing back to the system, where the C library would keep them
// (glibc keeps free pages below the top of its heap); elsewhere it does nothing. It walks the
// heap: for after a backlog has gone out, not for every message.
void returnFreeMemoryToTheSystem();

}  // namespace vantry
