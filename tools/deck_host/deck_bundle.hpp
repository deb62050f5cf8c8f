#pragma once

#include <boost/json/object.hpp>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The plugin's bundle folder as the host reads it: the manifest, and the files it serves to the
// property inspector.
namespace vantry::deck {

// The folder of a plugin executable at <bundle>/bin/<name>.
std::filesystem::path bundleFolderOf(const std::string& pluginPath);

// A file's bytes when it is a regular file of at most `limit` bytes.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit);

// The bundle's manifest.json; empty when it is missing, larger than 1 MiB or no JSON object.
boost::json::object readManifest(const std::filesystem::path& bundle);

// The property inspector page the manifest names for the action: its own, else the plugin's.
std::optional<std::string> inspectorPath(const boost::json::object& manifest, std::string_view action);

// Where a URL path, relative and percent-encoded, leads inside the bundle; nothing when it would
// lead anywhere else: a "." or ".." segment, an empty one (an absolute path), a backslash, a colon
// or a NUL in one, or a link to outside the folder. The file need not exist.
std::optional<std::filesystem::path> pathInBundle(const std::filesystem::path& bundle, std::string_view urlPath);

// The Content-Type of a bundle file, by its extension.
const char* contentTypeOf(const std::filesystem::path& file);

}  // namespace vantry::deck
