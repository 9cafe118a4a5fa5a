#ifndef MORVANE_APP_RESULTTABLE_H
#define MORVANE_APP_RESULTTABLE_H

#include <ostream>

#include "app/Options.h"
#include "calc/IsoCalc.h"

// Writes one line "position<sep>abundance\n" per calculated peak whose
// abundance reaches the filter, normalising first when asked. The stream's
// precision is set by the caller.
void PrintResultTable(IsoCalc& calc, const RunSettings& s, std::ostream& out);

#endif
