#ifndef MORVANE_ELEMENTS_TABLEREADER_H
#define MORVANE_ELEMENTS_TABLEREADER_H

#include <deque>
#include <istream>

#include "elements/AtomIsoAbun.h"

// Reads an isotope table: whitespace-separated words, per element a symbol
// (1 to 3 characters, the first an ASCII letter), its element number and
// pairs of mass (u) and abundance (fraction; an element's abundances may sum
// to at most 1 + 1e-3). Each element's entries come out
// sorted by decreasing abundance. Returns 0 and fills `table` (which must be
// empty) in file order, or returns 1 and leaves `table` empty.
int ReadIsotopeTable(std::istream& in, std::deque<AtomIsoAbun>& table);

#endif
