#ifndef MORVANE_TESTS_SYNTHETIC_H
#define MORVANE_TESTS_SYNTHETIC_H

#include <deque>
#include <random>
#include <string>
#include <vector>

#include "elements/AtomIsoAbun.h"
#include "match/MeasuredSpectrum.h"
#include "match/Theory.h"

// Measured-looking spectra made from the library's own patterns, with
// fixed seeds: each peak moved by a random error in ppm, its intensity by
// random multiplicative noise, some small peaks dropped, and noise peaks
// added. The tests of the matching use them.

// The shipped table, loaded once.
const std::deque<morvane::AtomIsoAbun>& MatchTable();

// The orbitrap the synthetic spectra are recorded with: 120,000 at m/z 200.
morvane::Resolution SyntheticInstrument();

// How a synthetic spectrum departs from the theory.
struct Distortion {
    double ppm = 3;           // standard deviation of each peak's m/z error
    double noise = 0.05;      // standard deviation of each intensity's relative error
    double drop = 0.02;       // peaks below this fraction of the largest may be lost ...
    double dropChance = 0.5;  // ... each with this chance
    int noisePeaks = 20;      // random peaks across the window, below 1 % of the largest
};

// A formula's counts of C, H, N, O and S.
struct Chnos {
    int c, h, n, o, s;
    std::string Text() const;
};

// A peptide-like formula of `carbons` carbons.
Chnos RandomChnos(std::mt19937& random, int carbons);

// Its text.
std::string RandomFormula(std::mt19937& random, int carbons);

// The ion of `formula` as `adduct` ("[M+2H]2+") at SyntheticInstrument().
morvane::Ion SyntheticIon(const std::string& formula, const std::string& adduct);

// Several ions mixed in the given amounts (total intensities) and recorded
// by the instrument: their variants scaled and centroided together, so that
// peaks closer than the instrument resolves become one, then distorted.
std::vector<morvane::isotope> RecordMixture(const std::vector<std::string>& formulas,
                                             const std::vector<std::string>& adducts,
                                             const std::vector<double>& amounts, const Distortion& d,
                                             std::mt19937& random);

// One ion recorded and distorted.
morvane::MeasuredSpectrum Record(const std::string& formula, const std::string& adduct, const Distortion& d,
                                 std::mt19937& random);

#endif
