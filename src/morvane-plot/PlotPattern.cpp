#include "morvane-plot/PlotPattern.h"

#include <sstream>

#include <deque>
#include <string>

#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "formula/Adduct.h"
#include "frontend/ResolutionOptions.h"

namespace morvane {

int PlotPattern(const RunSettings& s, PlotSettings& p, bool normalize, PatternResult& r, std::ostream& out)
{
    std::deque<AtomIsoAbun> table;
    std::string reason;
    if (LoadIsotopeTable(s.tablefile != nullptr ? s.tablefile : DefaultTablePath(), table, reason) != 0) {
        out << TABLE_NOT_READ_MESSAGE;
        return CALC_TABLE_NOT_READ;
    }
    if (ResolveMoleculeOptions(p.molecules, table, out) != 0) return OPTION_ERROR_STATUS;
    PatternSettings settings = PatternSettingsOf(s, p.instrument);
    settings.normalize = normalize;
    settings.filter = 0;  // the picture applies the filter to what it draws
    ApplyMoleculeOptions(p.molecules, settings);
    Adduct ion;
    if (!p.adduct.empty()) {
        if (ion.Parse(p.adduct, table, reason) != 0) {
            out << "Error: adduct " << p.adduct << ": " << reason << "\n";
            return OPTION_ERROR_STATUS;
        }
        settings.adduct = &ion;
    }
    r = CalculatePattern(table, s.formula, settings);
    if (r.status == CALC_FORMULA_NOT_PARSED)
        out << "Error: cannot parse formula: " << r.reason << "\n";
    else if (r.status != 0 && !settings.resolution)
        out << CALCULATION_FAILED_MESSAGE;
    else if (r.status != 0)
        out << "Error: " << r.reason << "\n";
    return r.status;
}

void TakeIonCharge(const PlotSettings& p, const PatternResult& r, RunSettings& s)
{
    if (!p.adduct.empty() || (p.molecules.sequences && s.charge == 0 && r.charge != 0)) {
        s.charge = r.charge;
        s.masstocharge = true;
    }
}

std::string SelectionText(const RunSettings& s)
{
    std::ostringstream t;
    if (s.thresholdGiven)
        t << "threshold " << s.threshold;
    else
        t << "coverage " << FRONT_END_COVERAGE;
    return t.str();
}

}  // namespace morvane
