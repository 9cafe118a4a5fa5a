#ifndef MORVANE_FUZZ_ARGUMENTWORDS_H
#define MORVANE_FUZZ_ARGUMENTWORDS_H

// Fuzz input as a command line: the bytes split at line feeds into argument
// words after the program name.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> ArgumentWords(const char* program, const uint8_t* data, size_t size)
{
    std::vector<std::string> words{program};
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
    return words;
}

// Atoms the formula asks for: every count (1 for a group without digits).
// Large calculations are bounded by the generation's work limits and the
// executables' address-space cap, which the hostile-input tests exercise;
// fuzzing them would only spend the fuzzer's time and memory.
inline long long AtomsRequested(const std::string& formula)
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

// argv for the words, pointing into them, ending in a null pointer.
inline std::vector<char*> Argv(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    return argv;
}

#endif
