// Distances between stick spectra: the Wasserstein distance against a
// direct integral of the cumulative sums, and the cosine similarity.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "spectrum/Distance.h"

using namespace morvane;

namespace {

double Wasserstein(const std::vector<isotope>& a, const std::vector<isotope>& b)
{
    double d = -1;
    std::string reason;
    EXPECT_TRUE(WassersteinDistance(a, b, d, reason)) << reason;
    return d;
}

// The integral of |F_a - F_b| by the midpoint rule on a fine grid (each
// step of a cumulative sum adds at most half a grid step times its height).
double CdfIntegral(const std::vector<isotope>& a, const std::vector<isotope>& b, double from, double to)
{
    auto cdf = [](const std::vector<isotope>& s, double x) {
        double below = 0, all = 0;
        for (const isotope& p : s) {
            all += p.abundance;
            if (p.mass <= x) below += p.abundance;
        }
        return below / all;
    };
    const int steps = 2000000;
    const double h = (to - from) / steps;
    double sum = 0;
    for (int i = 0; i < steps; ++i) {
        const double x = from + (i + 0.5) * h;
        sum += std::fabs(cdf(a, x) - cdf(b, x)) * h;
    }
    return sum;
}

TEST(Distance, WassersteinIsTheAreaBetweenTheCumulativeSums)
{
    // Glucose's pattern against a measured one, unsorted and in percent.
    const std::vector<isotope> glucose = {{180.06339, 0.92263}, {181.06683, 0.06326}, {182.06794, 0.01299}};
    const std::vector<isotope> measured = {{181.0671, 7.9}, {180.0632, 100}, {182.068, 1.1}, {183.07, 0.2}};
    const double d = Wasserstein(glucose, measured);
    EXPECT_NEAR(d, CdfIntegral(glucose, measured, 179, 184), 1e-5);
    EXPECT_EQ(d, Wasserstein(measured, glucose));
    EXPECT_EQ(Wasserstein(glucose, glucose), 0);
    // A whole pattern moved by 0.5 u is 0.5 away; scale does not matter.
    std::vector<isotope> moved;
    for (const isotope& p : glucose) moved.emplace_back(p.mass + 0.5, p.abundance * 100);
    EXPECT_NEAR(Wasserstein(glucose, moved), 0.5, 1e-12);
}

TEST(Distance, CosineMatchesPeaksWithinTheTolerance)
{
    const std::vector<isotope> a = {{1000.0, 50}, {1001.0, 30}, {1002.0, 20}};
    std::string reason;
    double c = 0;
    ASSERT_TRUE(CosineSimilarity(a, a, 5, c, reason));
    EXPECT_NEAR(c, 1, 1e-15);
    // 3 ppm off pairs at 5 ppm, not at 2: then nothing pairs.
    const std::vector<isotope> b = {{1000.003, 5}, {1001.003, 3}, {1002.003, 2}};
    ASSERT_TRUE(CosineSimilarity(a, b, 5, c, reason));
    EXPECT_NEAR(c, 1, 1e-15);
    ASSERT_TRUE(CosineSimilarity(a, b, 2, c, reason));
    EXPECT_EQ(c, 0);
    // A missing peak: (50*50 + 30*30) / (|a| |b|).
    const std::vector<isotope> partial = {{1000.0, 50}, {1001.0, 30}};
    ASSERT_TRUE(CosineSimilarity(a, partial, 5, c, reason));
    EXPECT_NEAR(c, 3400 / (std::sqrt(3800.0) * std::sqrt(3400.0)), 1e-15);
}

TEST(Distance, UnusableSpectraAreRefused)
{
    std::string reason;
    double d = 0;
    EXPECT_FALSE(WassersteinDistance({}, {{1, 1}}, d, reason));
    EXPECT_EQ(reason, "the first spectrum has no intensity");
    EXPECT_FALSE(WassersteinDistance({{1, 1}}, {{NAN, 1}}, d, reason));
    EXPECT_FALSE(CosineSimilarity({{1, -1}}, {{1, 1}}, 5, d, reason));
    EXPECT_FALSE(CosineSimilarity({{1, 1}}, {{1, 1}}, -5, d, reason));
}

}  // namespace
