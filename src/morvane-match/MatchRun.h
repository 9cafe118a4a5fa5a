#ifndef MORVANE_MATCH_MATCHRUN_H
#define MORVANE_MATCH_MATCHRUN_H

namespace morvane {

// morvane-match's whole run: reads the options, the default isotope table,
// the spectrum and the candidates, and writes one row per candidate (or per
// theoretical peak with --peaks) to standard output. Returns 0; 5 for an
// option; 1 when the table, the spectrum or the candidate file cannot be
// read; else the status of the first candidate that failed (2 it does not
// parse, 6 its calculation failed), the others still written.
// With --each-scan the rows of each scan are written as the scan is read:
// a run found corrupt or truncated midway ends with status 1 and the
// message after the rows of the scans before the fault.
int MatchMain(int argc, char** argv);

}  // namespace morvane

#endif
