#ifndef MORVANE_BATCH_BATCHOPTIONS_H
#define MORVANE_BATCH_BATCHOPTIONS_H

#include <ostream>
#include <vector>

#include "frontend/MoleculeOptions.h"
#include "frontend/Options.h"
#include "frontend/ResolutionOptions.h"
#include "morvane-batch/ProteinInput.h"
#include "morvane-batch/ReportOptions.h"

namespace morvane {

// What morvane-batch's command line asks for: morvane's table and settings,
// where the formulas come from and where the table of peaks goes.
struct BatchSettings {
    RunSettings run;
    const char* input = nullptr;   // null: standard input
    const char* output = nullptr;  // null: standard output
    unsigned threads = 0;          // 0: one per core
    std::vector<const char*> adducts;  // -a, in the order given: each formula's ions
    ResolutionOptions instrument;      // --resolution, --analyzer, --fwhm, --profile
    MoleculeOptions molecules;         // --sequences, --enrichment, --fixed
    ProteinOptions proteins;           // --fasta, --digest, --missed-cleavages, --length
    ReportOptions report;              // --coverage, --nominal, --composition, --summary
};

// Reads argv[1..argc-1]: every option with its value wherever it stands,
// also as --opt=value, and the one word that is no option nor a value, the
// table file name. morvane's options mean what they mean there. Unknown
// options, a second table and --fixed without --sequences or --fasta are
// refused. Returns 0, or 5 after writing the message of the first bad
// option to `err`.
int ScanBatchOptions(int argc, char** argv, BatchSettings& s, std::ostream& err);

}  // namespace morvane

#endif
