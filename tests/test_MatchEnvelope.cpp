// One envelope against a spectrum: the pairs, the errors, the scores, and
// what missing peaks and noise do to them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "match/Envelope.h"
#include "support/Synthetic.h"

using namespace morvane;

namespace {

// The ion's own peaks as the measured spectrum, each shifted by `ppm`.
MeasuredSpectrum Exact(const Ion& ion, double ppm, std::vector<isotope> extra = {})
{
    std::vector<isotope> peaks = extra;
    for (const isotope& p : ion.peaks) peaks.emplace_back(p.mass * (1 + ppm * 1e-6), 1000 * p.abundance);
    MeasuredSpectrum s;
    std::string reason;
    EXPECT_TRUE(MeasuredSpectrum::Make(peaks, s, reason)) << reason;
    return s;
}

const char* const PEPTIDE = "C42H69N11O14";

}  // namespace

TEST(MatchEnvelope, TheIonItselfScoresOne)
{
    const Ion ion = SyntheticIon(PEPTIDE, "[M+2H]2+");
    const EnvelopeFit f = FitEnvelope(Exact(ion, 0), ion, EnvelopeSettings());
    EXPECT_NEAR(f.cosine, 1, 1e-12);
    EXPECT_NEAR(f.explained, 1, 1e-12);
    EXPECT_NEAR(f.wasserstein, 0, 1e-9);
    EXPECT_NEAR(f.score, 1, 1e-12);
    EXPECT_TRUE(f.monoisotopicFound);
    EXPECT_EQ(f.found, static_cast<int>(f.peaks.size()));
    EXPECT_DOUBLE_EQ(f.peaks[0].theoretical, 100);
    EXPECT_DOUBLE_EQ(f.peaks[0].observed, 100);
}

TEST(MatchEnvelope, ReportsTheShiftInPpm)
{
    const Ion ion = SyntheticIon(PEPTIDE, "[M+H]+");
    const EnvelopeFit f = FitEnvelope(Exact(ion, 4), ion, EnvelopeSettings());
    EXPECT_NEAR(f.monoisotopicPpm, 4, 1e-6);
    EXPECT_NEAR(f.rmsPpm, 4, 1e-6);
    for (const PeakPair& p : f.peaks) EXPECT_NEAR(p.ppm, 4, 1e-6);
    EXPECT_NEAR(f.score, std::exp(-2 * 0.16), 1e-6);
    const EnvelopeFit outside = FitEnvelope(Exact(ion, 12), ion, EnvelopeSettings());
    EXPECT_EQ(outside.found, 0);
    EXPECT_EQ(outside.score, 0);
}

TEST(MatchEnvelope, AMissingPeakCountsAgainst)
{
    const Ion ion = SyntheticIon(PEPTIDE, "[M+H]+");
    MeasuredSpectrum full = Exact(ion, 0);
    std::vector<isotope> peaks = full.Peaks();
    peaks.erase(peaks.begin() + 1);  // the M+1
    MeasuredSpectrum missing;
    std::string reason;
    ASSERT_TRUE(MeasuredSpectrum::Make(peaks, missing, reason));
    const EnvelopeFit f = FitEnvelope(missing, ion, EnvelopeSettings());
    EXPECT_FALSE(f.peaks[1].found);
    EXPECT_EQ(f.peaks[1].observedMz, 0);
    EXPECT_LT(f.cosine, 0.93);
    EXPECT_LT(f.score, 0.93);
}

TEST(MatchEnvelope, NoiseBelowTheFloorDoesNotCount)
{
    const Ion ion = SyntheticIon(PEPTIDE, "[M+H]+");
    const double mono = ion.peaks[0].mass;
    // Peaks of 0.5 % of the envelope's top (1000 * its probability) between
    // the isotope peaks.
    const double top = 1000 * ion.peaks[0].abundance;
    const EnvelopeFit quiet = FitEnvelope(Exact(ion, 0, {{mono + 0.5, 0.005 * top}, {mono + 1.5, 0.005 * top}}),
                                          ion, EnvelopeSettings());
    EXPECT_NEAR(quiet.score, 1, 1e-12);
    const EnvelopeFit loud = FitEnvelope(Exact(ion, 0, {{mono + 0.5, 0.3 * top}}), ion, EnvelopeSettings());
    EXPECT_LT(loud.explained, 0.9);
    EXPECT_LT(loud.score, 0.9);
}

TEST(MatchEnvelope, APeakBelowTheMonoisotopicCountsAgainst)
{
    // The same envelope one hydrogen lighter: its M-1 place holds nothing
    // for the true ion, but the true ion's M for the ion of one H more.
    const Ion ion = SyntheticIon(PEPTIDE, "[M+H]+");
    const Ion heavier = SyntheticIon("C42H70N11O14", "[M+H]+");
    const MeasuredSpectrum s = Exact(ion, 0);
    EXPECT_LT(FitEnvelope(s, heavier, EnvelopeSettings()).score, 0.5);
}

TEST(MatchEnvelope, AnEmptyWindowScoresZero)
{
    const Ion ion = SyntheticIon(PEPTIDE, "[M+H]+");
    MeasuredSpectrum s;
    std::string reason;
    ASSERT_TRUE(MeasuredSpectrum::Make({{100, 1}}, s, reason));
    const EnvelopeFit f = FitEnvelope(s, ion, EnvelopeSettings());
    EXPECT_EQ(f.score, 0);
    EXPECT_EQ(f.found, 0);
    EXPECT_FALSE(f.peaks.empty());
}
