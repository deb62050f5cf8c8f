// A stand-in for a host on Windows: starts the program its arguments name, with those arguments,
// as a child of its own, and waits for it, printing nothing.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int main() {
  // The command line past this program's own path, which ends at the first blank outside quotes.
  wchar_t* line = GetCommandLineW();
  for (bool quoted = false; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) quoted ^= *line == L'"';
  while (*line == L' ' || *line == L'\t') ++line;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  if (!CreateProcessW(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) return 1;
  WaitForSingleObject(child.hProcess, INFINITE);
}
