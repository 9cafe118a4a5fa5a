#ifndef MORVANE_SPECTRUM_NEUTRONDISTRIBUTION_H
#define MORVANE_SPECTRUM_NEUTRONDISTRIBUTION_H

#include <vector>

#include "../formula/MolComposition.h"

namespace morvane {

// The probability of a molecule's variants summed by their extra neutrons:
// the neutrons beyond every atom in its element's first isotope entry (in
// a table as read, the most abundant), an entry's mass number being its
// mass rounded (MassNumber), so bins below 0 exist where a lighter isotope
// is not first. Bin k holds first + k extra neutrons. Its values are
// p[k] * 2^exponent (the probability) and w[k] * 2^exponent (the sum of
// probability * mass of its variants, neutral masses in u): the exponent
// carried beside keeps the values normal doubles however small or large
// the whole gets (the largest p lies in [0.5, 1)). A distribution of no
// bins holds nothing.
struct NeutronDistribution {
    long long first = 0;
    long long exponent = 0;
    std::vector<double> p;
    std::vector<double> w;
};

// The most bins a distribution may span.
const long long MAX_NEUTRON_BINS = 1LL << 24;

// The distribution of the molecule's variants, computed directly: each
// element's one-atom distribution raised to its count by repeated squaring
// (its binary powers multiplied together), the elements then convolved one
// after another. For two distributions, P[k] = sum_i p1[i] p2[k-i] and
// W[k] = sum_i (w1[i] p2[k-i] + p1[i] w2[k-i]).
//
// The one-atom distributions are exact; every convolution drops the tails
// of its result whose probabilities sum to at most delta = 2^-100 / (N + 1)
// of the result's total, N the molecule's atoms. The loss stays bounded: all
// values being non-negative, a convolution of A' = A - eA and B' = B - eB
// (eA, eB >= 0 what earlier trims dropped) misses
// |eA * B + A' * eB| <= (rA + rB) |A| |B| of the exact |A * B| (|.| the sum
// of the bins, rA = |eA| / |A|): relative losses add, plus delta for the
// trim. A square doubles its factor's loss, so the power 2^b has lost at
// most (2^b - 1) delta, n atoms' product of powers at most (n - 1) delta,
// and the molecule, one more trim per element, at most N delta < 2^-100 of
// its total probability. No bin is short by more than that, and the
// largest bin holds at least 2^-24 of the total (there are at most
// MAX_NEUTRON_BINS), so no bin is off by more than 2^-76 (1.3e-23) of the
// largest: far below the 1e-12 of the largest it is to be exact to, and
// small against every bin above 1e-15 of the largest.
//
// Rounding errs relative to each bin itself, and its errors add up the same
// way: a convolution's sums of L non-negative terms err by at most L 2^-53
// relative, and a square doubles its factor's error. So the early squares,
// of a few bins each, weigh most, and a bin's relative error is bounded by
// some tens of N 2^-53: of the order of what the abundances' own rounding
// to doubles does to N atoms (titin's bins sum to 1 - 1.0e-11, its
// abundances as doubles to 1 - 3.9e-12 over its atoms).
//
// Returns 0, or 6 (CALC_GENERATION_FAILED) when a distribution would span
// more than MAX_NEUTRON_BINS bins (only tables of one's own with isotopes
// far apart); `out` then holds no bins. A molecule that holds no
// probability (an element of no isotope entries, or only abundances of 0)
// leaves no bins either, with 0.
int MoleculeNeutrons(const MolComposition& molecule, NeutronDistribution& out);

}  // namespace morvane

#endif
