#include "platform/process.hpp"

#include <fcntl.h>
#include <io.h>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

namespace vantry {

// When it is not a console, the C runtime buffers standard error fully and, in its default text
// mode, writes every line feed as CR LF.
void prepareStandardError() {
  _setmode(_fileno(stderr), _O_BINARY);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
}

// The first argument of the wide command line, by the C runtime's rule for it: a double quote
// starts or ends a quoted part and is dropped; a blank or tab outside one ends the argument.
std::filesystem::path programPath(int, char**) {
  std::wstring path;
  bool quoted = false;
  for (const wchar_t* c = GetCommandLineW(); *c != L'\0'; ++c) {
    if (*c == L'"') {
      quoted = !quoted;
    } else if (!quoted && (*c == L' ' || *c == L'\t')) {
      break;
    } else {
      path += *c;
    }
  }
  return path;
}

}  // namespace vantry
