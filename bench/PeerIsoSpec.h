#ifndef MORVANE_BENCH_PEERISOSPEC_H
#define MORVANE_BENCH_PEERISOSPEC_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// (mass, probability) pairs: IsoSpec configurations, or merged peaks.
using MassProbabilities = std::vector<std::pair<double, double>>;

// The formula with every count written out, as IsoSpec wants it (H2O1).
std::string ExplicitCounts(const char* formula);

// Configurations stably sorted by mass and merged at `merge` u with chained
// merging as ours: a peak per run of neighbours at most `merge` apart, at
// its probability-weighted mean mass.
MassProbabilities SortAndMerge(MassProbabilities v, double merge);

namespace IsoSpec {
class Iso;
}

// What the peer keeps: its configurations above `value` times the most
// probable one, or, with `coverage`, its smallest set holding `value` of
// the probability (its total-probability mode, optimised to the smallest
// set as ours).
struct PeerCut {
    double value = 0.001;
    bool coverage = false;
};

// A threshold ("0.001") or a coverage target ("coverage=0.999999") from
// the command line.
PeerCut ParsePeerCut(const char* text);

// The configurations the cut keeps, in the peer's order.
MassProbabilities PeerConfigurations(IsoSpec::Iso&& iso, const PeerCut& cut);

// The peer calculator IsoSpec on one formula: the configurations of the
// cut, stably sorted by mass and merged at `merge` u with chained merging
// as ours. Returns the number of peaks and sets `configurations` to the
// number of configurations.
std::size_t PeerOnce(const char* formula, const PeerCut& cut, double merge, std::size_t& configurations);

#endif
