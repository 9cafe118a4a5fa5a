#include "morvane-batch/BatchOptions.h"

#include <cstring>
#include <vector>

#include "core/Status.h"

namespace morvane {

int ScanBatchOptions(int argc, char** argv, BatchSettings& s, std::ostream& err)
{
    std::vector<char*> rest;
    for (int i = 1; i < argc; ++i) {
        const char* w = argv[i];
        const bool input = std::strcmp(w, "-i") == 0, output = std::strcmp(w, "-o") == 0;
        const bool threads = std::strcmp(w, "-j") == 0, adduct = std::strcmp(w, "-a") == 0;
        if (!input && !output && !threads && !adduct) {
            rest.push_back(argv[i]);
            continue;
        }
        if (i == argc - 1) {
            err << (input    ? "Error: input file not specified\n"
                    : output ? "Error: output file not specified\n"
                    : adduct ? "Error: adduct not specified\n"
                             : "Error: threads not specified\n");
            return OPTION_ERROR_STATUS;
        }
        const char* value = argv[++i];
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
