// Candidates: how they are written, and the charge and molecule the match
// finds among decoys in synthetic spectra made by the library itself.
#include <gtest/gtest.h>

#include <random>

#include "match/Match.h"
#include "support/Synthetic.h"

using namespace morvane;

namespace {

MatchSettings Settings()
{
    MatchSettings s;
    s.pattern.coverage = FRONT_END_COVERAGE;
    s.pattern.resolution = SyntheticInstrument();
    return s;
}

}  // namespace

TEST(MatchCandidate, ReadsMoleculeAdductAndChargeRange)
{
    Candidate c;
    std::string reason;
    ASSERT_TRUE(ParseCandidate("C6H12O6", false, c, reason)) << reason;
    EXPECT_EQ(c.molecule, "C6H12O6");
    EXPECT_EQ(c.minCharge, 0);
    ASSERT_TRUE(ParseCandidate("C6H12O6\t[M+Na]+", false, c, reason)) << reason;
    EXPECT_EQ(c.adduct, "[M+Na]+");
    ASSERT_TRUE(ParseCandidate("C6H12O6 z=10..1", false, c, reason)) << reason;
    EXPECT_EQ(c.minCharge, 1);
    EXPECT_EQ(c.maxCharge, 10);
    ASSERT_TRUE(ParseCandidate("C6H12O6 z=-2", false, c, reason)) << reason;
    EXPECT_EQ(c.minCharge, -2);
    EXPECT_EQ(c.maxCharge, -2);
    ASSERT_TRUE(ParseCandidate("PEPTIDE z=1..3", true, c, reason)) << reason;
    EXPECT_TRUE(c.sequence);
}

TEST(MatchCandidate, RefusesWhatItCannotRead)
{
    const char* bad[] = {"", "  ", "C6 z=0", "C6 z=-1..2", "C6 z=1..101", "C6 z=a", "C6 [M+H]+ z=2", "C6 M+H"};
    for (const char* text : bad) {
        Candidate c;
        c.molecule = "kept";
        std::string reason;
        EXPECT_FALSE(ParseCandidate(text, false, c, reason)) << text;
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(c.molecule, "kept");
    }
    Candidate c;
    std::string reason;
    EXPECT_FALSE(ParseCandidate("PEPTIDE/2 z=3", true, c, reason));
    EXPECT_EQ(reason, "candidate 'PEPTIDE/2 z=3': the sequence's suffix already sets its charge");
}

TEST(MatchCandidate, FailureCarriesTheStatusAndReason)
{
    MeasuredSpectrum s;
    std::string reason;
    ASSERT_TRUE(MeasuredSpectrum::Make({{181.07, 1}}, s, reason));
    Candidate c;
    ASSERT_TRUE(ParseCandidate("C6H12Xx", false, c, reason));
    const CandidateMatch m = MatchCandidate(MatchTable(), s, c, Settings());
    EXPECT_EQ(m.status, 2);
    EXPECT_EQ(m.reason, "C6H12Xx: unknown element symbol 'Xx' at position 6");
    EXPECT_TRUE(m.fits.empty());
}

TEST(MatchCandidate, SequencesTakeTheirChargeFromTheRange)
{
    std::mt19937 random(11);
    const MeasuredSpectrum s = Record("C40H65N9O16", "[M+2H]2+", Distortion(), random);  // PEPTIDEK
    Candidate c;
    std::string reason;
    ASSERT_TRUE(ParseCandidate("PEPTIDEK z=1..4", true, c, reason));
    const CandidateMatch m = MatchCandidate(MatchTable(), s, c, Settings());
    ASSERT_EQ(m.status, 0) << m.reason;
    ASSERT_EQ(m.fits.size(), 4u);
    EXPECT_EQ(m.fits[0].ion.charge, 2);
    EXPECT_EQ(m.fits[0].ion.adduct, "PEPTIDEK/2");
    EXPECT_GT(m.fits[0].fit.score, 0.8);
    EXPECT_LT(m.fits[1].fit.score, 0.1);
}

