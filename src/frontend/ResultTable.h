#ifndef MORVANE_FRONTEND_RESULTTABLE_H
#define MORVANE_FRONTEND_RESULTTABLE_H

#include <ostream>

#include "calc/IsoCalc.h"
#include "frontend/Options.h"

namespace morvane {

// Writes one line "position<sep>abundance\n" per calculated peak whose
// abundance reaches the filter, normalising first when asked. The stream's
// precision is set by the caller.
void PrintResultTable(IsoCalc& calc, const RunSettings& s, std::ostream& out);

}  // namespace morvane

#endif
