#ifndef MORVANE_FRONTEND_DRIVER_H
#define MORVANE_FRONTEND_DRIVER_H

#include <functional>
#include <ostream>

#include "calc/IsoCalc.h"
#include "frontend/Options.h"

namespace morvane {

// One whole run of the command line: usage, option scan, table, formula,
// calculation and result table on standard output. Returns the exit status.
int MorvaneMain(int argc, char** argv);

// Reads the table, parses the formula, hands over the settings and
// calculates; each failure is reported on `out`. Returns 0 or the exit
// status: 1 table, 2 formula, or the calculation's own status.
int CalculateAsAsked(IsoCalc& calc, const RunSettings& s, std::ostream& out);

// Runs `body` inside the program's exception handlers: an exception that
// escapes prints its message on standard output and gives status 6. Objects
// local to `body` are destroyed before the message is printed.
int RunGuarded(const std::function<int()>& body);

}  // namespace morvane

#endif
