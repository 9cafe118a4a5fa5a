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

// The peer calculator IsoSpec on one formula: its configurations above thr
// times the most probable one, stably sorted by mass and merged at `merge`
// u with chained merging as ours. Returns the number of peaks and sets
// `configurations` to the number of configurations.
std::size_t PeerOnce(const char* formula, double thr, double merge, std::size_t& configurations);

#endif
