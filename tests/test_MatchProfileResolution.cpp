// The resolving power read off a profile's peak widths.
#include <gtest/gtest.h>

#include <random>

#include "match/ProfileResolution.h"
#include "resolution/Profile.h"
#include "support/Synthetic.h"

using namespace morvane;

namespace {

// Singly protonated ions from m/z 150 to 1300, far enough apart that their
// envelopes do not touch: enough peaks for a median, with the fine
// structure of the heavier peaks merged as the instrument merges it.
const char* const FORMULAS[] = {"C8H10N4O2", "C10H13N5O4", "C20H25N3O", "C27H46O", "C33H40N2O9", "C43H66N12O12S2",
                                "C58H84N14O14"};

// The profile `r` records of the ions, each its own stretch (their gaps of
// zero left out, as instruments leave them out), with Gaussian noise of
// `noise` times the largest point added to every point (none below 0).
std::vector<isotope> RecordProfile(const Resolution& r, double noise, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> amount(0.2, 1);
    std::vector<isotope> points;
    for (const char* formula : FORMULAS) {
        Candidate c;
        std::string reason;
        EXPECT_TRUE(ParseCandidate(std::string(formula) + " z=1", false, c, reason));
        PatternSettings p;
        p.coverage = FRONT_END_COVERAGE;
        p.resolution = r;
        Ion ion;
        EXPECT_EQ(CalculateIon(MatchTable(), c, 1, p, ion, reason), 0) << reason;
        const double scale = 1e6 * amount(random);
        for (isotope& v : ion.variants) v.abundance *= scale;
        Profile profile;
        EXPECT_TRUE(MakeProfile(ion.variants, r, profile, reason)) << reason;
        for (std::size_t i = 0; i < profile.x.size(); ++i) points.emplace_back(profile.x[i], profile.y[i]);
    }
    std::normal_distribution<double> jitter(0, noise * 1e6);
    for (isotope& q : points) q.abundance = std::max(0.0, q.abundance + jitter(random));
    return points;
}

struct Instrument {
    Analyzer analyzer;
    double power, reference;
};

const Instrument INSTRUMENTS[] = {{Analyzer::Tof, 30000, 1},        {Analyzer::Orbitrap, 60000, 200},
                                  {Analyzer::Orbitrap, 240000, 200}, {Analyzer::Fticr, 400000, 400}};

}  // namespace

TEST(MatchProfileResolution, RecoversTheResolutionOfEachAnalyzer)
{
    for (const Instrument& in : INSTRUMENTS) {
        const Resolution truth = Resolution::Power(in.analyzer, in.power, in.reference);
        for (double noise : {0.0, 0.003}) {
            ResolutionEstimate e;
            std::string reason;
            ASSERT_TRUE(EstimateResolution(RecordProfile(truth, noise, 3), in.analyzer, e, reason)) << reason;
            EXPECT_NEAR(e.power, in.power, 0.03 * in.power) << in.power << " noise " << noise;
            EXPECT_EQ(e.reference, truth.Reference());
            EXPECT_EQ(e.analyzer, in.analyzer);
            EXPECT_GE(e.peaks, 10);
        }
    }
}

TEST(MatchProfileResolution, BearsRepeatedPoints)
{
    const Resolution truth = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    std::vector<isotope> points;
    for (const isotope& q : RecordProfile(truth, 0, 2)) points.insert(points.end(), {q, q});
    ResolutionEstimate e;
    std::string reason;
    ASSERT_TRUE(EstimateResolution(points, Analyzer::Orbitrap, e, reason)) << reason;
    EXPECT_NEAR(e.power, 60000, 1800);
}

TEST(MatchProfileResolution, DescribesTheEstimateRounded)
{
    ResolutionEstimate e;
    e.power = 61234.5;
    e.reference = 200;
    e.peaks = 14;
    EXPECT_EQ(e.Describe(), "61200 @ 200 (orbitrap), from 14 peaks");
    e.analyzer = Analyzer::Tof;
    e.power = 29960;
    EXPECT_EQ(e.Describe(), "30000 (tof), from 14 peaks");
}

TEST(MatchProfileResolution, RefusesTooFewPeaksAndCentroids)
{
    const Resolution r = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    Profile lone;
    std::string reason;
    ASSERT_TRUE(MakeProfile({isotope(500, 1000)}, r, lone, reason)) << reason;
    std::vector<isotope> points;
    for (std::size_t i = 0; i < lone.x.size(); ++i) points.emplace_back(lone.x[i], lone.y[i]);
    ResolutionEstimate e;
    e.power = -1;
    EXPECT_FALSE(EstimateResolution(points, Analyzer::Orbitrap, e, reason));
    EXPECT_EQ(reason, "the profile has 1 clean peaks, too few to estimate the resolution from (3 are needed)");
    EXPECT_EQ(e.power, -1);
    // Centroids have no widths: no peak has points above half its height.
    const std::vector<isotope> sticks = {{500, 100}, {501, 30}, {502, 8}, {503, 2}, {600, 50}, {601, 20}};
    EXPECT_FALSE(EstimateResolution(sticks, Analyzer::Orbitrap, e, reason));
    EXPECT_EQ(reason, "the profile has 0 clean peaks, too few to estimate the resolution from (3 are needed)");
    EXPECT_FALSE(EstimateResolution({}, Analyzer::Tof, e, reason));
    EXPECT_FALSE(EstimateResolution(RecordProfile(r, 0, 1), Analyzer::Fwhm, e, reason));
    EXPECT_EQ(reason, "a resolving power is estimated for tof, orbitrap or fticr, not a constant width");
}

TEST(MatchProfileResolution, CentroidsAtTheEstimate)
{
    const Resolution truth = Resolution::Power(Analyzer::Orbitrap, 120000, 200);
    MeasuredSpectrum profile, centroids;
    std::string reason;
    ASSERT_TRUE(MeasuredSpectrum::Make(RecordProfile(truth, 0.001, 7), profile, reason)) << reason;
    ResolutionEstimate e;
    ASSERT_TRUE(CentroidAtEstimate(profile, Analyzer::Orbitrap, centroids, e, reason)) << reason;
    std::vector<isotope> expected;
    ASSERT_TRUE(MakeCentroids(profile.Peaks(), e.At(), DEFAULT_CENTROID_FLOOR, expected, reason)) << reason;
    ASSERT_EQ(centroids.Peaks().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(centroids.Peaks()[i].mass, expected[i].mass);
    EXPECT_NEAR(e.power, 120000, 3600);
}
