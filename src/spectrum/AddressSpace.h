#ifndef MORVANE_SPECTRUM_ADDRESSSPACE_H
#define MORVANE_SPECTRUM_ADDRESSSPACE_H

#include <cstddef>

namespace morvane {

// Bytes the process may still map under its address-space limit
// (RLIMIT_AS, as set by `ulimit -v` or `prlimit --as`): the limit less the
// size mapped now. SIZE_MAX without a limit or when it cannot be read.
// In WebAssembly: the heap's maximum less the heap in use.
std::size_t AddressSpaceLeft();

}  // namespace morvane

#endif
