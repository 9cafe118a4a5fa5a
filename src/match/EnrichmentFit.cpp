#include "EnrichmentFit.h"

#include <cmath>
#include <vector>

#include "../formula/AtomCounts.h"

namespace morvane {

bool FitEnrichment(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum, const Candidate& candidate,
                   int charge, const std::string& label, double lowest, const MatchSettings& s,
                   const MixtureSettings& m, EnrichmentResult& result, std::string& reason)
{
    if (!(lowest > 0 && lowest < 1)) {
        reason = "the lowest enrichment must lie between 0 and 1";
        return false;
    }
    Enrichment named;
    if (!ParseEnrichment(label + "=1", named, reason)) return false;
    const std::string key = named.begin()->first;
    std::vector<double> levels;
    std::vector<Ion> ions;
    for (int k = 0; k < ENRICHMENT_LEVELS; ++k) {
        Enrichment enrichment = s.pattern.enrichment ? *s.pattern.enrichment : Enrichment();
        levels.push_back(lowest + (1 - lowest) * k / (ENRICHMENT_LEVELS - 1));
        enrichment[key] = levels.back();
        PatternSettings p = s.pattern;
        p.enrichment = &enrichment;
        Ion ion;
        if (CalculateIon(table, candidate, charge, p, ion, reason) != 0) return false;
        ions.push_back(std::move(ion));
    }
    MixtureFit fit;
    if (!FitMixture(spectrum, ions, m, fit, reason)) return false;
    double mean = 0, variance = 0;
    for (int k = 0; k < ENRICHMENT_LEVELS; ++k) {
        mean += fit.proportions[k] * levels[k];
        variance += levels[k] * levels[k] * fit.uncertainties[k] * fit.uncertainties[k];
    }
    result.enrichment = mean;
    result.uncertainty = std::sqrt(variance);
    result.residual = fit.residual;
    return true;
}

}  // namespace morvane
