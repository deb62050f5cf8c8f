#include "platform/process.hpp"

namespace vantry {

// Standard error is never fully buffered here, and a line feed is written as it is.
void prepareStandardError() {}

std::filesystem::path programPath(int argc, char** argv) {
  if (argc < 1 || argv[0] == nullptr) return {};
  return argv[0];
}

}  // namespace vantry
