#ifndef MORVANE_FORMULA_FORMULAPARSER_H
#define MORVANE_FORMULA_FORMULAPARSER_H

#include <deque>
#include <string>
#include <string_view>

#include "../elements/AtomIsoAbun.h"
#include "MolComposition.h"

namespace morvane {

// The formula grammar. Whitespace bytes (tab to carriage return, space) are
// dropped wherever they stand. The rest is cut into groups, each beginning
// at an uppercase letter A-Z; inside a group the uppercase letter and every
// lowercase letter or '*' make up the symbol, and every digit, in order,
// the count (so C1l2 is Cl with 12, and letters and digits may interleave).
// A group without digits counts 1, leading zeros are ignored, 0 is allowed.
// Bytes before the first uppercase letter form a group of their own: digits
// alone there are ignored (2H2O is water); lowercase letters there make a
// symbol of their own (c2 is the symbol c, which a table may name). Groups
// of one symbol add up. Any other byte (brackets, signs, dots, bytes above
// 0x7f) fails the formula.

// Parses formula text against the element table into `comp`: one entry per
// distinct symbol in byte order, with the summed count; the charge is kept.
// Returns 0, or 2 for empty text, a symbol the table lacks (checked first),
// an illegal byte or a count beyond the range of int; `comp` is then
// partly filled and unusable. When `reason` is given, a failure says there
// what is wrong and where, positions counted from 1 in `formula`.
int ParseFormula(std::string_view formula, const std::deque<AtomIsoAbun>& table, MolComposition& comp,
                 std::string* reason = nullptr);

}  // namespace morvane

#endif
