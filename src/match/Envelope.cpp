#include "Envelope.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "../spectrum/Distance.h"

namespace morvane {

namespace {

const double C13_SPACING = 1.0033548;

// The ion's peaks of at least the floor, scaled so that the largest is 1.
std::vector<isotope> LookedFor(const Ion& ion, double floor)
{
    double top = 0;
    for (const isotope& p : ion.peaks) top = std::max(top, p.abundance);
    std::vector<isotope> kept;
    for (const isotope& p : ion.peaks)
        if (top > 0 && p.abundance >= floor * top) kept.emplace_back(p.mass, p.abundance / top);
    return kept;
}

// The window's observed peaks above the noise floor.
std::vector<isotope> WindowPeaks(const MeasuredSpectrum& spectrum, double lo, double hi, double noiseFloor)
{
    const auto range = spectrum.Between(lo, hi);
    const std::vector<isotope>& all = spectrum.Peaks();
    double top = 0;
    for (std::size_t i = range.first; i < range.second; ++i) top = std::max(top, all[i].abundance);
    std::vector<isotope> kept;
    for (std::size_t i = range.first; i < range.second; ++i)
        if (all[i].abundance >= noiseFloor * top) kept.push_back(all[i]);
    return kept;
}

// Pairs each looked-for peak with the closest window peak within the
// tolerance, each window peak used at most once (the looked-for peaks taken
// by decreasing intensity, so the main peaks choose first).
void PairPeaks(const std::vector<isotope>& theory, const std::vector<isotope>& window, double ppm, EnvelopeFit& fit)
{
    std::vector<std::size_t> order(theory.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return theory[a].abundance > theory[b].abundance; });
    std::vector<bool> used(window.size(), false);
    fit.peaks.assign(theory.size(), PeakPair());
    for (std::size_t i : order) {
        PeakPair& pair = fit.peaks[i];
        pair.theoreticalMz = theory[i].mass;
        pair.theoretical = 100 * theory[i].abundance;
        const double tol = ppm * 1e-6 * theory[i].mass;
        std::size_t best = window.size();
        for (std::size_t j = 0; j < window.size(); ++j)
            if (!used[j] && std::fabs(window[j].mass - theory[i].mass) <= tol &&
                (best == window.size() || std::fabs(window[j].mass - theory[i].mass) < std::fabs(window[best].mass - theory[i].mass)))
                best = j;
        if (best == window.size()) continue;
        used[best] = true;
        pair.found = true;
        pair.observedMz = window[best].mass;
        pair.observed = window[best].abundance;
        pair.ppm = (window[best].mass - theory[i].mass) / theory[i].mass * 1e6;
    }
}

// Explained share, rms error and the observed intensities made relative.
void Summarise(const std::vector<isotope>& window, const Ion& ion, double ppm, EnvelopeFit& fit)
{
    double tt = 0, to = 0, total = 0, top = 0, weighted = 0, weights = 0;
    for (const isotope& p : window) total += p.abundance;
    for (const PeakPair& p : fit.peaks) {
        tt += p.theoretical * p.theoretical;
        to += p.theoretical * p.observed;
        top = std::max(top, p.observed);
    }
    const double scale = tt > 0 ? to / tt : 0;
    double explained = 0;
    for (PeakPair& p : fit.peaks) {
        if (!p.found) continue;
        explained += std::min(scale * p.theoretical, p.observed);
        weighted += p.theoretical * p.ppm * p.ppm;
        weights += p.theoretical;
        ++fit.found;
        if (std::fabs(p.theoreticalMz - ion.monoisotopic) <= ppm * 1e-6 * ion.monoisotopic && !fit.monoisotopicFound) {
            fit.monoisotopicFound = true;
            fit.monoisotopicPpm = p.ppm;
        }
    }
    for (PeakPair& p : fit.peaks) p.observed = top > 0 ? 100 * p.observed / top : 0;
    fit.explained = total > 0 ? explained / total : 0;
    fit.rmsPpm = weights > 0 ? std::sqrt(weighted / weights) : 0;
}

}  // namespace

double IsotopeSpacing(int charge) { return C13_SPACING / std::abs(charge); }

EnvelopeFit FitEnvelope(const MeasuredSpectrum& spectrum, const Ion& ion, const EnvelopeSettings& s)
{
    EnvelopeFit fit;
    const std::vector<isotope> theory = LookedFor(ion, s.theoryFloor);
    if (theory.empty()) return fit;
    const double lo = theory.front().mass - IsotopeSpacing(ion.charge), hi = theory.back().mass;
    const std::vector<isotope> window =
        WindowPeaks(spectrum, lo - s.ppm * 1e-6 * lo, hi + s.ppm * 1e-6 * hi, s.noiseFloor);
    PairPeaks(theory, window, s.ppm, fit);
    if (window.empty()) return fit;
    Summarise(window, ion, s.ppm, fit);
    std::string reason;
    if (!CosineSimilarity(theory, window, s.ppm, fit.cosine, reason)) fit.cosine = 0;
    if (!WassersteinDistance(theory, window, fit.wasserstein, reason)) fit.wasserstein = 0;
    const double accuracy = std::exp(-2 * (fit.rmsPpm / s.ppm) * (fit.rmsPpm / s.ppm));
    fit.score = fit.found > 0 ? fit.cosine * fit.explained * accuracy : 0;
    return fit;
}

}  // namespace morvane
