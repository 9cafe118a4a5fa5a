#ifndef MORVANE_FORMULA_FORMULAMASSES_H
#define MORVANE_FORMULA_FORMULAMASSES_H

#include "MolComposition.h"

namespace morvane {

// The masses chemists quote for a formula, from its element records (each
// with its isotope entries in decreasing abundance), for the neutral atoms.
struct FormulaMasses {
    // Every atom as its element's most abundant isotope (entry 0): the sum
    // over elements, in composition order from 0.0, of count * mass.
    double monoisotopic = 0;
    // The sum over elements of count * the element's abundance-weighted
    // mean isotope mass (sum of abundance * mass / sum of abundance), exact
    // from the table and not from any calculated variants.
    double average = 0;
    // The sum of count * mass number (mass rounded to an integer) of each
    // element's most abundant isotope; 0 when that sum does not fit a 64-bit
    // integer (only tables of one's own with masses far beyond any element's).
    long long nominal = 0;
};

FormulaMasses MassesOf(const MolComposition& c);

}  // namespace morvane

#endif
