#ifndef MORVANE_FORMULA_ADDUCT_H
#define MORVANE_FORMULA_ADDUCT_H

#include <deque>
#include <map>
#include <string>

#include "../elements/AtomIsoAbun.h"
#include "MolComposition.h"

namespace morvane {

// An ion as mass spectrometrists write it: [nM+A-B...]z+ or z-. The molecule M
// taken n times (n omitted means 1), then any number of groups, each a sign, an
// optional count and a formula (+H, +Na, +NH4, -H2O, +2H, +HCOO), then the
// charge (+, -, 2+, 3-; at most MAX_CHARGE either way). Examples: [M+H]+, [M-H]-, [2M+Na]+, [M+2H]2+,
// [M-H2O+H]+. No whitespace is allowed inside. A default-constructed adduct
// (nothing parsed) makes the molecule itself, uncharged.
class Adduct {
public:
    // The largest charge magnitude accepted: beyond the charge states of any
    // real ion, and small enough that m/z stays meaningful.
    static const int MAX_CHARGE = 1000;

    // Parses `text`, resolving the groups' elements against `table` (the table
    // the molecules will come from). Returns 0, or 2 with `reason` saying what
    // is wrong and where; the adduct is then unchanged.
    int Parse(const std::string& text, const std::deque<AtomIsoAbun>& table, std::string& reason);

    // The ion of `molecule`: n times its atoms plus the added and minus the
    // removed ones, charged with the adduct's charge. The entries come out as
    // the formula parser gives them for the ion's formula written out: one per
    // element in byte order of the symbols; an element that the removals bring
    // to 0 atoms is left out. Returns 0, or 2 with `reason` when the adduct
    // removes atoms that the molecule lacks, leaves no atoms, or a count
    // exceeds the range of int; `ion` is then unchanged. `ion` must be
    // another object than `molecule`. Memory exhaustion throws the standard
    // allocation exception and leaves `ion` a valid, partly filled composition.
    int MakeIon(const MolComposition& molecule, MolComposition& ion, std::string& reason) const;

    const std::string& Text() const { return text; }
    int Multiple() const { return multiple; }
    int Charge() const { return charge; }
    // Atoms added and removed by the groups, summed per element symbol.
    const std::map<std::string, int>& Added() const { return added; }
    const std::map<std::string, int>& Removed() const { return removed; }

private:
    std::string text;
    int multiple = 1;
    int charge = 0;
    std::map<std::string, int> added;
    std::map<std::string, int> removed;
    // The element record of each symbol in `added` and `removed`.
    std::map<std::string, AtomIsoAbun> records;
};

}  // namespace morvane

#endif
