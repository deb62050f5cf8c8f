#include "render/logo_key_picture.hpp"

#include "platform/base64.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vantry {

namespace fs = std::filesystem;

std::string_view fallbackLogoSVG() {
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 144 144\">\n"
         "  <defs>\n"
         "    <linearGradient id=\"bg\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">\n"
         "      <stop offset=\"0\" stop-color=\"#060606\"/>\n"
         "      <stop offset=\"1\" stop-color=\"#2b1402\"/>\n"
         "    </linearGradient>\n"
         "  </defs>\n"
         "  <rect width=\"144\" height=\"144\" rx=\"24\" fill=\"url(#bg)\"/>\n"
         "  <rect x=\"4\" y=\"4\" width=\"136\" height=\"136\" rx=\"20\" fill=\"none\" stroke=\"#ff7b21\" "
         "stroke-width=\"3\" opacity=\"0.9\"/>\n"
         "  <text x=\"72\" y=\"72\" text-anchor=\"middle\" font-size=\"32\" font-family=\"Arial, Helvetica, "
         "sans-serif\" fill=\"#ff7b21\" font-weight=\"700\">QUILL</text>\n"
         "  <text x=\"72\" y=\"94\" text-anchor=\"middle\" font-size=\"11\" font-family=\"Arial, Helvetica, "
         "sans-serif\" fill=\"#ffffff\" letter-spacing=\"4\">FERN</text>\n"
         "</svg>";
}

fs::path logoFilePath(const fs::path& programPath) {
  std::error_code error;
  fs::path program = fs::absolute(programPath, error);
  if (error) program = programPath;
  program = program.lexically_normal();
  return program.parent_path().parent_path() / "assets" / "vantry-app-logo.png";
}

std::optional<std::string> readLogoDataURL(const fs::path& programPath) {
  const auto path = logoFilePath(programPath);
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return "data:image/png;base64," + base64Encode(bytes);
}

}  // namespace vantry
