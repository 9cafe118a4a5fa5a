// What an instrument of a given resolving power shows of a pattern: the
// width laws of the analyzers, the profile of Gaussians of local width and
// its centroids, on made-up peaks and on real molecules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "resolution/Profile.h"
#include "resolution/Resolution.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// One instrument of each law, as quoted by their makers.
std::vector<Resolution> EachLaw()
{
    return {Resolution::ConstantWidth(0.02), Resolution::Power(Analyzer::Tof, 20000, 1),
            Resolution::Power(Analyzer::Orbitrap, 120000, 200), Resolution::Power(Analyzer::Fticr, 100000, 400)};
}

std::vector<isotope> Centroids(const std::vector<isotope>& peaks, const Resolution& r)
{
    std::vector<isotope> c;
    std::string reason;
    EXPECT_TRUE(morvane::MakeCentroids(peaks, r, morvane::DEFAULT_CENTROID_FLOOR, c, reason)) << reason;
    return c;
}

TEST(ResolutionLaw, WidthsAtTheReferenceAndBeyond)
{
    // At its reference m/z an instrument's width is m0 / R0; a tof's R holds
    // everywhere, an orbitrap's falls with the square root of m/z, an FT-ICR's
    // with m/z itself.
    EXPECT_DOUBLE_EQ(Resolution::ConstantWidth(0.1).Fwhm(1234), 0.1);
    EXPECT_DOUBLE_EQ(Resolution::Power(Analyzer::Tof, 20000, 1).Fwhm(1000), 0.05);
    EXPECT_DOUBLE_EQ(Resolution::Power(Analyzer::Orbitrap, 120000, 200).Fwhm(200), 200.0 / 120000);
    EXPECT_DOUBLE_EQ(Resolution::Power(Analyzer::Orbitrap, 120000, 200).Fwhm(800), 800.0 / 60000);  // R 60000
    EXPECT_DOUBLE_EQ(Resolution::Power(Analyzer::Fticr, 100000, 400).Fwhm(800), 800.0 / 50000);     // R 50000
    // A negative ion's m/z has the width of its absolute value.
    EXPECT_DOUBLE_EQ(Resolution::Power(Analyzer::Orbitrap, 120000, 200).Fwhm(-800), 800.0 / 60000);
}

TEST(ResolutionLaw, ReadsPowerAtReference)
{
    Resolution r = Resolution::ConstantWidth(1);
    std::string reason;
    ASSERT_TRUE(morvane::ParseResolution("120000@200", Analyzer::Orbitrap, r, reason));
    EXPECT_EQ(r.Value(), 120000);
    EXPECT_EQ(r.Reference(), 200);
    ASSERT_TRUE(morvane::ParseResolution("60000", Analyzer::Orbitrap, r, reason));
    EXPECT_EQ(r.Reference(), 200);
    ASSERT_TRUE(morvane::ParseResolution("1e6", Analyzer::Fticr, r, reason));
    EXPECT_EQ(r.Reference(), 400);
    EXPECT_DOUBLE_EQ(r.Fwhm(400), 400 / 1e6);
    for (const char* bad : {"", "abc", "0", "-5", "120000@", "@200", "120000@0", "1e999", "120000@200@3", "nan"})
        EXPECT_FALSE(morvane::ParseResolution(bad, Analyzer::Orbitrap, r, reason)) << bad;
    Analyzer a = Analyzer::Fwhm;
    EXPECT_TRUE(morvane::ParseAnalyzer("fticr", a));
    EXPECT_EQ(a, Analyzer::Fticr);
    EXPECT_FALSE(morvane::ParseAnalyzer("Orbitrap", a));
}

TEST(Centroids, LoneVariantKeepsItsPositionAndAbundance)
{
    for (const Resolution& r : EachLaw()) {
        for (double m : {150.0, 1296.7, 5012.25}) {
            const std::vector<isotope> c = Centroids({isotope(m, 0.37)}, r);
            ASSERT_EQ(c.size(), 1u) << m;
            EXPECT_NEAR(c[0].mass, m, 1e-6 * r.Fwhm(m)) << m;
            EXPECT_NEAR(c[0].abundance, 0.37, 0.37e-6) << m;
        }
    }
}

