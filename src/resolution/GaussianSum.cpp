#include "resolution/GaussianSum.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace morvane {

GaussianSum::GaussianSum(const std::vector<isotope>& ascending, const Resolution& r)
{
    terms_.reserve(ascending.size());
    for (const isotope& peak : ascending) {
        const double w = r.Fwhm(peak.mass);
        terms_.push_back(Term{peak.mass, peak.abundance, FOUR_LN2 / (w * w), REACH_WIDTHS * w, 0.5 * w});
    }
    const std::size_t n = terms_.size();
    reachEnd_.resize(n);
    reachStart_.resize(n);
    innerEnd_.resize(n);
    innerStart_.resize(n);
    double end = -INFINITY, innerEnd = -INFINITY;
    for (std::size_t i = 0; i < n; ++i) {
        reachEnd_[i] = end = std::max(end, terms_[i].position + terms_[i].reach);
        innerEnd_[i] = innerEnd = std::max(innerEnd, terms_[i].position + terms_[i].inner);
    }
    double start = INFINITY, innerStart = INFINITY;
    for (std::size_t i = n; i-- > 0;) {
        reachStart_[i] = start = std::min(start, terms_[i].position - terms_[i].reach);
        innerStart_[i] = innerStart = std::min(innerStart, terms_[i].position - terms_[i].inner);
    }
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

GaussianSum::Signs GaussianSum::SignsAt(double x) const
{
    const auto first =
        static_cast<std::size_t>(std::lower_bound(reachEnd_.begin(), reachEnd_.end(), x) - reachEnd_.begin());
    const auto end =
        static_cast<std::size_t>(std::upper_bound(reachStart_.begin(), reachStart_.end(), x) - reachStart_.begin());
    return SignsIn(first, std::max(first, end), x);
}

GaussianSum::Signs GaussianSum::Walk::SignsAt(double x)
{
    const std::size_t n = sum_.terms_.size();
    while (first_ < n && sum_.reachEnd_[first_] < x) ++first_;
    end_ = std::max(end_, first_);
    while (end_ < n && sum_.reachStart_[end_] <= x) ++end_;
    return sum_.SignsIn(first_, end_, x);
}

// The terms from `first` to `end` are those At visits at x.
GaussianSum::Signs GaussianSum::SignsIn(std::size_t first, std::size_t end, double x) const
{
    if (first == end) return Signs{0, 0};
    // At half a width, k d^2 = ln 2 > 1/2, so 4 k^2 d^2 - 2 k > 0 with room
    // to spare for rounding. The side is that of every term from `first`
    // on, or up to `end`: within reach or not.
    const int side = x < innerStart_[first] ? 1 : x > innerEnd_[end - 1] ? -1 : 0;
    if (side == 0) {
        const Value v = At(x);
        return Signs{(v.dy > 0) - (v.dy < 0), (v.d2y > 0) - (v.d2y < 0)};
    }
    Signs signs{0, 0};
    for (std::size_t i = first; i < end && (signs.slope == 0 || signs.curvature == 0); ++i) {
        const Term& t = terms_[i];
        const double d = x - t.position;
        if (std::fabs(d) > t.reach) continue;
        const double k = t.k, kd = k * d;
        const double g = t.abundance * std::exp(-kd * d);
        if (-2 * kd * g != 0) signs.slope = side;
        if ((4 * kd * kd - 2 * k) * g != 0) signs.curvature = 1;
    }
    return signs;
}

GaussianSum::Bounds GaussianSum::Over(double a, double b) const
{
    // Per term, with u = k d^2: |g'| <= 0.86 A sqrt(k), |g''| <= 2.43 A k and
    // |g'''| <= 3.91 A k^1.5 (the maxima over u of 2 sqrt(u) e^-u,
    // (4u + 2) e^-u and |12 - 8u| sqrt(u) e^-u). A computed term is off by
    // at most a few dozen ulps of those (u <= 69.3 magnifies the argument's
    // rounding), the summation by one ulp of the sum of magnitudes per term,
    // and a term cut beyond its reach by less than 1e-29 of its maximum.
    std::size_t i = static_cast<std::size_t>(std::lower_bound(reachEnd_.begin(), reachEnd_.end(), a) - reachEnd_.begin());
    double slopes = 0, curvatures = 0, thirds = 0;
    std::size_t n = 0;
    for (; i < terms_.size() && reachStart_[i] <= b; ++i, ++n) {
        const Term& t = terms_[i];
        const double root = std::sqrt(t.k);
        slopes += t.abundance * root;
        curvatures += t.abundance * t.k;
        thirds += t.abundance * t.k * root;
    }
    const double rounding = 2 * (static_cast<double>(n) + 64) * DBL_EPSILON;
    return Bounds{4 * thirds, rounding * slopes, rounding * 3 * curvatures};
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
