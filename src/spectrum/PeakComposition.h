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
// variant, written as chemists write it: each isotope other than its
// element's natural most abundant one, as mass number, symbol and count
// ("13C2"), an isotope label's atoms counted with their element's (so that
// [13C]6H12O6 is "13C6" and D2O "2H2"), the elements in the Hill order
// ("13C 81Br"); and that variant's share of the peak's abundance.
struct PeakMakeup {
    std::string isotopes;  // "13C2", "13C 15N", "34S"; empty for all atoms in their most abundant isotope
    double share = 0;      // the variant's probability / the peak's (unnormalised) abundance
};

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
