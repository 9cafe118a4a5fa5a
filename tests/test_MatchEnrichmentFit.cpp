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

// The candidate's ion at `charge` with `label` at enrichment `e`, its
// intensities with 1 % noise.
MeasuredSpectrum Standard(const std::string& text, int charge, const std::string& label, double e, unsigned seed)
{
    Candidate c;
    std::string reason;
    EXPECT_TRUE(ParseCandidate(text, false, c, reason));
    Enrichment enrichment;
    EXPECT_TRUE(ParseEnrichment(label + "=" + std::to_string(e), enrichment, reason)) << reason;
    MatchSettings s = Settings();
    s.pattern.enrichment = &enrichment;
    Ion ion;
    EXPECT_EQ(CalculateIon(MatchTable(), c, charge, s.pattern, ion, reason), 0) << reason;
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 0.01);
    std::vector<isotope> peaks;
    for (const isotope& p : ion.peaks) peaks.emplace_back(p.mass, 1000 * p.abundance * (1 + noise(random)));
    MeasuredSpectrum spectrum;
    EXPECT_TRUE(MeasuredSpectrum::Make(peaks, spectrum, reason)) << reason;
    return spectrum;
}

MeasuredSpectrum Standard(double e, unsigned seed) { return Standard(LABELLED, 2, "13C", e, seed); }

}  // namespace

TEST(MatchEnrichmentFit, FindsTheLabelsEnrichment)
{
    struct Case {
        const char* candidate;
        int charge;
        const char* label;
        double truth;
    } cases[] = {
        {LABELLED, 2, "13C", 0.92},
        {LABELLED, 2, "13C", 0.97},
        {LABELLED, 2, "13C", 0.99},
        {"[13C]6H12O6 [M+Na]+", 1, "13C", 0.97},
        {"C42H69[15N]11O14 z=2", 2, "15N", 0.95},
        {"C42H69[15N]11O14 z=2", 2, "15N", 0.85},
    };
    MixtureSettings m;
    m.resolution = SyntheticInstrument();
    for (const Case& k : cases) {
        Candidate c;
        std::string reason;
        ASSERT_TRUE(ParseCandidate(k.candidate, false, c, reason));
        for (unsigned seed : {5u, 6u, 7u}) {
            EnrichmentResult r;
            ASSERT_EQ(FitEnrichment(MatchTable(), Standard(k.candidate, k.charge, k.label, k.truth, seed), c,
                                    k.charge, k.label, 0.8, Settings(), m, r, reason),
                      0)
                << reason;
            EXPECT_NEAR(r.enrichment, k.truth, 0.005) << k.candidate << " " << k.truth;
            EXPECT_GT(r.uncertainty, 0);
            EXPECT_LT(r.uncertainty, 0.01);
            EXPECT_LT(r.residual, 0.05);
        }
    }
}

TEST(MatchEnrichmentFit, RefusesALabelTheMoleculeLacks)
{
    Candidate c;
    std::string reason;
    ASSERT_TRUE(ParseCandidate(LABELLED, false, c, reason));
    EnrichmentResult r;
    r.enrichment = -1;
    EXPECT_EQ(FitEnrichment(MatchTable(), Standard(0.97, 1), c, 2, "15N", 0.8, Settings(), MixtureSettings(), r,
                            reason),
              2);
    EXPECT_EQ(reason, "C36[13C]6H69N11O14 z=2: enrichment of [15N]: the formula holds no [15N] label");
    EXPECT_EQ(r.enrichment, -1);
    EXPECT_EQ(FitEnrichment(MatchTable(), Standard(0.97, 1), c, 2, "13C", 1, Settings(), MixtureSettings(), r,
                            reason),
              7);
    EXPECT_EQ(reason, "the lowest enrichment must lie between 0 and 1");
    EXPECT_EQ(FitEnrichment(MatchTable(), Standard(0.97, 1), c, 2, "C", 0.8, Settings(), MixtureSettings(), r,
                            reason),
              7);
    // Far from the ion's window the spectrum holds nothing to fit.
    MeasuredSpectrum elsewhere;
    ASSERT_TRUE(MeasuredSpectrum::Make({isotope(1500, 10), isotope(1501, 3)}, elsewhere, reason));
    EXPECT_EQ(FitEnrichment(MatchTable(), elsewhere, c, 2, "13C", 0.8, Settings(), MixtureSettings(), r, reason), 6);
    EXPECT_EQ(r.enrichment, -1);
}
