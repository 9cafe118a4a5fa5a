#ifndef MORVANE_ELEMENTS_DEFAULTTABLE_H
#define MORVANE_ELEMENTS_DEFAULTTABLE_H

#include <string>

namespace morvane {

// The isotope table to read when none is named: the first that exists of
//  1. morvanetable.txt in the current folder (an entry of that name wins
//     even when it is not a readable file, so that the read reports it
//     rather than silently passing it over);
//  2. `programDir/../share/morvane/morvanetable.txt`: the table of an
//     installed tree (bin/ beside share/), wherever the tree was moved;
//  3. the source tree's morvanetable.txt, when `programDir` lies inside the
//     build folder that this library was built in.
// When none exists, returns "morvanetable.txt", whose read then fails as
// any missing table does. `programDir` may be empty (steps 2 and 3 are
// then skipped). A library user that is not an installed executable, such
// as a language module, passes the bin/ folder of its install prefix (or
// any folder with ../share/morvane beside it).
std::string DefaultTablePath(const std::string& programDir);

// The same, with the folder of the running executable (from
// /proc/self/exe, symbolic links resolved); steps 2 and 3 are skipped when
// it cannot be found.
std::string DefaultTablePath();

}  // namespace morvane

#endif
