#ifndef MORVANE_ELEMENTS_TABLEREADER_H
#define MORVANE_ELEMENTS_TABLEREADER_H

#include <deque>
#include <istream>
#include <string>

#include "AtomIsoAbun.h"

namespace morvane {

// Where and why a table was refused: the line (counted from 1) and the word
// at fault, and what is wrong with it. `word` is empty when the fault is the
// end of the file or a read error.
struct TableError {
    int line = 0;
    std::string word;
    std::string what;
};

// "line 3, word '98.9': abundance above 1 (abundances are fractions)"; for
// a fault without a word, "line 3: " and what is wrong.
std::string DescribeTableError(const TableError& e);

// Reads an isotope table: whitespace-separated words, per element a symbol
// (1 to 3 characters, the first an ASCII letter), its element number and
// pairs of mass (u) and abundance (fraction; an element's abundances may sum
// to at most 1 + 1e-3). Each element's entries come out sorted by decreasing
// abundance. Returns 0 and fills `table` (which must be
// empty) in file order, or returns 1, leaves `table` empty and, when `error`
// is given, says there what made the file unusable.
int ReadIsotopeTable(std::istream& in, std::deque<AtomIsoAbun>& table, TableError* error = nullptr);

}  // namespace morvane

#endif
