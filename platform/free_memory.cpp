#include "platform/free_memory.hpp"

#include <cstdlib>  // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantry {

void returnFreeMemoryToTheSystem() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace vantry
