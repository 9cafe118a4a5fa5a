#ifndef MORVANE_TESTS_REFERENCE_H
#define MORVANE_TESTS_REFERENCE_H

// Independent reference computations of isotope distributions, written from
// first principles and sharing no code with the calculator.

#include <map>
#include <string>
#include <utility>
#include <vector>

struct RefIsotope {
    double mass;
    double abundance;
};

struct RefElement {
    std::vector<RefIsotope> isotopes;
    int atoms;
};

struct RefPeak {
    double mass;
    double abundance;
};

// The shipped table as a map from symbol to isotopes, read with a plain
// line parser (symbol lines hold two words, isotope lines mass and abundance).
std::map<std::string, std::vector<RefIsotope>> LoadReferenceTable(const std::string& path);

// Multinomial probability n!/prod(c_j!) * prod(a_j^c_j), in long double
// through lgamma, for counts c over abundances a.
long double MultinomialProbability(const std::vector<int>& counts, const std::vector<double>& abundances);

// Every isotopic variant of the molecule (all count vectors of every
// element), with its probability and mass. Only for small molecules.
std::vector<RefPeak> AllVariants(const std::vector<RefElement>& molecule);

// The distribution aggregated by nucleon number: peak i holds all variants
// with i extra nucleons over the lightest isotopes, at their mean mass.
// Built by convolving atom after atom.
std::vector<RefPeak> NominalDistribution(const std::vector<RefElement>& molecule);

// One element of many atoms by nucleon number: the multinomial probability
// of every count vector (through lgamma) whose probability is not below
// `cut`, summed per nucleon number (the isotopes' masses rounded), with the
// mean mass of each. The count vectors are visited as a chain of binomials,
// isotope after isotope, so that only the probable ones are visited: the
// probability left out is a small multiple of `cut` per visited vector.
std::vector<RefPeak> ElementByNucleonNumber(const RefElement& element, long double cut);

// The same over the count vectors of probability above thr times the most
// probable one: what a calculation that keeps exactly those prints.
std::vector<RefPeak> ElementAboveThreshold(const RefElement& element, double thr);

// The probability of every count vector of the element not below `cut`
// (absolute), through lgamma, in no particular order.
std::vector<long double> VectorProbabilities(const RefElement& element, long double cut);

// The probability of the element's most probable count vector.
long double MostProbableVector(const RefElement& element);

// The total probability of the molecule's variants (one count vector per
// element) whose probability is at least thr times that of the most
// probable variant.
long double TotalAboveThreshold(const std::vector<RefElement>& molecule, double thr);

// Merges mass-sorted variants whose neighbours lie within res of each other.
std::vector<RefPeak> MergeChained(std::vector<RefPeak> variants, double res);

#endif
