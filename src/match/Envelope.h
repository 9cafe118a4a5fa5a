#ifndef MORVANE_MATCH_ENVELOPE_H
#define MORVANE_MATCH_ENVELOPE_H

#include <string>
#include <vector>

#include "MeasuredSpectrum.h"
#include "Theory.h"

namespace morvane {

// How an envelope is compared with the spectrum.
struct EnvelopeSettings {
    // A theoretical peak and an observed one pair when their m/z differ by
    // at most this many millionths of the theoretical m/z.
    double ppm = 10;
    // Theoretical peaks below this fraction of the ion's largest are not
    // looked for: neither their absence nor their presence counts.
    double theoryFloor = 0.01;
    // Observed peaks below this fraction of the window's largest are noise:
    // they neither pair nor count as unexplained.
    double noiseFloor = 0.01;
};

// One theoretical peak of an envelope and the observed peak paired with it.
struct PeakPair {
    double theoreticalMz = 0;
    double observedMz = 0;        // 0 when no peak pairs
    double ppm = 0;               // (observed - theoretical) / theoretical * 1e6; 0 when none pairs
    double theoretical = 0;       // relative intensity: the ion's largest peak is 100
    double observed = 0;          // relative intensity: the largest paired observed peak is 100; 0 when none
    bool found = false;
};

// An ion's envelope in the spectrum. The window runs from one isotope
// spacing (1.00336 / |z|) below the first looked-for peak, less the
// tolerance, to the last looked-for peak plus the tolerance, so that a
// peak where the ion has none (the one below its monoisotopic peak above
// all) counts against it.
struct EnvelopeFit {
    std::vector<PeakPair> peaks;  // the looked-for theoretical peaks, ascending
    int found = 0;                // of them, how many paired
    double monoisotopicPpm = 0;   // the error of the peak holding the monoisotopic m/z; 0 when not found
    bool monoisotopicFound = false;
    double cosine = 0;            // of the looked-for peaks and the window's peaks above noise (spectrum/Distance.h)
    double wasserstein = 0;       // the same two, in m/z
    double explained = 0;         // of the window's intensity above noise, the share the scaled envelope explains
    double rmsPpm = 0;            // intensity-weighted root mean square error of the paired peaks
    // cosine * explained * exp(-2 (rmsPpm / ppm)^2): 1 for a perfect match,
    // 0 when nothing pairs.
    double score = 0;
};

// Compares `ion` with the spectrum's peaks in its window. Never fails: a
// window without peaks above noise gives a fit of score 0 with every
// looked-for peak missing.
EnvelopeFit FitEnvelope(const MeasuredSpectrum& spectrum, const Ion& ion, const EnvelopeSettings& s);

// The isotope spacing in m/z at a charge: 1.00336 (13C - 12C) / |z|.
double IsotopeSpacing(int charge);

}  // namespace morvane

#endif
