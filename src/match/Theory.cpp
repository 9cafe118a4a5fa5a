#include "Theory.h"

#include <cstdlib>

#include "../core/Status.h"
#include "../formula/Adduct.h"

namespace morvane {

std::string ProtonatedAdduct(int charge)
{
    const int n = std::abs(charge);
    const std::string count = n == 1 ? "" : std::to_string(n);
    return "[M" + std::string(charge > 0 ? "+" : "-") + count + "H]" + count + (charge > 0 ? "+" : "-");
}

int CalculateIon(const std::deque<AtomIsoAbun>& table, const Candidate& candidate, int charge,
                 const PatternSettings& base, Ion& ion, std::string& reason)
{
    PatternSettings s = base;
    s.threads = 1;
    s.sequence = candidate.sequence;
    s.charge = 0;
    s.masstocharge = false;  // an adduct's and a suffix's ions come in m/z
    std::string text = candidate.molecule, label;
    Adduct adduct;
    const bool suffix = candidate.sequence && candidate.molecule.find('/') != std::string::npos;
    if (suffix) {
        label = candidate.molecule;
    } else if (candidate.sequence && candidate.adduct.empty()) {
        if (charge < 0) {
            reason = candidate.text + ": a sequence's charge must be positive";
            return CALC_FORMULA_NOT_PARSED;
        }
        text += "/" + std::to_string(charge);
        label = text;
    } else {
        label = candidate.adduct.empty() ? ProtonatedAdduct(charge) : candidate.adduct;
        if (const int status = adduct.Parse(label, table, reason)) {
            reason = candidate.text + ": " + reason;
            return status;
        }
        s.adduct = &adduct;
    }
    PatternResult r = CalculatePattern(table, text, s);
    if (r.status != 0) {
        reason = candidate.text + ": " + r.reason;
        return r.status;
    }
    ion.adduct = label;
    ion.charge = r.charge;
    ion.peaks = std::move(r.peaks);
    ion.monoisotopic = r.monoisotopic;
    ion.variants = std::move(r.variants);
    return 0;
}

}  // namespace morvane
