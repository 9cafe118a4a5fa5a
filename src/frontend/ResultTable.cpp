#include "frontend/ResultTable.h"

namespace morvane {

void PrintResultTable(IsoCalc& calc, const RunSettings& s, std::ostream& out)
{
    if (s.normalize) calc.Normalize();
    int n = 0;
    calc.GetNPeaks(n);
    const char separator = s.comma ? ',' : '\t';
    for (int i = 0; i < n; ++i) {
        double m = 0, a = 0;
        calc.Peak(i, m, a);
        if (a >= s.filter) out << m << separator << a << '\n';
    }
}

}  // namespace morvane
