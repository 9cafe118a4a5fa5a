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
    void Add(double mass, double probability, double z) { Step(open, mass, probability, z); }

    // Adds the variants of [begin, end) in turn, each as Add would its
    // v.*mass and v.*probability. The open group is kept in locals meanwhile:
    // written back to the object at every variant, each sum had to wait for
    // the store of the one before (twice the time on a large molecule).
    template <class Variant>
    void AddAll(const Variant* begin, const Variant* end, double Variant::*mass, double Variant::*probability,
                double z)
    {
        Group g = open;
        for (const Variant* v = begin; v != end; ++v) Step(g, (*v).*mass, (*v).*probability, z);
        open = g;
    }

    // Appends the open group; call once, after the last variant.
    void Finish() { Close(open); }

private:
    struct Group {
        bool started = false;
        double first = 0;     // position of the first variant
        double previous = 0;  // position of the variant before
        double w = 0;         // sum of p * m / z
        double a = 0;         // sum of p
    };

    BaseSpectrum* spectrum;
    double res;
    std::vector<PeakSpan>* spans;
    Group open;

    void Step(Group& g, double mass, double probability, double z) const
    {
        const double x = mass / z;
        if (!g.started) {
            g.previous = g.first = x;
            g.started = true;
        }
        if (std::fabs(x - g.previous) <= res) {
            g.a = g.a + probability;
            g.w = g.w + probability * mass / z;
        } else {
            Close(g);
            g.first = x;
            g.w = probability * mass / z;
            g.a = probability;
        }
        g.previous = x;
    }

    // A group whose probabilities are all 0 makes no peak. The group comes
    // by value, so that a group in locals never has its address taken.
    void Close(Group g) const
    {
        if (g.a == 0) return;
        isotope peak(g.w / g.a, g.a);
        spectrum->push_back(peak);
        if (spans != nullptr) spans->push_back(PeakSpan{g.first, g.previous});
    }
};

}  // namespace morvane

#endif
