// Centroids and profiles against a reference made here from the fine
// structure: every variant (merged at 0) as a Gaussian of the local width,
// summed at 200 points per width, its tops and valleys refined by a
// parabola through the three points around each, and each top's intensity
// the abundance of the variants between its valleys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "resolution/Profile.h"
#include "resolution/Resolution.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// exp(-LN16 d^2) is 1/2 at d = 1/2, d in widths.
const double LN16 = std::log(16.0);

// The sum of the variants' Gaussians at x, each summed within 6 of its
// widths; `variants` ascend.
double SumAt(const std::vector<isotope>& variants, const Resolution& r, double x)
{
    const double reach = 6.5 * r.Fwhm(x);
    auto below = [](const isotope& v, double m) { return v.mass < m; };
    double y = 0;
    for (auto v = std::lower_bound(variants.begin(), variants.end(), x - reach, below);
         v != variants.end() && v->mass <= x + reach; ++v) {
        const double w = r.Fwhm(v->mass), d = (x - v->mass) / w;
        if (std::fabs(d) <= 6) y += v->abundance * std::exp(-LN16 * d * d);
    }
    return y;
}

// The vertex of the parabola through three equally spaced samples.
double Vertex(double x0, double h, double y0, double y1, double y2)
{
    const double curvature = y0 - 2 * y1 + y2;
    return curvature == 0 ? x0 : x0 + 0.5 * h * (y0 - y2) / curvature;
}

// The reference centroids of ascending variants: the tops of at least
// `floor` of the largest on the dense grid, each with the abundance of the
// variants between the lowest valleys on either side. Stretches beyond
// reach of every variant are skipped, each leaving one sample of 0.
std::vector<isotope> Reference(const std::vector<isotope>& variants, const Resolution& r, double floor)
{
    std::vector<double> xs, ys;
    const double end = variants.back().mass + 6 * r.Fwhm(variants.back().mass);
    for (double x = variants.front().mass - 6 * r.Fwhm(variants.front().mass); x < end;) {
        const double y = SumAt(variants, r, x);
        xs.push_back(x);
        ys.push_back(y);
        const double step = r.Fwhm(x) / 200;
        const auto next = std::upper_bound(variants.begin(), variants.end(), x,
                                           [](double m, const isotope& v) { return m < v.mass; });
        const bool empty = y == 0 && next != variants.end() && next->mass - 6.5 * r.Fwhm(next->mass) > x + step;
        x = empty ? next->mass - 6.5 * r.Fwhm(next->mass) : x + step;
    }
    struct Extremum {
        double x, y;
        bool top;
    };
    std::vector<Extremum> extrema;
    double largest = 0;
    for (std::size_t k = 1; k + 1 < ys.size(); ++k) {
        const bool top = ys[k] > ys[k - 1] && ys[k] >= ys[k + 1], valley = ys[k] < ys[k - 1] && ys[k] <= ys[k + 1];
        if (!top && !valley) continue;
        const double h = xs[k + 1] - xs[k];
        const bool even = std::fabs(xs[k] - xs[k - 1] - h) < 1e-3 * h;
        extrema.push_back({even ? Vertex(xs[k], h, ys[k - 1], ys[k], ys[k + 1]) : xs[k], ys[k], top});
        if (top) largest = std::max(largest, ys[k]);
    }

    std::vector<double> tops, valleys;
    double lowest = INFINITY, at = 0;
    for (const Extremum& e : extrema) {
        if (!e.top && e.y < lowest) {
            lowest = e.y;
            at = e.x;
        }
        if (e.top && e.y >= floor * largest) {
            if (!tops.empty()) valleys.push_back(at);
            tops.push_back(e.x);
            lowest = INFINITY;
        }
    }
    std::vector<isotope> centroids;
    std::size_t c = 0;
    for (double top : tops) centroids.emplace_back(top, 0.0);
    for (const isotope& v : variants) {
        while (c < valleys.size() && v.mass > valleys[c]) ++c;
        centroids[c].abundance += v.abundance;
    }
    return centroids;
}

double Largest(const std::vector<isotope>& peaks)
{
    double largest = 0;
    for (const isotope& p : peaks) largest = std::max(largest, p.abundance);
    return largest;
}

// Positions within `ppm` of the reference's and intensities, each in
// percent of its own largest, within `points`.
void ExpectLikeReference(const std::vector<isotope>& centroids, const std::vector<isotope>& reference, double ppm,
                         double points)
{
    ASSERT_EQ(centroids.size(), reference.size());
    const double ours = Largest(centroids), theirs = Largest(reference);

    for (std::size_t i = 0; i < centroids.size(); ++i) {
        EXPECT_NEAR(centroids[i].mass, reference[i].mass, ppm * 1e-6 * reference[i].mass) << i;
        EXPECT_NEAR(100 * centroids[i].abundance / ours, 100 * reference[i].abundance / theirs, points) << i;
    }
}

