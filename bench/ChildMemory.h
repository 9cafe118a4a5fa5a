#ifndef MORVANE_BENCH_CHILDMEMORY_H
#define MORVANE_BENCH_CHILDMEMORY_H

#include <functional>

// Peak resident memory of a child process that runs `work` once, in MiB.
double ChildPeakMiB(const std::function<void()>& work);

#endif
