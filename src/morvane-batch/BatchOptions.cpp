#include "morvane-batch/BatchOptions.h"

#include <cstring>
#include <vector>

#include "core/Status.h"

namespace morvane {

int ScanBatchOptions(int argc, char** argv, BatchSettings& s, std::ostream& err)
{
    std::vector<char*> words(argv + 1, argv + argc), rest;
    if (TakeResolutionOptions(words, true, s.instrument, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeMoleculeOptions(words, "--sequences", s.molecules, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeProteinOptions(words, s.proteins, err) != 0) return OPTION_ERROR_STATUS;
    if (s.proteins.fasta) s.molecules.sequences = true;
    if (TakeReportOptions(words, s.report, err) != 0) return OPTION_ERROR_STATUS;
    if (s.instrument.resolution && (s.report.nominal || s.report.composition)) {
        err << "Error: a resolution does not go with --nominal or --composition\n";
        return OPTION_ERROR_STATUS;
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const char* w = words[i];
        const bool input = std::strcmp(w, "-i") == 0, output = std::strcmp(w, "-o") == 0;
        const bool threads = std::strcmp(w, "-j") == 0, adduct = std::strcmp(w, "-a") == 0;
        if (!input && !output && !threads && !adduct) {
            rest.push_back(words[i]);
            continue;
        }
        if (i + 1 == words.size()) {
            err << (input    ? "Error: input file not specified\n"
                    : output ? "Error: output file not specified\n"
                    : adduct ? "Error: adduct not specified\n"
                             : "Error: threads not specified\n");
            return OPTION_ERROR_STATUS;
        }
        const char* value = words[++i];
        int n = 0;
        if (input) s.input = value;
        if (output) s.output = value;
        if (adduct) s.adducts.push_back(value);
        if (threads) {
            if (!ConvertInt(value, n) || n <= 0) {
                err << "Error: threads must be an integer > 0\n";
                return OPTION_ERROR_STATUS;
            }
            s.threads = static_cast<unsigned>(n);
        }
    }
    return ScanTableAndOptions(static_cast<int>(rest.size()), rest.data(), s.run, err);
}

}  // namespace morvane