TEST(Centroids, TwoWidthsApartResolveHalfAWidthDoesNot)
{
    for (const Resolution& r : EachLaw()) {
        const double m = 1000, w = r.Fwhm(m);
        const std::vector<isotope> apart = Centroids({isotope(m, 0.5), isotope(m + 2 * w, 0.5)}, r);
        ASSERT_EQ(apart.size(), 2u);
        // The second's own width is a little larger where widths grow: its
        // Gaussian reaches further towards the first, still within 1e-3 w.
        EXPECT_NEAR(apart[0].mass, m, 1e-3 * w);
        EXPECT_NEAR(apart[1].mass, m + 2 * w, 1e-3 * w);
        EXPECT_DOUBLE_EQ(apart[0].abundance, 0.5);
        EXPECT_DOUBLE_EQ(apart[1].abundance, 0.5);
        const std::vector<isotope> close = Centroids({isotope(m, 0.5), isotope(m + 0.5 * w, 0.5)}, r);
        ASSERT_EQ(close.size(), 1u);
        EXPECT_NEAR(close[0].mass, m + 0.25 * w, 1e-3 * w);
        EXPECT_DOUBLE_EQ(close[0].abundance, 1.0);
    }
}

TEST(Centroids, NegativeIonsComeInTheirOwnOrder)
{
    // m/z of an anion: descending negative positions, as morvane prints them.
    const Resolution r = Resolution::Power(Analyzer::Orbitrap, 120000, 200);
    const std::vector<isotope> c = Centroids({isotope(-500, 0.6), isotope(-501, 0.3), isotope(-502, 0.1)}, r);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_NEAR(c[0].mass, -500, 1e-6 * r.Fwhm(500));
    EXPECT_NEAR(c[2].mass, -502, 1e-6 * r.Fwhm(502));
    EXPECT_DOUBLE_EQ(c[1].abundance, 0.3);
}

TEST(Centroids, RipplesBelowTheFloorGiveTheirAbundanceToANeighbour)
{
    const Resolution r = Resolution::ConstantWidth(0.1);
    const std::vector<isotope> peaks = {isotope(100, 1), isotope(101, 1e-8), isotope(102, 0.5)};
    const std::vector<isotope> c = Centroids(peaks, r);
    ASSERT_EQ(c.size(), 2u);
    EXPECT_DOUBLE_EQ(c[0].abundance + c[1].abundance, 1.5 + 1e-8);
    std::vector<isotope> all;
    std::string reason;
    ASSERT_TRUE(morvane::MakeCentroids(peaks, r, 0, all, reason));
    EXPECT_EQ(all.size(), 3u);
}

TEST(Profile, EqualsTheSumOfEveryGaussianOnRandomPatterns)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> position(300, 310), abundance(0, 1);
    for (const Resolution& r : EachLaw()) {
        for (int pattern = 0; pattern < 5; ++pattern) {
            std::vector<isotope> peaks;
            for (int i = 0; i < 40; ++i) peaks.emplace_back(position(random), abundance(random));
            morvane::Profile p;
            std::string reason;
            ASSERT_TRUE(morvane::MakeProfile(peaks, r, p, reason)) << reason;
            ASSERT_TRUE(std::is_sorted(p.x.begin(), p.x.end()));
            double top = 0, worst = 0;
            for (std::size_t j = 0; j < p.x.size(); ++j) {
                double sum = 0;
                for (const isotope& v : peaks) {
                    const double d = (p.x[j] - v.mass) / r.Fwhm(v.mass);
                    sum += v.abundance * std::exp(-4 * std::log(2.0) * d * d);
                }
                top = std::max(top, sum);
                worst = std::max(worst, std::fabs(sum - p.y[j]));
            }
            EXPECT_LE(worst, 1e-9 * top);
            // At least ten points per local width, from 4 widths below the
            // lightest peak to 4 above the heaviest.
            for (std::size_t j = 1; j < p.x.size(); ++j)
                ASSERT_LE(p.x[j] - p.x[j - 1], r.Fwhm(p.x[j - 1]) / 10 * (1 + 1e-9));
            const auto range = std::minmax_element(peaks.begin(), peaks.end(),
                                                   [](const isotope& a, const isotope& b) { return a.mass < b.mass; });
            EXPECT_LE(p.x.front(), range.first->mass - 4 * r.Fwhm(range.first->mass) * (1 - 1e-12));
            EXPECT_GE(p.x.back(), range.second->mass + 4 * r.Fwhm(range.second->mass));
        }
    }
}

