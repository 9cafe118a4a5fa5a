#ifndef MORVANE_MATCH_MATCHRUN_H
#define MORVANE_MATCH_MATCHRUN_H

namespace morvane {

// morvane-match's whole run: reads the options, the default isotope table,
// the spectrum (profile data without a resolution centroided at the one
// their peak widths show, reported on standard error) and the candidates,
// and writes one row per candidate (or per theoretical peak with --peaks,
// or its enrichment with --fit-enrichment) to standard output. Returns 0;
// 5 for an option; 1 when the table, the spectrum or the candidate file
// cannot be read, or a profile has too few clean peaks for an estimate;
// else the status of the first candidate that failed (2 it does not parse
// or lacks the label, 6 its calculation or enrichment fit failed), the
// others still written.
// With --each-scan the rows of each scan are written as the scan is read:
// a run found corrupt or truncated midway ends with status 1 and the
// message after the rows of the scans before the fault.
int MatchMain(int argc, char** argv);

}  // namespace morvane

#endif
