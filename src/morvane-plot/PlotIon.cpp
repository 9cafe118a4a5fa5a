#include "morvane-plot/PlotIon.h"

#include <deque>

#include "calc/Pattern.h"
#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "formula/Adduct.h"

namespace morvane {

int IonPeaks(RunSettings& s, const std::string& adduct, std::vector<isotope>& peaks, std::ostream& out)
{
    std::deque<AtomIsoAbun> table;
    std::string reason;
    if (LoadIsotopeTable(s.tablefile != nullptr ? s.tablefile : DefaultTablePath(), table, reason) != 0) {
        out << "Error: cannot read isotope table: " << reason << "\n";
        return CALC_TABLE_NOT_READ;
    }
    Adduct ion;
    if (ion.Parse(adduct, table, reason) != 0) {
        out << "Error: adduct " << adduct << ": " << reason << "\n";
        return OPTION_ERROR_STATUS;
    }
    PatternSettings settings;
    settings.adduct = &ion;
    settings.threshold = s.threshold;
    settings.merge = s.merge;
    settings.normalize = true;
    PatternResult r = CalculatePattern(table, s.formula, settings);
    if (r.status != 0) {
        out << "Error: " << r.reason << "\n";
        return r.status;
    }
    s.charge = ion.Charge();
    s.masstocharge = true;
    peaks = std::move(r.peaks);
    return 0;
}

}  // namespace morvane