class CentroidsAgainstFineStructure : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
        ASSERT_EQ(insulin5.Parse("[M+5H]5+", table, reason), 0) << reason;
    }

    static PatternResult Pattern(const std::string& formula, const PatternSettings& s)
    {
        PatternResult r = CalculatePattern(table, formula, s);
        EXPECT_EQ(r.status, 0) << r.reason;
        return r;
    }

    // The variants of the same settings without a resolution, merged at 0.
    static std::vector<isotope> FineStructure(const std::string& formula, PatternSettings s)
    {
        s.resolution.reset();
        s.profile = false;
        s.merge = 0;
        s.mergeGiven = true;
        return Pattern(formula, s).peaks;
    }

    // The centroids of `variants` with a grid that starts a third of a step
    // further down: a peak of abundance 0 below the lightest.
    static std::vector<isotope> ShiftedGrid(std::vector<isotope> variants, const Resolution& r)
    {
        const double lightest = variants.front().mass;
        variants.insert(variants.begin(), isotope(lightest - 0.033 * r.Fwhm(lightest), 0.0));
        std::vector<isotope> c;
        std::string reason;
        EXPECT_TRUE(MakeCentroids(variants, r, DEFAULT_CENTROID_FLOOR, c, reason)) << reason;
        return c;
    }

    static void ExpectSameCentroids(const std::vector<isotope>& a, const std::vector<isotope>& b)
    {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_NEAR(a[i].mass, b[i].mass, 1e-12 * a[i].mass) << i;
            EXPECT_NEAR(a[i].abundance, b[i].abundance, 1e-14) << i;
        }
    }

    static std::deque<AtomIsoAbun> table;
    static Adduct insulin5;
};

std::deque<AtomIsoAbun> CentroidsAgainstFineStructure::table;
Adduct CentroidsAgainstFineStructure::insulin5;

TEST_F(CentroidsAgainstFineStructure, PartlyResolvedPairKeepsEachVariantOnItsOwnSide)
{
    // The M+4 of C63H98N18O13S at 1e6 @ 400 on an FT-ICR: two peaks 0.0098
    // u apart under widths of 0.0046 u, 34S 13C2 below and 13C4 above, 1.988
    // and 1.643 % of the base peak. A variant worth a third of a percent lies
    // 0.0002 u from the valley, beyond the grid point nearest it.
    PatternSettings s;
    s.resolution = Resolution::Power(Analyzer::Fticr, 1e6, 400);
    s.coverage = 0.99999;
    const PatternResult seen = Pattern("C63H98N18O13S", s);
    const std::vector<isotope> reference = Reference(FineStructure("C63H98N18O13S", s), *s.resolution, DEFAULT_CENTROID_FLOOR);
    ExpectLikeReference(seen.peaks, reference, 0.05, 0.01);
    std::vector<isotope> m4;
    for (const isotope& p : seen.peaks)
        if (p.mass > 1350.5 && p.mass < 1351) m4.push_back(p);
    ASSERT_EQ(m4.size(), 2u);
    EXPECT_GT(m4[0].abundance, m4[1].abundance);  // 34S 13C2 above 13C4
    ExpectSameCentroids(seen.peaks, ShiftedGrid(seen.variants, *s.resolution));
}

TEST_F(CentroidsAgainstFineStructure, ShoulderWithARealDipIsACentroidOfItsOwn)
{
    // Insulin [M+5H]5+ at 1e7 @ 400 on an FT-ICR: the M+2 has a top at
    // 1162.13563 beside the base peak's at 1162.13615, with a dip of 0.1 %
    // between them; merged, the base peak would be 7 % high.
    PatternSettings s;
    s.adduct = &insulin5;
    s.resolution = Resolution::Power(Analyzer::Fticr, 1e7, 400);
    s.coverage = 0.99999;
    const PatternResult seen = Pattern("C257H383N65O77S6", s);
    const std::vector<isotope> reference =
        Reference(FineStructure("C257H383N65O77S6", s), *s.resolution, DEFAULT_CENTROID_FLOOR);
    ExpectLikeReference(seen.peaks, reference, 0.05, 0.01);
    const auto near = [&](double mz) {
        return std::any_of(seen.peaks.begin(), seen.peaks.end(),
                           [mz](const isotope& p) { return std::fabs(p.mass - mz) < 2e-5; });
    };
    EXPECT_TRUE(near(1162.13563));
    EXPECT_TRUE(near(1162.13615));
    ExpectSameCentroids(seen.peaks, ShiftedGrid(seen.variants, *s.resolution));
}

