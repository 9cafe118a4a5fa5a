#include "resolution/GaussianSum.h"

#include <algorithm>
#include <cmath>

namespace morvane {

GaussianSum::GaussianSum(const std::vector<isotope>& ascending, const Resolution& r)
{
    terms_.reserve(ascending.size());
    for (const isotope& peak : ascending) {
        const double w = r.Fwhm(peak.mass);
        terms_.push_back(Term{peak.mass, peak.abundance, FOUR_LN2 / (w * w), REACH_WIDTHS * w});
    }
    reachEnd_.resize(terms_.size());
    reachStart_.resize(terms_.size());
    double end = -INFINITY;
    for (std::size_t i = 0; i < terms_.size(); ++i)
        reachEnd_[i] = end = std::max(end, terms_[i].position + terms_[i].reach);
    double start = INFINITY;
    for (std::size_t i = terms_.size(); i-- > 0;)
        reachStart_[i] = start = std::min(start, terms_[i].position - terms_[i].reach);
}

GaussianSum::Value GaussianSum::At(double x) const
{
    Value v{0, 0, 0, 0};
    // Terms before `i` all end below x; from the first that starts above x
    // on, all start above it.
    std::size_t i = static_cast<std::size_t>(std::lower_bound(reachEnd_.begin(), reachEnd_.end(), x) - reachEnd_.begin());
    for (; i < terms_.size() && reachStart_[i] <= x; ++i) {
        const Term& t = terms_[i];
        const double d = x - t.position;
        if (std::fabs(d) > t.reach) continue;
        const double k = t.k, kd = k * d;
        const double g = t.abundance * std::exp(-kd * d);
        v.y += g;
        v.dy += -2 * kd * g;
        v.d2y += (4 * kd * kd - 2 * k) * g;
        v.d3y += (12 * k - 8 * kd * kd) * kd * g;
    }
    return v;
}

std::vector<double> GaussianSum::SharesBetween(const std::vector<double>& bounds) const
{
    std::vector<double> shares(bounds.size() + 1, 0.0);
    for (const Term& t : terms_) {
        // The intervals within reach: from the one holding position - reach
        // to the one holding position + reach.
        const std::size_t first = static_cast<std::size_t>(
            std::lower_bound(bounds.begin(), bounds.end(), t.position - t.reach) - bounds.begin());
        const std::size_t last = static_cast<std::size_t>(
            std::lower_bound(bounds.begin(), bounds.end(), t.position + t.reach) - bounds.begin());
        // The part of the Gaussian below x: erfc(-sqrt(k) (x - position)) / 2.
        const double root = std::sqrt(t.k);
        auto below = [&](std::size_t b) { return 0.5 * std::erfc(-root * (bounds[b] - t.position)); };
        double previous = first == 0 ? 0.0 : below(first - 1);
        for (std::size_t j = first; j <= last; ++j) {
            const double upto = j == bounds.size() ? 1.0 : below(j);
            shares[j] += t.abundance * (upto - previous);
            previous = upto;
        }
    }
    return shares;
}

}  // namespace morvane
