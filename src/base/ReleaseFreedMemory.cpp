#include "base/ReleaseFreedMemory.h"

#include <malloc.h>

namespace quorvane {

void releaseFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace quorvane
