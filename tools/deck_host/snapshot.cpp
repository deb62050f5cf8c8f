#include "snapshot.hpp"

#include "data_url.hpp"

#include <boost/json/serialize.hpp>

#include <filesystem>
#include <fstream>

namespace vantry::deck {

namespace json = boost::json;

namespace {

bool writeFile(const std::filesystem::path& path, const std::string& bytes, std::string& problem) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    problem = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

bool writeSnapshot(const std::string& folder, const DeckDevice& device, const std::vector<DeckKey>& keys,
                   const std::vector<DeckDial>& dials, std::string& problem) {
  const std::filesystem::path dir(folder);
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    problem = "cannot create " + folder + ": " + error.message();
    return false;
  }
  json::array summaryKeys;
  for (const auto& key : keys) {
    auto entry = keyState(key);
    entry.erase("image");  // written to its own file
    entry.erase("mark");
    entry["file"] = nullptr;
    if (const auto image = decodeImageDataURL(key.image)) {
      const auto name = shortActionName(key.kind) + "." + image->extension;
      if (!writeFile(dir / name, image->bytes, problem)) return false;
      entry["file"] = name;
    }
    summaryKeys.push_back(std::move(entry));
  }
  json::array summaryDials;
  for (const auto& dial : dials) {
    auto entry = dialState(dial);
    entry.erase("icon");  // the icon's data URL would outweigh the rest of the summary
    summaryDials.push_back(std::move(entry));
  }
  const json::object summary{
      {"device", deviceState(device)},
      {"keys", std::move(summaryKeys)},
      {"dials", std::move(summaryDials)}};
  return writeFile(dir / "summary.json", json::serialize(summary) + "\n", problem);
}

}  // namespace vantry::deck
