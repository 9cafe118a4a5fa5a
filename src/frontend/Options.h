#ifndef MORVANE_FRONTEND_OPTIONS_H
#define MORVANE_FRONTEND_OPTIONS_H

#include <ostream>

namespace morvane {

// No double has more than 767 significant digits in its exact decimal
// expansion, so printing with more than this gives the very same bytes.
const int MAX_USEFUL_PRECISION = 800;

// What the command line asks for; defaults as in the usage text.
struct RunSettings {
    char* formula = nullptr;
    const char* tablefile = nullptr;  // none named: the default table is looked up
    int charge = 0;
    bool masstocharge = false;
    bool normalize = false;
    double filter = 0;
    double threshold = 0.001;
    bool thresholdGiven = false;  // -t was given
    int precision = 8;
    double merge = 0.1;
    bool mergeGiven = false;  // -r was given
    bool comma = false;
};

// Reads the formula, the optional table file name and the options of
// argv[1..argc-1] (argc >= 2). On the first bad option writes its message to
// `out` and returns 5; otherwise returns 0.
int ScanOptions(int argc, char** argv, RunSettings& s, std::ostream& out);

// The same without the formula: the optional table file name (words[0], when
// it is not an option word) and the options of words[0..n-1]. Words that are
// neither are ignored. Returns 0, or 5 after writing the message to `out`;
// `s` then holds the options read before the bad one.
int ScanTableAndOptions(int n, char** words, RunSettings& s, std::ostream& out);

// A real number as strtod reads it, the whole word consumed and not NaN
// (an empty word reads as 0, as morvane has always read it).
bool ConvertReal(const char* w, double& value);

// An integer as strtol reads it with base 0 (0x hexadecimal, 0 octal), the
// whole word consumed and the value within the range of int.
bool ConvertInt(const char* w, int& value);

}  // namespace morvane

#endif
