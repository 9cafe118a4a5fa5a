// The enrichment of a labelled standard, fitted as a mixture of levels.
#include <gtest/gtest.h>

#include <random>

#include "match/EnrichmentFit.h"
#include "support/Synthetic.h"

using namespace morvane;

namespace {

// A peptide with a 13C6 lysine, as [M+2H]2+.
const char* const LABELLED = "C36[13C]6H69N11O14 z=2";

MatchSettings Settings()
{
    MatchSettings s;
    s.pattern.coverage = FRONT_END_COVERAGE;
    s.pattern.resolution = SyntheticInstrument();
    return s;
}

// The ion at enrichment `e`, its intensities with 1 % noise.
MeasuredSpectrum Standard(double e, unsigned seed)
{
    Candidate c;
    std::string reason;
    EXPECT_TRUE(ParseCandidate(LABELLED, false, c, reason));
    Enrichment enrichment;
    EXPECT_TRUE(ParseEnrichment("13C=" + std::to_string(e), enrichment, reason)) << reason;
    MatchSettings s = Settings();
    s.pattern.enrichment = &enrichment;
    Ion ion;
    EXPECT_EQ(CalculateIon(MatchTable(), c, 2, s.pattern, ion, reason), 0) << reason;
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 0.01);
    std::vector<isotope> peaks;
    for (const isotope& p : ion.peaks) peaks.emplace_back(p.mass, 1000 * p.abundance * (1 + noise(random)));
    MeasuredSpectrum spectrum;
    EXPECT_TRUE(MeasuredSpectrum::Make(peaks, spectrum, reason)) << reason;
    return spectrum;
}

}  // namespace

TEST(MatchEnrichmentFit, FindsTheLabelsEnrichment)
{
    Candidate c;
    std::string reason;
    ASSERT_TRUE(ParseCandidate(LABELLED, false, c, reason));
    MixtureSettings m;
    m.resolution = SyntheticInstrument();
    for (double truth : {0.92, 0.97, 0.99}) {
        EnrichmentResult r;
        ASSERT_TRUE(FitEnrichment(MatchTable(), Standard(truth, 5), c, 2, "13C", 0.8, Settings(), m, r, reason))
            << reason;
        EXPECT_NEAR(r.enrichment, truth, 0.005) << truth;
        EXPECT_GT(r.uncertainty, 0);
        EXPECT_LT(r.residual, 0.05);
    }
}

TEST(MatchEnrichmentFit, RefusesALabelTheMoleculeLacks)
{
    Candidate c;
    std::string reason;
    ASSERT_TRUE(ParseCandidate(LABELLED, false, c, reason));
    EnrichmentResult r;
    r.enrichment = -1;
    EXPECT_FALSE(FitEnrichment(MatchTable(), Standard(0.97, 1), c, 2, "15N", 0.8, Settings(), MixtureSettings(), r,
                               reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(r.enrichment, -1);
    EXPECT_FALSE(FitEnrichment(MatchTable(), Standard(0.97, 1), c, 2, "13C", 1, Settings(), MixtureSettings(), r,
                               reason));
    EXPECT_EQ(reason, "the lowest enrichment must lie between 0 and 1");
}
