#ifndef MORVANE_FRONTEND_MEMORYCAP_H
#define MORVANE_FRONTEND_MEMORYCAP_H

namespace morvane {

// Limits the process's address space to the memory the machine can give
// now (available memory plus free swap), so that a calculation too large
// for it fails with an allocation error instead of being killed by the
// kernel. Never raises an existing limit.
void CapAddressSpace();

}  // namespace morvane

#endif
