#ifndef MORVANE_SPECTRUM_PEAKCOMPOSITION_H
#define MORVANE_SPECTRUM_PEAKCOMPOSITION_H

#include <functional>
#include <string>
#include <vector>

#include "../elements/isotope.h"
#include "../engine/KeptVariants.h"
#include "../engine/MolEnsemble.h"
#include "PeakMerger.h"

namespace morvane {

// What a peak is made of: the isotopic make-up of its most probable
// variant, written as chemists write it, and that variant's share of the
// peak's abundance.
struct PeakMakeup {
    std::string isotopes;  // "13C2", "13C 15N", "34S"; empty for all atoms in their most abundant isotope
    double share = 0;      // the variant's probability / the peak's (unnormalised) abundance
};

// The minor isotopes of one element's combination: for each isotope entry
// but the most abundant that holds atoms, its mass number, the element's
// symbol and the count when above 1 ("13C2", "2H"), in increasing mass
// number, separated by blanks.
std::string MinorIsotopes(const AtomIsoAbun& atom, const std::vector<int>& counts);

// For each peak, its most probable variant (the first in generation order
// among equals) and that variant's share. `peakOf(mass, neutrons)` names the
// peak of a kept variant, or -1 for none. Returns false when the search
// reaches its work bound.
using PeakOf = std::function<long long(double mass, long long neutrons)>;
bool ComposePeaks(const KeptVariants& variants, const MolEnsemble& ensemble, const std::vector<isotope>& peaks,
                  const PeakOf& peakOf, std::vector<PeakMakeup>& makeup);

// The peak of a variant at `position` among merged peaks with these spans.
class SpanIndex {
public:
    explicit SpanIndex(const std::vector<PeakSpan>& spans);
    long long Find(double position) const;

private:
    std::vector<double> lows, highs;  // increasing
    bool descending;
    std::size_t count;
};

}  // namespace morvane

#endif