TEST(Profile, RefusesWhatNoGridCanHold)
{
    morvane::Profile p;
    std::string reason;
    // A width of 1e-9 u over 1000 u would take 1e13 points.
    EXPECT_FALSE(morvane::MakeProfile({isotope(100, 1), isotope(1100, 1)}, Resolution::ConstantWidth(1e-9), p, reason));
    EXPECT_NE(reason.find("more than"), std::string::npos);
    // A power law has no width at position 0.
    EXPECT_FALSE(morvane::MakeProfile({isotope(0, 1)}, Resolution::Power(Analyzer::Tof, 1000, 1), p, reason));
    // A tof of R 2 makes glucose's peak 90 u wide: its 4 widths reach m/z 0.
    EXPECT_FALSE(morvane::MakeProfile({isotope(180, 1)}, Resolution::Power(Analyzer::Tof, 2, 1), p, reason));
    EXPECT_NE(reason.find("position 0"), std::string::npos);
    EXPECT_TRUE(morvane::MakeProfile({isotope(180, 1)}, Resolution::Power(Analyzer::Tof, 5, 1), p, reason));
    EXPECT_TRUE(morvane::MakeProfile({}, Resolution::ConstantWidth(1), p, reason));
    EXPECT_TRUE(p.x.empty());
}

// Real molecules from the shipped table.
class SeenAtResolution : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    }

    static std::vector<isotope> Peaks(const std::string& formula, PatternSettings s)
    {
        const PatternResult r = CalculatePattern(table, formula, s);
        EXPECT_EQ(r.status, 0) << r.reason;
        return r.peaks;
    }

    static std::vector<isotope> Within(const std::vector<isotope>& peaks, double lo, double hi)
    {
        std::vector<isotope> in;
        for (const isotope& p : peaks)
            if (p.mass >= lo && p.mass <= hi) in.push_back(p);
        return in;
    }

    static Adduct Ion(const std::string& text)
    {
        Adduct ion;
        std::string reason;
        EXPECT_EQ(ion.Parse(text, table, reason), 0) << reason;
        return ion;
    }

    static std::deque<AtomIsoAbun> table;
};

std::deque<AtomIsoAbun> SeenAtResolution::table;

