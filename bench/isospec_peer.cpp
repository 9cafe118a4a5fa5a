// The peer calculation as a program of its own, for whole-process
// comparisons with morvane (time, peak memory):
//
//   isospec_peer FORMULA [THRESHOLD | coverage=P [TABLE]]
//
// IsoSpec's threshold generator (relative to the most probable
// configuration), or its total-probability mode, on the isotopes of
// morvane's table (default morvanetable.txt), its configurations stored as
// (mass, probability),
// stably sorted by mass and merged at 0.1 u with morvane's chained rule;
// the peaks are printed as morvane prints them. Exit status 1 when the
// table or the formula cannot be used.
#include <isoSpec++.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <utility>
#include <vector>

#include "elements/TableReader.h"
#include "formula/FormulaParser.h"
#include "PeerIsoSpec.h"

using namespace morvane;

namespace {

const double MERGE = 0.1;

MassProbabilities Generate(const MolComposition& c, const PeerCut& cut)
{
    std::vector<int> isotopes, atoms;
    std::vector<const double*> masses, probabilities;
    std::vector<std::vector<double>> store;
    for (int i = 0; i < c.totalnat; ++i) {
        std::vector<double> m, p;
        for (int j = 0; j < c.atom[i].niso; ++j) {
            m.push_back(c.atom[i].iso[j].mass);
            p.push_back(c.atom[i].iso[j].abundance);
        }
        isotopes.push_back(c.atom[i].niso);
        atoms.push_back(c.nat[i]);
        store.push_back(std::move(m));
        store.push_back(std::move(p));
    }
    for (std::size_t i = 0; i < store.size(); i += 2) {
        masses.push_back(store[i].data());
        probabilities.push_back(store[i + 1].data());
    }
    return PeerConfigurations(
        IsoSpec::Iso(c.totalnat, isotopes.data(), atoms.data(), masses.data(), probabilities.data()), cut);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cout << "usage: isospec_peer FORMULA [THRESHOLD [TABLE]]\n";
        return 1;
    }
    const PeerCut cut = argc > 2 ? ParsePeerCut(argv[2]) : PeerCut{};
    std::ifstream in(argc > 3 ? argv[3] : "morvanetable.txt");
    std::deque<AtomIsoAbun> table;
    MolComposition c;
    if (ReadIsotopeTable(in, table) != 0 || ParseFormula(argv[1], table, c) != 0) {
        std::cout << "cannot use the table or the formula\n";
        return 1;
    }
    std::cout.precision(8);
    for (const auto& peak : SortAndMerge(Generate(c, cut), MERGE)) std::cout << peak.first << '\t' << peak.second << '\n';
    return 0;
}
