#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantry {

// The drawn logo shown when the application's logo file cannot be read.
std::string_view fallbackLogoSVG();

// Where the application's logo lies for a program path: assets/vantry-app-logo.png two levels
// above the executable, the path taken relative to the working directory and standardised.
std::filesystem::path logoFilePath(const std::filesystem::path& programPath);

// The logo file as a PNG data URL, or nothing when it cannot be read as a regular file.
std::optional<std::string> readLogoDataURL(const std::filesystem::path& programPath);

}  // namespace vantry
