#include "spectrum/AddressSpace.h"

#include <sys/resource.h>
#include <unistd.h>

#ifdef __EMSCRIPTEN__
#include <emscripten/heap.h>
#endif

#include <cstdint>
#include <fstream>

namespace morvane {

std::size_t AddressSpaceLeft()
{
#ifdef __EMSCRIPTEN__
    // WebAssembly has no address-space limit or /proc: the heap may grow to
    // its maximum, and everything below the break is taken.
    const std::size_t most = emscripten_get_heap_max(), used = reinterpret_cast<std::size_t>(sbrk(0));
    return used >= most ? 0 : most - used;
#else
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    if (!(statm >> pages)) return SIZE_MAX;
    const unsigned long long mapped = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
    if (mapped >= limit.rlim_cur) return 0;
    const unsigned long long left = limit.rlim_cur - mapped;
    return left > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(left);
#endif
}

}  // namespace morvane
