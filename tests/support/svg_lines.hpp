#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace vantry::test {

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream stream(text);
  for (std::string line; std::getline(stream, line);) out.push_back(line);
  return out;
}

}  // namespace vantry::test