TEST_F(CentroidsAgainstFineStructure, WideInstrumentSeesTheWholeFineStructure)
{
    // Insulin [M+5H]5+ under peaks 0.02 wide: 7034 variants, hundreds per
    // isotope peak, which a merge chained from neighbour to neighbour at a
    // fiftieth of a width gathered into groups spanning most of a width, the
    // profile off by 0.8 % of its top.
    PatternSettings s;
    s.adduct = &insulin5;
    s.resolution = Resolution::ConstantWidth(0.02);
    s.coverage = 0.99999;
    const std::vector<isotope> fine = FineStructure("C257H383N65O77S6", s);
    const PatternResult seen = Pattern("C257H383N65O77S6", s);
    ExpectLikeReference(seen.peaks, Reference(fine, *s.resolution, DEFAULT_CENTROID_FLOOR), 0.05, 0.01);
    ExpectSameCentroids(seen.peaks, ShiftedGrid(seen.variants, *s.resolution));
    s.profile = true;
    const PatternResult profile = Pattern("C257H383N65O77S6", s);
    double top = 0, worst = 0;
    for (const isotope& p : profile.peaks) {
        const double exact = SumAt(fine, *s.resolution, p.mass);
        top = std::max(top, exact);
        worst = std::max(worst, std::fabs(exact - p.abundance));
    }
    EXPECT_LT(worst, 1e-4 * top);
}

TEST(CentroidIntensity, LonePeaksAreaIsItsAbundance)
{
    for (const Resolution& r : {Resolution::ConstantWidth(0.02), Resolution::Power(Analyzer::Fticr, 1e5, 400)}) {
        std::vector<isotope> c;
        std::string reason;
        ASSERT_TRUE(MakeCentroids({isotope(812.4, 0.37)}, r, DEFAULT_CENTROID_FLOOR, c, reason, CentroidIntensity::Area));
        ASSERT_EQ(c.size(), 1u);
        EXPECT_NEAR(c[0].abundance, 0.37, 1e-15);
        EXPECT_NEAR(c[0].mass, 812.4, 1e-12 * 812.4);
    }
}

TEST(CentroidIntensity, AreasShareOverlapsAndKeepTheTotal)
{
    // Two equal peaks one width apart: each gives the other what its
    // Gaussian spills over the valley at the middle, and takes as much back.
    const Resolution r = Resolution::ConstantWidth(0.1);
    std::vector<isotope> c;
    std::string reason;
    ASSERT_TRUE(MakeCentroids({isotope(100, 0.5), isotope(100.1, 0.5)}, r, 0, c, reason, CentroidIntensity::Area));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_NEAR(c[0].abundance, 0.5, 1e-12);
    EXPECT_NEAR(c[1].abundance, 0.5, 1e-12);
    // A small peak two widths beside a large one: the valley lies nearer the
    // small one, so the large one takes more of it than it gives.
    ASSERT_TRUE(MakeCentroids({isotope(100, 1), isotope(100.2, 0.2)}, r, 0, c, reason, CentroidIntensity::Area));
    ASSERT_EQ(c.size(), 2u);
    EXPECT_NEAR(c[0].abundance + c[1].abundance, 1.2, 1e-12);
    EXPECT_GT(c[0].abundance, 1);
}

TEST(CentroidBounds, AreWhereMakeCentroidsPutsTopsAndValleys)
{
    // A pair two widths apart (resolved, the valley nearer the small one)
    // and a third peak far off; given descending, as negative m/z comes.
    const Resolution r = Resolution::ConstantWidth(0.1);
    const std::vector<isotope> peaks = {isotope(101, 0.3), isotope(100.2, 0.2), isotope(100, 1)};
    std::vector<isotope> c;
    CentroidBounds b;
    std::string reason;
    ASSERT_TRUE(MakeCentroids(peaks, r, 0, c, reason)) << reason;
    ASSERT_TRUE(FindCentroidBounds(peaks, r, 0, b, reason)) << reason;
    ASSERT_EQ(b.tops.size(), 3u);
    ASSERT_EQ(b.valleys.size(), 2u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(b.tops[i], c[2 - i].mass);
    EXPECT_GT(b.valleys[0], 100.1);
    EXPECT_LT(b.valleys[0], 100.2);
    EXPECT_GT(b.valleys[1], 100.2);
    EXPECT_LT(b.valleys[1], 101);
    // A peak without a width leaves the bounds as they were.
    EXPECT_FALSE(FindCentroidBounds({isotope(NAN, 1)}, r, 0, b, reason));
    EXPECT_EQ(b.tops.size(), 3u);
    ASSERT_TRUE(FindCentroidBounds({}, r, 0, b, reason));
    EXPECT_TRUE(b.tops.empty());
}

}  // namespace
