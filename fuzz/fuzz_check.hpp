#pragma once

#include <cstdio>
#include <cstdlib>

// Ends the run when a property of the plugin does not hold; libFuzzer then keeps the input.
inline void check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}
