#ifndef MORVANE_MATCH_MATCHOPTIONS_H
#define MORVANE_MATCH_MATCHOPTIONS_H

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "frontend/MoleculeOptions.h"
#include "frontend/ResolutionOptions.h"
#include "match/Match.h"
#include "match/MzFile.h"
#include "match/PeakListFile.h"

namespace morvane {

// The most threads -j asks for.
const int MAX_MATCH_THREADS = 1024;

// What morvane-match's command line asks for.
struct MatchRunSettings {
    const char* spectrum = nullptr;         // the spectrum file
    std::vector<const char*> candidates;    // candidates from the arguments, in order
    const char* candidateFile = nullptr;    // -f: more, one a line
    unsigned threads = 0;                   // -j: threads calculating the candidates (0: one per processor)
    ResolutionOptions instrument;           // --resolution, --analyzer, --fwhm (needed)
    MoleculeOptions molecules;              // --sequences, --enrichment, --fixed
    SpectrumReadSettings read;              // --profile-data, --scan
    ScanSelection scans;                    // mzML/mzXML: --scan, --native-id, --rt, --rt-range
    MatchSettings match;                    // --ppm, --charges, --theory-floor, --noise-floor
    bool csv = false;                       // --csv
    bool peaks = false;                     // --peaks: one row per theoretical peak
    bool mixture = false;                   // --mixture: the best ions fitted together
    bool eachScan = false;                  // --each-scan: a row per candidate and MS1 scan (of --rt-range)
    // --profile-data without a resolution: the analyzer (--analyzer, default
    // orbitrap) whose resolving power is estimated from the profile.
    std::optional<Analyzer> estimate;
    std::string enrichmentLabel;            // --fit-enrichment: the label ("13C") whose enrichment is fitted
    double lowestEnrichment = 0.8;          // --lowest-enrichment: the lowest level fitted
};

// Reads argv[1..argc-1]: options anywhere, also as --opt=value; the first
// word that is no option is the spectrum, the others candidates. Returns 0,
// or 5 after writing the message of the first bad option to `err`
// (unknown options name the closest known one), also for --each-scan on a
// file that is no mzML or mzXML run or with a single scan's option.
int ScanMatchOptions(int argc, char** argv, MatchRunSettings& s, std::ostream& err);

}  // namespace morvane

#endif
