#include "render/xml_escape.hpp"

namespace vantry {

std::string xmlEscape(std::string_view text) {
  // Most texts need no entity at all.
  if (text.find_first_of("&<>\"'") == std::string_view::npos) return std::string(text);
  // One pass gives the same text as replacing "&" first and then each of the others in turn.
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c; break;
    }
  }
  return out;
}

}  // namespace vantry
