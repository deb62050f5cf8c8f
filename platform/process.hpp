#pragma once

#include <filesystem>

// What the plugin process sets up for itself at start, each in the platform's own way.
namespace vantry {

// Standard error unbuffered, so that a message reaches the host's log while the plugin runs on,
// and not translating line ends, so that a message ends in exactly the line feed it was written with.
void prepareStandardError();

// The path the program was started by, its first argument, or an empty path when there is none.
// On Windows it is read from the wide command line: the narrow arguments are in the ANSI code page,
// which cannot spell every folder name.
std::filesystem::path programPath(int argc, char** argv);

}  // namespace vantry