TEST(MatchCandidate, ThreadsGiveEachCandidateItsOwnResult)
{
    std::mt19937 random(12);
    const MeasuredSpectrum s = Record("C42H69N11O14", "[M+2H]2+", Distortion(), random);
    std::vector<Candidate> candidates(40);
    std::string reason;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::string text = "C" + std::to_string(30 + i) + "H69N11O14" + (i == 7 ? "Xx" : "") + " z=1..3";
        ASSERT_TRUE(ParseCandidate(text, false, candidates[i], reason));
    }
    std::vector<CandidateMatch> matches(candidates.size());
    MatchCandidates(MatchTable(), s, candidates, 5, 33, Settings(), 3, matches);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (i < 5 || i >= 33) {
            EXPECT_TRUE(matches[i].fits.empty() && matches[i].status == 0) << i;
            continue;
        }
        const CandidateMatch alone = MatchCandidate(MatchTable(), s, candidates[i], Settings());
        EXPECT_EQ(matches[i].status, alone.status) << i;
        ASSERT_EQ(matches[i].fits.size(), alone.fits.size()) << i;
        for (std::size_t f = 0; f < alone.fits.size(); ++f) {
            EXPECT_EQ(matches[i].fits[f].fit.score, alone.fits[f].fit.score) << i;
            EXPECT_EQ(matches[i].fits[f].ion.peaks.size(), alone.fits[f].ion.peaks.size()) << i;
        }
    }
    EXPECT_EQ(matches[7].status, 2);
}

// 1,000 envelopes at charges 1 to 10 (3 ppm m/z errors, 5 % intensity
// noise, small peaks lost, noise peaks): the candidate's best charge over
// z=1..10 is the true one in at least 99 %.
TEST(MatchCandidateSlow, FindsTheChargeOfSyntheticEnvelopes)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> carbons(20, 250);
    const MatchSettings settings = Settings();
    int right = 0;
    const int cases = 1000;
    for (int i = 0; i < cases; ++i) {
        const int z = 1 + i % 10;
        const std::string formula = RandomFormula(random, carbons(random));
        const MeasuredSpectrum s = Record(formula, ProtonatedAdduct(z), Distortion(), random);
        Candidate c;
        std::string reason;
        ASSERT_TRUE(ParseCandidate(formula + " z=1..10", false, c, reason));
        const CandidateMatch m = MatchCandidate(MatchTable(), s, c, settings);
        ASSERT_EQ(m.status, 0) << m.reason;
        right += m.fits[0].ion.charge == z ? 1 : 0;
    }
    RecordProperty("right", right);
    EXPECT_GE(right, cases * 99 / 100);
}

// The true formula against its decoys: +-H, +-O, +-CH2 and the
// neighbouring charges, in 1,000 synthetic spectra; the truth scores
// highest in at least 98 %.
TEST(MatchCandidateSlow, RanksTheTruthAboveDecoys)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> carbons(20, 250);
    const MatchSettings settings = Settings();
    int first = 0;
    const int cases = 1000;
    for (int i = 0; i < cases; ++i) {
        const int z = 1 + i % 5;
        const int c = carbons(random);
        const Chnos f = RandomChnos(random, c);
        const std::string formula = f.Text(), zt = " z=" + std::to_string(z);
        const MeasuredSpectrum s = Record(formula, ProtonatedAdduct(z), Distortion(), random);
        std::vector<std::string> texts = {formula + zt, formula + " z=" + std::to_string(z + 1)};
        for (const Chnos& d : {Chnos{f.c, f.h + 1, f.n, f.o, f.s}, Chnos{f.c, f.h - 1, f.n, f.o, f.s},
                               Chnos{f.c, f.h, f.n, f.o + 1, f.s}, Chnos{f.c, f.h, f.n, f.o - 1, f.s},
                               Chnos{f.c + 1, f.h + 2, f.n, f.o, f.s}, Chnos{f.c - 1, f.h - 2, f.n, f.o, f.s}})
            texts.push_back(d.Text() + zt);
        double truth = 0, best = 0;
        for (std::size_t k = 0; k < texts.size(); ++k) {
            Candidate cand;
            std::string reason;
            ASSERT_TRUE(ParseCandidate(texts[k], false, cand, reason)) << reason;
            const CandidateMatch m = MatchCandidate(MatchTable(), s, cand, settings);
            ASSERT_EQ(m.status, 0) << texts[k] << ": " << m.reason;
            (k == 0 ? truth : best) = std::max(k == 0 ? truth : best, m.fits[0].fit.score);
        }
        first += truth > best ? 1 : 0;
    }
    RecordProperty("first", first);
    EXPECT_GE(first, cases * 98 / 100);
}
