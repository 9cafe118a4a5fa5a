#ifndef MORVANE_ENGINE_POWERTABLE_H
#define MORVANE_ENGINE_POWERTABLE_H

#include <cmath>
#include <vector>

#include "../elements/AtomIsoAbun.h"

namespace morvane {

// pow(a_j, d) for an element's abundances a_j and small whole d, each made
// once by pow itself with the same arguments, so a lookup gives the very
// bits of the call it replaces. The recurrence's steps mostly move an atom
// or two: the calls took 40 % of the enumeration of Mo80's 37 million
// combinations.
class PowerTable {
public:
    explicit PowerTable(const AtomIsoAbun& atom)
    {
        for (int j = 0; j < atom.niso; ++j) {
            abundances.push_back(atom.iso[j].abundance);
            for (int d = -REACH; d <= REACH; ++d) powers.push_back(std::pow(atom.iso[j].abundance, static_cast<double>(d)));
        }
    }

    // pow(a_j, d), from the table where |d| <= REACH.
    double operator()(std::size_t j, int d) const
    {
        if (d < -REACH || d > REACH) return std::pow(abundances[j], static_cast<double>(d));
        return powers[j * (2 * REACH + 1) + static_cast<std::size_t>(d + REACH)];
    }

private:
    static const int REACH = 8;
    std::vector<double> abundances;
    std::vector<double> powers;
};

}  // namespace morvane

#endif
