#include "deck.hpp"

#include "platform/base64.hpp"

#include <boost/json/serialize.hpp>
#include <boost/url/pct_string_view.hpp>

#include <filesystem>
#include <fstream>
#include <optional>

namespace vantry::deck {

namespace json = boost::json;

namespace {

struct Picture {
  std::string extension;  // "svg" or "png"
  std::string bytes;
};

// The picture inside a key image: a base64 or plain SVG data URL, or a base64 PNG one.
std::optional<Picture> decodeDataURL(std::string_view url) {
  const auto comma = url.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto header = url.substr(0, comma);
  const auto body = url.substr(comma + 1);
  const auto type = header.substr(0, header.find(';'));
  const std::string extension = type == "data:image/svg+xml" ? "svg" : type == "data:image/png" ? "png" : "";
  std::optional<std::string> bytes;
  if (header.ends_with(";base64")) {
    bytes = base64Decode(body);
  } else if (const auto escaped = boost::urls::make_pct_string_view(body)) {
    bytes = escaped->decode();
  }
  if (extension.empty() || !bytes) return std::nullopt;
  return Picture{extension, std::move(*bytes)};
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes, std::string& problem) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) problem = "cannot write " + path.string();
  return static_cast<bool>(file);
}

}  // namespace

bool Deck::writeSnapshot(const std::string& folder, std::string& problem) const {
  const std::filesystem::path dir(folder);
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    problem = "cannot create " + folder + ": " + error.message();
    return false;
  }
  auto summary = state();
  for (auto& entry : summary.at("keys").as_array()) {
    auto& key = entry.as_object();
    const auto picture = decodeDataURL(key.at("image").as_string());
    key.erase("image");  // written to its own file
    key.erase("mark");
    key["file"] = nullptr;
    if (picture) {
      const auto name = std::string(key.at("name").as_string()) + "." + picture->extension;
      if (!writeFile(dir / name, picture->bytes, problem)) return false;
      key["file"] = name;
    }
  }
  for (auto& dial : summary.at("dials").as_array()) {
    dial.as_object().erase("icon");  // the icon's data URL would outweigh the rest of the summary
  }
  return writeFile(dir / "summary.json", json::serialize(summary) + "\n", problem);
}

}  // namespace vantry::deck