TEST_F(SeenAtResolution, PeptideM1SplitsInto13Cand15NOnlyAtHighResolution)
{
    // C42H69N11O14: monoisotopic 951.5025 u. Its M+1 holds 15N (+0.9970349 u,
    // 15.0001088984 - 14.0030740052) and 13C (+1.0033548 u, 13.0033548378 -
    // 12), 0.0063 u apart; 17O (+1.0042169) and 2H (+1.0062767) lie beside 13C.
    const double mono = 42 * 12.0 + 69 * 1.0078250321 + 11 * 14.0030740052 + 14 * 15.9949146221;
    const double n15 = mono + (15.0001088984 - 14.0030740052), c13 = mono + 13.0033548378 - 12.0;
    PatternSettings s;
    s.resolution = Resolution::Power(Analyzer::Orbitrap, 500000, 200);  // width 0.0042 u at 951
    const std::vector<isotope> m1 = Within(Peaks("C42H69N11O14", s), mono + 0.5, mono + 1.5);
    ASSERT_EQ(m1.size(), 2u);
    EXPECT_NEAR(m1[0].mass, n15, 2e-4);
    EXPECT_NEAR(m1[1].mass, c13, 5e-4);  // 17O and 2H pull it up a little
    EXPECT_LT(m1[0].abundance, m1[1].abundance / 5);

    s.resolution = Resolution::Power(Analyzer::Tof, 20000, 1);  // width 0.048 u
    const std::vector<isotope> tof = Within(Peaks("C42H69N11O14", s), mono + 0.5, mono + 1.5);
    ASSERT_EQ(tof.size(), 1u);
    EXPECT_NEAR(tof[0].mass, (n15 * m1[0].abundance + c13 * m1[1].abundance) / (m1[0].abundance + m1[1].abundance),
                1e-3);
    // Either way the centroids keep the M+1 total.
    EXPECT_NEAR(tof[0].abundance, m1[0].abundance + m1[1].abundance, 1e-12);
}

TEST_F(SeenAtResolution, InsulinIonResolvedIntoIsotopePeaks)
{
    // [M+5H]5+ of insulin: m/z about 1162, peaks 0.2 apart; width 0.047 at
    // 60000 @ 200. One centroid per peak of morvane's own merge at 0.1, with
    // that peak's abundance.
    const Adduct ion = Ion("[M+5H]5+");
    PatternSettings s;
    s.adduct = &ion;
    const std::vector<isotope> merged = Peaks("C257H383N65O77S6", s);
    s.resolution = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    const std::vector<isotope> centroids = Peaks("C257H383N65O77S6", s);
    ASSERT_EQ(centroids.size(), merged.size());
    for (std::size_t i = 0; i < merged.size(); ++i) {
        EXPECT_NEAR(centroids[i].mass, merged[i].mass, 2e-3) << i;
        EXPECT_NEAR(centroids[i].abundance, merged[i].abundance, 1e-9) << i;
    }
    EXPECT_NEAR(merged[1].mass - merged[0].mass, 0.2007, 1e-3);
}

TEST_F(SeenAtResolution, ProteinAt20PlusIsOneEnvelope)
{
    // [M+20H]20+ of a 66 kDa protein: m/z 3322, peaks 0.05 apart under a width
    // of 0.22: the instrument shows one peak of the whole abundance, its top
    // within a few hundredths of the envelope's mean (it is nearly symmetric).
    const Adduct ion = Ion("[M+20H]20+");
    PatternSettings s;
    s.adduct = &ion;
    s.resolution = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    const std::vector<isotope> c = Peaks("C2934H4615N781O897S39", s);
    ASSERT_EQ(c.size(), 1u);
    s.resolution.reset();
    double total = 0, moment = 0;
    for (const isotope& p : Peaks("C2934H4615N781O897S39", s)) {
        total += p.abundance;
        moment += p.abundance * p.mass;
    }
    EXPECT_NEAR(c[0].mass, moment / total, 0.05);
    EXPECT_NEAR(c[0].abundance, total, 1e-9);
}

TEST_F(SeenAtResolution, FineStructureUnlessAMergeIsGiven)
{
    // Glucose at 1e6 @ 400 on an FT-ICR: a width of 0.00008 u at 180, so the
    // variants are merged at 1.6e-6 u, and the M+2 variants 18O (+2.00425 u)
    // and 13C2 (+2.00671 u) stay apart.
    PatternSettings s;
    s.resolution = Resolution::Power(Analyzer::Fticr, 1000000, 400);
    const std::vector<isotope> fine = Within(Peaks("C6H12O6", s), 181.5, 182.5);
    EXPECT_GE(fine.size(), 2u);
    // -r 0.1 merges them before the instrument sees them.
    s.mergeGiven = true;
    EXPECT_EQ(Within(Peaks("C6H12O6", s), 181.5, 182.5).size(), 1u);
}

}  // namespace
