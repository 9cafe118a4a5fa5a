// A whole run of the command line: the input is split at line feeds into
// argument words. Runs in the repository root, so the default table is the
// shipped one and table names may point at any file there.
//
// Formulas are limited to 6 atoms in all (see AtomsRequested).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ArgumentWords.h"
#include "frontend/Driver.h"

using namespace morvane;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (chdir(MORVANE_SOURCE_DIR) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words = ArgumentWords("morvane", data, size);
    if (words.size() > 1 && AtomsRequested(words[1]) > 6) return 0;
    std::vector<char*> argv = Argv(words);

    std::ostringstream sink;
    std::streambuf* previous = std::cout.rdbuf(sink.rdbuf());
    const int status = MorvaneMain(static_cast<int>(words.size()), argv.data());
    std::cout.rdbuf(previous);
    if (status < 0 || status > 7) std::abort();
    return 0;
}
