#ifndef MORVANE_APP_OPTIONS_H
#define MORVANE_APP_OPTIONS_H

#include <ostream>

// What the command line asks for; defaults as in the usage text.
struct RunSettings {
    char* formula = nullptr;
    const char* tablefile = nullptr;  // none named: the default table is looked up
    int charge = 0;
    bool masstocharge = false;
    bool normalize = false;
    double filter = 0;
    double threshold = 0.001;
    int precision = 8;
    double merge = 0.1;
    bool comma = false;
};

// Reads the formula, the optional table file name and the options of
// argv[1..argc-1] (argc >= 2). On the first bad option writes its message to
// `out` and returns 5; otherwise returns 0.
int ScanOptions(int argc, char** argv, RunSettings& s, std::ostream& out);

#endif
