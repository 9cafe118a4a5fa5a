#ifndef MORVANE_SPECTRUM_PEAKMERGER_H
#define MORVANE_SPECTRUM_PEAKMERGER_H

#include <cmath>
#include <vector>

#include "BaseSpectrum.h"

namespace morvane {

// The positions of the first and the last variant of a peak (in merge
// order, so descending for negative m/z).
struct PeakSpan {
    double first;
    double last;
};

// Chained merging of variants handed over in mass order: a variant joins
// the open group when its position lies within `res` of the variant before
// it. A peak's position is sum(p * m / z) / sum(p), its height sum(p); each
// closed group is appended to the spectrum at once. The state carries over
// from call to call, so the variants may come in any number of runs. With
// `spans`, each peak's span is appended to it as the peak is.
class PeakMerger {
public:
    PeakMerger(BaseSpectrum* spectrum, double res, std::vector<PeakSpan>* spans = nullptr)
        : spectrum(spectrum), res(res), spans(spans)
    {}

    // `z`: the variant's charge in mass-to-charge mode, otherwise 1.
    void Add(double mass, double probability, double z)
    {
        const double x = mass / z;
        if (!started) {
            previous = first = x;
            started = true;
        }
        if (std::fabs(x - previous) <= res) {
            a = a + probability;
            w = w + probability * mass / z;
        } else {
            Close();
            first = x;
            w = probability * mass / z;
            a = probability;
        }
        previous = x;
    }

    // Appends the open group; call once, after the last variant.
    void Finish() { Close(); }

private:
    BaseSpectrum* spectrum;
    double res;
    std::vector<PeakSpan>* spans;
    bool started = false;
    double first = 0;     // position of the open group's first variant
    double previous = 0;  // position of the variant before
    double w = 0;         // sum of p * m / z of the open group
    double a = 0;         // sum of p of the open group

    // A group whose probabilities are all 0 makes no peak.
    void Close()
    {
        if (a == 0) return;
        isotope peak(w / a, a);
        spectrum->push_back(peak);
        if (spans != nullptr) spans->push_back(PeakSpan{first, previous});
    }
};

}  // namespace morvane

#endif
