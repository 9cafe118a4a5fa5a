#include "frontend/MemoryCap.h"

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace morvane {

#if defined(__SANITIZE_ADDRESS__)
#define MORVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVANE_ASAN 1
#endif
#endif

#ifndef MORVANE_ASAN
namespace {

// MemAvailable + SwapFree from /proc/meminfo, in bytes; 0 when unknown.
unsigned long long AvailableBytes()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key, unit;
    unsigned long long kib = 0, total = 0;
    while (meminfo >> key >> kib >> unit)
        if (key == "MemAvailable:" || key == "SwapFree:") total += kib;
    return total * 1024;
}

}  // namespace
#endif

void CapAddressSpace()
{
#ifdef MORVANE_ASAN
    return;  // the sanitizer's shadow memory needs a huge address space
#else
    // Room for the program image, stacks and the allocator's own reserve.
    const unsigned long long slack = 256ULL << 20;
    const unsigned long long available = AvailableBytes();
    if (available == 0) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0) return;
    const rlim_t cap = static_cast<rlim_t>(available + slack);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= cap) return;
    limit.rlim_cur = cap;
    setrlimit(RLIMIT_AS, &limit);
#endif
}

}  // namespace morvane
