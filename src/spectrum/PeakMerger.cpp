#include "spectrum/PeakMerger.h"

#include <cmath>

PeakMerger::PeakMerger(BaseSpectrum* s, double r) : spectrum(s), res(r) {}

void PeakMerger::Add(double mass, double probability, double z)
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

void PeakMerger::Finish() { Close(); }

// A group whose probabilities are all 0 makes no peak.
void PeakMerger::Close()
{
    if (a == 0) return;
    isotope peak(w / a, a);
    spectrum->push_back(peak);
}
