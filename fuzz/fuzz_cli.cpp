// A whole run of the command line: the input is split at line feeds into
// argument words. Runs in the repository root, so the default table is the
// shipped one and table names may point at any file there.
//
// Formulas are limited to 6 atoms in all: the cost of large calculations is
// bounded by the generation's work limits and the executable's address-space
// cap, which the hostile-input tests exercise; here they would only spend
// the fuzzer's time and memory.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Driver.h"

namespace {

// Atoms the formula asks for: every count (1 for a group without digits).
long long AtomsRequested(const std::string& formula)
{
    long long atoms = 0, count = -1;
    for (char c : formula) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            count = (count < 0 ? 0 : count) * 10 + (c - '0');
            if (count > 1000) return count;
        } else if (std::isupper(static_cast<unsigned char>(c))) {
            atoms += count < 0 ? 1 : count;
            count = -1;
        }
    }
    return atoms + (count < 0 ? 1 : count);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (chdir(MORVANE_SOURCE_DIR) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words{"morvane"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (size > 0) words.push_back(word);
    if (words.size() > 1 && AtomsRequested(words[1]) > 6) return 0;

    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);

    std::ostringstream sink;
    std::streambuf* previous = std::cout.rdbuf(sink.rdbuf());
    const int status = MorvaneMain(static_cast<int>(words.size()), argv.data());
    std::cout.rdbuf(previous);
    if (status < 0 || status > 7) std::abort();
    return 0;
}
