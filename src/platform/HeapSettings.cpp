#include "platform/HeapSettings.h"

#include <malloc.h>

namespace tralex {

void KeepFreedMemoryForNextFile()
{
    static const bool done = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        return true;
    }();
    (void)done;
}

}  // namespace tralex
