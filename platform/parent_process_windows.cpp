#include "platform/parent_process.hpp"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace vantry {

namespace {

DWORD parentProcessID() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  for (BOOL found = Process32FirstW(snapshot, &entry); found; found = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return parent;
}

// When the process was created, in 100 ns steps; the latest time there is when that is unknown.
std::uint64_t creationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::numeric_limits<std::uint64_t>::max();
  return (std::uint64_t(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

// An ended process's id is handed out again, so the parent is held by a handle from start, and
// only when it was created before this process: a younger one has taken over the id of a parent
// that had already ended.
std::function<bool()> watchParentProcess() {
  const auto nothingToWatch = [] { return false; };
  const DWORD id = parentProcessID();
  if (id == 0) return nothingToWatch;
  const HANDLE opened = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (opened == nullptr) return nothingToWatch;
  const std::shared_ptr<void> parent(opened, CloseHandle);
  if (creationTime(opened) >= creationTime(GetCurrentProcess()) || WaitForSingleObject(opened, 0) == WAIT_OBJECT_0) {
    return nothingToWatch;
  }
  return [parent] { return WaitForSingleObject(parent.get(), 0) == WAIT_OBJECT_0; };
}

}  // namespace vantry
