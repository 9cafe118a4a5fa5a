#ifndef MORVANE_RESOLUTION_GAUSSIANSUM_H
#define MORVANE_RESOLUTION_GAUSSIANSUM_H

#include <cstddef>
#include <vector>

#include "../elements/isotope.h"
#include "Resolution.h"

namespace morvane {

// Gaussians are summed this many widths to each side of their peak.
const double REACH_WIDTHS = 5;
// 4 ln 2: exp(-FOUR_LN2 d^2) is 1/2 at d = 1/2, d in widths.
const double FOUR_LN2 = 2.772588722239781;

// The profile of a set of peaks as a continuous function: the sum of
// Gaussians of the local width r.Fwhm(position), one per peak, each as high
// as its peak's abundance and summed within REACH_WIDTHS of its widths (beyond, it is
// below 1e-30 of its top). A value costs one step per peak within reach.
class GaussianSum {
public:
    // The sum and its first three derivatives at one position.
    struct Value {
        double y;
        double dy;
        double d2y;
        double d3y;
    };

    // `ascending`: peaks in ascending order of position, each of a positive
    // finite width.
    GaussianSum(const std::vector<isotope>& ascending, const Resolution& r);

    Value At(double x) const;

    // The signs (-1, 0 or 1) of At(x)'s dy and d2y, as At gives them. Where
    // every term within reach has x beyond half its width on one side, each
    // term adds to dy with that side's sign and to d2y positively, and the
    // first term that is not 0 tells both: one step instead of one per term.
    struct Signs {
        int slope;
        int curvature;
    };
    Signs SignsAt(double x) const;

    // SignsAt for ascending positions, the terms within reach followed
    // along rather than searched for: a step per position where none is.
    class Walk {
    public:
        explicit Walk(const GaussianSum& sum) : sum_(sum) {}
        // x: at least the last position asked for.
        Signs SignsAt(double x);

    private:
        const GaussianSum& sum_;
        std::size_t first_ = 0;  // the first term whose reach ends at or beyond x
        std::size_t end_ = 0;    // the first term beyond it whose reach starts beyond x
    };

    // Over a stretch: a bound on |y'''|, and bounds on how far At's dy and
    // d2y may be from the exact sum's anywhere in it (rounding, the terms
    // cut beyond their reach included).
    struct Bounds {
        double third;
        double slopeError;
        double curvatureError;
    };
    // The bounds over [a, b], from the terms within reach of any of it.
    Bounds Over(double a, double b) const;

    // Each peak's abundance shared out by the part of its Gaussian over each
    // of the intervals (-inf, bounds[0]], (bounds[0], bounds[1]], ...,
    // (bounds.back(), inf): one share per interval. `bounds` ascend. The
    // shares of the whole line sum to the peaks' total, and a lone peak's
    // interval holds its abundance: the area under the profile, in the unit
    // where each Gaussian's area is its peak's abundance.
    std::vector<double> SharesBetween(const std::vector<double>& bounds) const;

private:
    Signs SignsIn(std::size_t first, std::size_t end, double x) const;

    struct Term {
        double position;
        double abundance;
        double k;      // 4 ln 2 / width^2: the Gaussian is exp(-k d^2)
        double reach;  // 5 widths
        double inner;  // half a width: further out, exp(-k d^2) is convex
    };
    std::vector<Term> terms_;
    std::vector<double> reachEnd_;    // the furthest any term up to this one reaches upwards
    std::vector<double> reachStart_;  // the lowest any term from this one on reaches downwards
    std::vector<double> innerStart_;  // the lowest any term from this one on is within half its width of
    std::vector<double> innerEnd_;    // the highest any term up to this one is within half its width of
};

}  // namespace morvane

#endif
