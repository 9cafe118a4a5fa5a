#ifndef MORVANE_CORE_PARALLELFOR_H
#define MORVANE_CORE_PARALLELFOR_H

#include <cstddef>
#include <functional>

#include "Cancellation.h"

namespace morvane {

// Calls work(i) once for every i from 0 to n - 1, on up to `threads`
// threads (0: one per processor), the calling thread among them, each
// under `cancellation`'s scope (may be nullptr). Indices are handed out in
// ascending order one at a time; once the cancellation is requested no more
// are, and the indices not handed out are left undone. A thread that cannot
// be started leaves its share to the others. Returns when every call has
// ended. `work` must not throw.
void ParallelFor(std::size_t n, unsigned threads, Cancellation* cancellation,
                 const std::function<void(std::size_t)>& work);

}  // namespace morvane

#endif
