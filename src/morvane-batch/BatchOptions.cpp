#include "morvane-batch/BatchOptions.h"

#include <cstring>
#include <vector>

#include "core/Status.h"
#include "frontend/FrontEndWords.h"

namespace morvane {

namespace {

// Every option of morvane-batch.
std::vector<KnownOption> BatchOptions()
{
    std::vector<KnownOption> known = {
        {"-i", true},           {"-o", true},         {"-j", true},          {"-a", true},
        {"--resolution", true}, {"--analyzer", true}, {"--fwhm", true},      {"--profile", false},
        {"--sequences", false}, {"--enrichment", true}, {"--fixed", true},   {"--fasta", false},
        {"--digest", true},     {"--missed-cleavages", true}, {"--length", true}, {"--coverage", true},
        {"--nominal", false},   {"--composition", false}, {"--summary", false}, {"--help", false},
        {"--version", false},   {"--centroid-intensity", true}};
    known.insert(known.end(), MORVANE_OPTIONS.begin(), MORVANE_OPTIONS.end());
    return known;
}

}  // namespace

int ScanBatchOptions(int argc, char** argv, BatchSettings& s, std::ostream& err)
{
    std::vector<char*> words(argv + 1, argv + argc), rest, plain;
    if (SortFrontEndWords(words, BatchOptions(), plain, err) != 0) return OPTION_ERROR_STATUS;
    if (plain.size() > 1) {
        err << "Error: unexpected word " << plain[1] << ": the isotope table is " << plain[0]
            << ", and formulas come from the input\n";
        return OPTION_ERROR_STATUS;
    }
    if (TakeResolutionOptions(words, true, s.instrument, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeMoleculeOptions(words, "--sequences", s.molecules, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeProteinOptions(words, s.proteins, err) != 0) return OPTION_ERROR_STATUS;
    if (s.proteins.fasta) s.molecules.sequences = true;
    if (!s.molecules.fixedWords.empty() && !s.molecules.sequences) {
        err << "Error: fixed modifications need --sequences or --fasta\n";
        return OPTION_ERROR_STATUS;
    }
    if (TakeReportOptions(words, s.report, err) != 0) return OPTION_ERROR_STATUS;
    if (s.instrument.resolution && (s.report.nominal || s.report.composition)) {
        err << "Error: a resolution does not go with --nominal or --composition\n";
        return OPTION_ERROR_STATUS;
    }
    if (s.report.centroidIntensityGiven && (!s.instrument.resolution || s.instrument.profile)) {
        err << "Error: --centroid-intensity is for centroids: it needs --resolution or --fwhm, without --profile\n";
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
    if (ScanTableAndOptions(static_cast<int>(rest.size()), rest.data(), s.run, err) != 0) return OPTION_ERROR_STATUS;
    if (!plain.empty()) s.run.tablefile = plain[0];
    return 0;
}

}  // namespace morvane
