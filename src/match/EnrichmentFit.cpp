#include "EnrichmentFit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "../core/Status.h"
#include "../formula/AtomCounts.h"

namespace morvane {

int FitEnrichment(const std::deque<AtomIsoAbun>& table, const MeasuredSpectrum& spectrum, const Candidate& candidate,
                  int charge, const std::string& label, double lowest, const MatchSettings& s,
                  const MixtureSettings& m, EnrichmentResult& result, std::string& reason)
{
    if (!(lowest > 0 && lowest < 1)) {
        reason = "the lowest enrichment must lie between 0 and 1";
        return CALC_SETTING_REFUSED;
    }
    Enrichment named;
    if (!ParseEnrichment(label + "=1", named, reason)) return CALC_SETTING_REFUSED;
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
        if (const int status = CalculateIon(table, candidate, charge, p, ion, reason)) return status;
        ions.push_back(std::move(ion));
    }
    MixtureFit fit;
    if (!FitMixture(spectrum, ions, m, fit, reason)) return CALC_GENERATION_FAILED;
    const std::size_t n = levels.size();
    double mean = 0, sum = 0, variance = 0;
    for (std::size_t k = 0; k < n; ++k) {
        mean += fit.proportions[k] * levels[k];
        sum += fit.amounts[k];
    }
    // The mean's gradient in the amounts, (level - mean) / sum, through
    // their covariance: the levels' errors are strongly anti-correlated
    // (neighbouring levels trade intensity), which their sum would miss.
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b)
            variance += (levels[a] - mean) * fit.covariance[b * n + a] * (levels[b] - mean) / (sum * sum);
    result.enrichment = mean;
    result.uncertainty = std::sqrt(std::max(variance, 0.0));
    result.residual = fit.residual;
    return 0;
}

}  // namespace morvane
