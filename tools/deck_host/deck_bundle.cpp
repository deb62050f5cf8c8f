#include "deck_bundle.hpp"

#include <boost/json/parse.hpp>
#include <boost/url/pct_string_view.hpp>

#include <algorithm>
#include <fstream>
#include <string_view>

namespace vantry::deck {

namespace fs = std::filesystem;
namespace json = boost::json;

fs::path bundleFolderOf(const std::string& pluginPath) {
  return fs::absolute(fs::path(pluginPath)).parent_path().parent_path();
}

std::optional<std::string> readSmallFile(const fs::path& path, std::size_t limit) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  const auto size = fs::file_size(path, error);
  if (error || size > limit) return std::nullopt;
  std::string bytes(size, '\0');
  std::ifstream file(path, std::ios::binary);
  file.read(bytes.data(), static_cast<std::streamsize>(size));
  if (!file) return std::nullopt;
  return bytes;
}

json::object readManifest(const fs::path& bundle) {
  const auto text = readSmallFile(bundle / "manifest.json", 1024 * 1024);
  boost::system::error_code error;
  auto value = json::parse(text.value_or(""), error);
  return !error && value.is_object() ? std::move(value.as_object()) : json::object{};
}

std::optional<std::string> inspectorPath(const json::object& manifest, std::string_view action) {
  const auto page = [](const json::object& object) -> std::optional<std::string> {
    const auto* path = object.if_contains("PropertyInspectorPath");
    return path && path->is_string() ? std::optional<std::string>(path->get_string()) : std::nullopt;
  };
  if (const auto* actions = manifest.if_contains("Actions"); actions && actions->is_array()) {
    for (const auto& entry : actions->get_array()) {
      const auto* uuid = entry.is_object() ? entry.get_object().if_contains("UUID") : nullptr;
      if (!uuid || !uuid->is_string() || uuid->get_string() != action) continue;
      if (auto own = page(entry.get_object())) return own;
    }
  }
  return page(manifest);
}

std::optional<fs::path> pathInBundle(const fs::path& bundle, std::string_view urlPath) {
  const auto escaped = boost::urls::make_pct_string_view(urlPath);
  if (!escaped) return std::nullopt;
  const auto relative = escaped->decode();
  if (relative.empty()) return std::nullopt;
  auto path = bundle;
  for (std::size_t start = 0; start <= relative.size();) {
    const auto end = std::min(relative.find('/', start), relative.size());
    const auto segment = std::string_view(relative).substr(start, end - start);
    if (segment.empty() || segment == "." || segment == ".." ||
        segment.find_first_of(std::string_view("\\:\0", 3)) != std::string_view::npos) {
      return std::nullopt;
    }
    path /= segment;
    start = end + 1;
  }
  // A link inside the folder may still point out of it.
  std::error_code pathError, rootError;
  const auto real = fs::weakly_canonical(path, pathError);
  const auto root = fs::weakly_canonical(bundle, rootError);
  if (pathError || rootError || std::ranges::mismatch(root, real).in1 != root.end()) return std::nullopt;
  return path;
}

const char* contentTypeOf(const fs::path& file) {
  const auto extension = file.extension();
  if (extension == ".html" || extension == ".htm") return "text/html; charset=utf-8";
  if (extension == ".js") return "text/javascript; charset=utf-8";
  if (extension == ".css") return "text/css; charset=utf-8";
  if (extension == ".json") return "application/json";
  if (extension == ".svg") return "image/svg+xml";
  if (extension == ".png") return "image/png";
  return "application/octet-stream";
}

}  // namespace vantry::deck
