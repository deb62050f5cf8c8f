#pragma once

#include "deck_dials.hpp"
#include "deck_layout.hpp"

#include <string>
#include <vector>

namespace vantry::deck {

// Writes each key's last picture as <action>.svg or .png and summary.json, with the dials' last
// strip text, into the folder, creating it; false with the problem when any file cannot be written.
bool writeSnapshot(const std::string& folder, const DeckDevice& device, const std::vector<DeckKey>& keys,
                   const std::vector<DeckDial>& dials, std::string& problem);

}  // namespace vantry::deck
