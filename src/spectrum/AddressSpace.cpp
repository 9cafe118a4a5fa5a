#include "spectrum/AddressSpace.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>

namespace morvane {

std::size_t AddressSpaceLeft()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    if (!(statm >> pages)) return SIZE_MAX;
    const unsigned long long mapped = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
    if (mapped >= limit.rlim_cur) return 0;
    const unsigned long long left = limit.rlim_cur - mapped;
    return left > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(left);
}

}  // namespace morvane
