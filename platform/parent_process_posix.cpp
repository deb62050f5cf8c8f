#include "platform/parent_process.hpp"

#include <unistd.h>

namespace vantry {

// An orphan is handed to init (id 1) or to a subreaper, so the parent id changes when it ends.
std::function<bool()> watchParentProcess() {
  const pid_t parent = getppid();
  if (parent == 1) return [] { return false; };
  return [parent] { return getppid() != parent; };
}

}  // namespace vantry
