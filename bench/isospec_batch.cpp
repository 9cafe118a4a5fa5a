// The peer's rate on many formulas: IsoSpec through its C++ API in one
// process, one formula after another, on morvane-batch's input (a formula
// per line, or an identifier, a tab and a formula; '#' lines skipped).
// Each formula's configurations above thr times the most probable one (or
// its smallest set holding the coverage P) are sorted by mass and merged at
// 0.1 u, as morvane does.
//
//   isospec_batch input.txt [thr | coverage=P]
//
// Prints the number of formulas and peaks, and the formulas per second.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "PeerIsoSpec.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: isospec_batch input.txt [thr | coverage=P]\n");
        return 2;
    }
    const PeerCut cut = argc > 2 ? ParsePeerCut(argv[2]) : PeerCut{};
    std::ifstream in(argv[1]);
    std::vector<std::string> formulas;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        formulas.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
    }
    const auto start = std::chrono::steady_clock::now();
    std::size_t peaks = 0, configurations = 0;
    for (const std::string& f : formulas) peaks += PeerOnce(f.c_str(), cut, 0.1, configurations);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu formulas, %zu peaks, %.3f s, %.0f formulas/s\n", formulas.size(), peaks, seconds,
                formulas.size() / seconds);
    return 0;
}
