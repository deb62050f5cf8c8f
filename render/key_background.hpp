#pragma once

#include <string>
#include <string_view>

namespace vantry {

// The opening of the command and runtime pictures: the dark diagonal gradient, an orange glow
// fading from `glowTop` to `glowBottom` opacity, and the orange frame. The texts follow it.
inline void appendKeyBackground(std::string& svg, std::string_view glowTop, std::string_view glowBottom) {
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 144 144\">\n"
         "  <defs>\n"
         "    <linearGradient id=\"bg\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">\n"
         "      <stop offset=\"0\" stop-color=\"#050505\"/>\n"
         "      <stop offset=\"1\" stop-color=\"#2a1301\"/>\n"
         "    </linearGradient>\n"
         "    <linearGradient id=\"glow\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
         "      <stop offset=\"0\" stop-color=\"#ff7b21\" stop-opacity=\"";
  svg += glowTop;
  svg += "\"/>\n"
         "      <stop offset=\"1\" stop-color=\"#ff7b21\" stop-opacity=\"";
  svg += glowBottom;
  svg += "\"/>\n"
         "    </linearGradient>\n"
         "  </defs>\n"
         "  <rect width=\"144\" height=\"144\" rx=\"24\" fill=\"url(#bg)\"/>\n"
         "  <rect width=\"144\" height=\"144\" rx=\"24\" fill=\"url(#glow)\"/>\n"
         "  <rect x=\"4\" y=\"4\" width=\"136\" height=\"136\" rx=\"20\" fill=\"none\" stroke=\"#ff7b21\" "
         "stroke-width=\"3\" opacity=\"0.9\"/>\n";
}

}  // namespace vantry
