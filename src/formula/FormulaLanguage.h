#ifndef MORVANE_FORMULA_FORMULALANGUAGE_H
#define MORVANE_FORMULA_FORMULALANGUAGE_H

#include <deque>
#include <string>
#include <string_view>

#include "../elements/AtomIsoAbun.h"
#include "AtomCounts.h"
#include "MolComposition.h"

namespace morvane {

// The formula language of the front-ends (morvane-batch, morvane-plot, the
// Python module), a superset of morvane's: every formula morvane reads
// means what it means there (2H2O is water, as morvane ignores a leading
// number), and beyond it
//   groups in parentheses with a count, nested: Ca(OH)2, (CH3)3COH, Fe2(SO4)3;
//   parts joined by a dot (. or the middle dot U+00B7), each after the
//     first with an optional leading count: CuSO4.5H2O;
//   isotope labels in brackets, the count after the bracket: [13C]6H12O6,
//     C5[13C]H12O6, [2H], [15N], [18O]; D and T stand for [2H] and [3H]
//     unless the table names them itself.
// Whitespace is ignored, as by morvane. Counts may be 0; a count or a total
// beyond the range of int is refused.
// Counts are whole numbers. A dot between digits joins parts (CuSO4.5H2O),
// except where only a decimal point makes sense, which is refused: after a
// count of 0 (Fe0.95O, Na0.33WO3) or a count of 1 written out (C1.5H3),
// after a part's leading count (CaSO4.0.5H2O) and before the end (C2.5).
// A count of 0 just before a dot is refused too.

// Reads `text` into `counts` (which it empties first), checking each symbol
// and label against `table`. Returns 0, or 2 with the reason and its
// position (counted from 1 in `text`).
int ReadFormula(std::string_view text, const std::deque<AtomIsoAbun>& table, AtomCounts& counts,
                std::string& reason);

// The atoms of `text`: of morvane's parse when it reads the text, else of
// ReadFormula. Returns 0, or 2 with the reason.
int FormulaCounts(std::string_view text, const std::deque<AtomIsoAbun>& table, AtomCounts& counts,
                  std::string& reason);

// The composition of `text`, entries in the order of AtomCounts, labels
// derived with `enrichment` (null: pure). A formula morvane reads goes
// through morvane's own parser, at its cost. Returns 0, or 2 with the reason.
int ParseFrontEndFormula(std::string_view text, const std::deque<AtomIsoAbun>& table, const Enrichment* enrichment,
                         MolComposition& comp, std::string& reason);

}  // namespace morvane

#endif
