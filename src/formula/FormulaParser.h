#ifndef MORVANE_FORMULA_FORMULAPARSER_H
#define MORVANE_FORMULA_FORMULAPARSER_H

#include <deque>

#include "elements/AtomIsoAbun.h"
#include "formula/MolComposition.h"

// Parses formula text (element symbols with optional decimal counts,
// whitespace ignored) against the element table into `comp`: one entry per
// distinct symbol in byte order, with the summed count. The charge is kept.
// Returns 0, or 2 for empty text, an illegal byte, a symbol the table lacks or
// a count beyond the range of int.
int ParseFormula(const char* formula, const std::deque<AtomIsoAbun>& table, MolComposition& comp);

#endif
