#ifndef MORVANE_SPECTRUM_PEAKMERGER_H
#define MORVANE_SPECTRUM_PEAKMERGER_H

#include <cmath>

#include "BaseSpectrum.h"

namespace morvane {

// Chained merging of variants handed over in mass order: a variant joins
// the open group when its position lies within `res` of the variant before
// it. A peak's position is sum(p * m / z) / sum(p), its height sum(p); each
// closed group is appended to the spectrum at once. The state carries over
// from call to call, so the variants may come in any number of runs.
class PeakMerger {
public:
    PeakMerger(BaseSpectrum* spectrum, double res) : spectrum(spectrum), res(res) {}

    // `z`: the variant's charge in mass-to-charge mode, otherwise 1.
    void Add(double mass, double probability, double z)
    {
        const double x = mass / z;
        if (!started) {
            previous = x;
            started = true;
        }
        if (std::fabs(x - previous) <= res) {
            a = a + probability;
            w = w + probability * mass / z;
        } else {
            Close();
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
    bool started = false;
    double previous = 0;  // position of the variant before
    double w = 0;         // sum of p * m / z of the open group
    double a = 0;         // sum of p of the open group

    // A group whose probabilities are all 0 makes no peak.
    void Close()
    {
        if (a == 0) return;
        isotope peak(w / a, a);
        spectrum->push_back(peak);
    }
};

}  // namespace morvane

#endif
