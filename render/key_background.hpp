#pragma once

#include <string>
#include <string_view>

namespace vantry {

// The opening of the command and runtime pictures: the dark diagonal gradient, a glow of the accent
// colour fading from `glowTop` to `glowBottom` opacity, and a frame of the accent colour. The texts
// follow it.
inline void appendKeyBackground(std::string& svg, std::string_view glowTop, std::string_view glowBottom,
                                std::string_view accent = "#ff7b21") {
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 144 144\">\n"
         "  <defs>\n"
         "    <linearGradient id=\"bg\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">\n"
         "      <stop offset=\"0\" stop-color=\"#050505\"/>\n"
         "      <stop offset=\"1\" stop-color=\"#2a1301\"/>\n"
         "    </linearGradient>\n"
         "    <linearGradient id=\"glow\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
         "      <stop offset=\"0\" stop-color=\"";
  svg += accent;
  svg += "\" stop-opacity=\"";
  svg += glowTop;
  svg += "\"/>\n"
         "      <stop offset=\"1\" stop-color=\"";
  svg += accent;
  svg += "\" stop-opacity=\"";
  svg += glowBottom;
  svg += "\"/>\n"
         "    </linearGradient>\n"
         "  </defs>\n"
         "  <rect width=\"144\" height=\"144\" rx=\"24\" fill=\"url(#bg)\"/>\n"
         "  <rect width=\"144\" height=\"144\" rx=\"24\" fill=\"url(#glow)\"/>\n"
         "  <rect x=\"4\" y=\"4\" width=\"136\" height=\"136\" rx=\"20\" fill=\"none\" stroke=\"";
  svg += accent;
  svg += "\" stroke-width=\"3\" opacity=\"0.9\"/>\n";
}

}  // namespace vantry
