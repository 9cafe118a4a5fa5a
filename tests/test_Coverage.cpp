// What a pattern says about itself (coverage, masses, what each peak is
// made of), the coverage target against a brute-force enumeration, and
// nominal binning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "formula/FormulaParser.h"
#include "support/CoverageSet.h"
#include "support/Reference.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

class Coverage : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    }

    static PatternResult Calculate(const std::string& formula, const std::function<void(PatternSettings&)>& set = {})
    {
        PatternSettings s;
        if (set) set(s);
        PatternResult r = CalculatePattern(table, formula, s);
        EXPECT_EQ(r.status, 0) << formula << ": " << r.reason;
        return r;
    }

    static double Sum(const std::vector<isotope>& peaks)
    {
        double sum = 0;
        for (const isotope& p : peaks) sum += p.abundance;
        return sum;
    }

    static std::deque<AtomIsoAbun> table;
};

std::deque<AtomIsoAbun> Coverage::table;

TEST_F(Coverage, IsTheSumOfTheUnnormalisedPeaksWhateverIsPrinted)
{
    // Insulin at the default threshold keeps 0.98 of the probability: the
    // tail beyond M+11 is cut, which the coverage shows.
    const PatternResult plain = Calculate("C254H377N65O75S6");
    EXPECT_EQ(plain.coverage, Sum(plain.peaks));
    EXPECT_NEAR(plain.coverage, 0.982, 0.001);
    const PatternResult filtered = Calculate("C254H377N65O75S6", [](PatternSettings& s) { s.filter = 5; });
    EXPECT_EQ(filtered.coverage, plain.coverage);
    EXPECT_LT(filtered.peaks.size(), plain.peaks.size());
    const PatternResult deep = Calculate("C254H377N65O75S6", [](PatternSettings& s) { s.threshold = 1e-9; });
    EXPECT_GT(deep.coverage, 0.999999);
    EXPECT_LE(deep.coverage, 1 + 1e-12);
}

// Every variant of a small molecule by brute force, the smallest set by
// decreasing probability reaching each target, against the coverage target.
TEST_F(Coverage, TargetTakesTheSmallestSetByDecreasingProbability)
{
    const auto reference = LoadReferenceTable(ShippedTable());
    const std::vector<std::vector<std::pair<std::string, int>>> molecules = {
        {{"C", 6}, {"H", 12}, {"O", 6}},         {{"H", 2}, {"O", 1}},
        {{"Br", 2}},                             {{"C", 3}, {"H", 7}, {"N", 1}, {"O", 2}, {"S", 1}},
        {{"C", 2}, {"H", 3}, {"Cl", 3}},         {{"C", 10}, {"H", 15}, {"Fe", 1}, {"S", 2}},
        {{"Sn", 2}, {"Cl", 2}},                  {{"C", 20}, {"H", 30}, {"N", 4}, {"O", 6}, {"Se", 1}},
    };
    for (const auto& molecule : molecules) {
        std::string formula;
        std::vector<RefElement> elements;
        for (const auto& [symbol, atoms] : molecule) {
            formula += symbol + std::to_string(atoms);
            elements.push_back(RefElement{reference.at(symbol), atoms});
        }
        std::vector<double> all;
        for (const RefPeak& v : AllVariants(elements)) all.push_back(v.abundance);
        std::sort(all.begin(), all.end(), std::greater<double>());
        for (double target : {0.5, 0.9, 0.99, 0.999, 0.99999}) {
            double total = 0;
            std::size_t size = 0;
            while (total < target) total += all[size++];
            MolComposition c;
            ASSERT_EQ(ParseFormula(formula, table, c), 0);
            std::vector<double> kept;
            std::string reason;
            ASSERT_EQ(CoverageProbabilities(c, target, kept, reason), 0) << formula << " " << reason;
            // Ties at the boundary are all kept: as many as the brute force
            // takes, plus those exactly as probable as its last one.
            const double last = all[size - 1];
            std::size_t ties = 0;
            while (size + ties < all.size() && std::fabs(all[size + ties] - last) <= 1e-12 * last) ++ties;
            EXPECT_GE(kept.size(), size) << formula << " at " << target;
            EXPECT_LE(kept.size(), size + ties) << formula << " at " << target;
            double ours = 0;
            for (double p : kept) ours += p;
            EXPECT_NEAR(ours, total + ties * last * (kept.size() > size), 1e-12) << formula << " at " << target;
        }
    }
}

// How far a pattern's peaks are from the exact distribution over extra
// neutrons (nominal binning, itself checked against an atom-by-atom
// convolution below), over the bins of at least a thousandth of the
// largest: the worst relative error of the heights (a bin without a peak
// within half a unit counts as 1) and of the positions, in u. Merged at
// 0.1 u, each peak is the fine structure of one bin.
struct Accuracy {
    double height = 0;
    double position = 0;
};

Accuracy AgainstExactBins(const std::deque<AtomIsoAbun>& table, const std::string& formula, const PatternSettings& s)
{
    PatternSettings binned;
    binned.nominal = true;
    const PatternResult exact = CalculatePattern(table, formula, binned), r = CalculatePattern(table, formula, s);
    EXPECT_EQ(r.status, 0) << r.reason;
    double largest = 0;
    for (const isotope& bin : exact.peaks) largest = std::max(largest, bin.abundance);
    Accuracy worst;
    for (const isotope& bin : exact.peaks) {
        if (bin.abundance < 1e-3 * largest) continue;
        double sum = 0;
        for (const isotope& p : r.peaks) {
            if (std::fabs(p.mass - bin.mass) >= 0.5) continue;
            sum += p.abundance;
            worst.position = std::max(worst.position, std::fabs(p.mass - bin.mass));
        }
        worst.height = std::max(worst.height, std::fabs(sum - bin.abundance) / bin.abundance);
    }
    return worst;
}

// The front-ends' default: glucose, human insulin, hen lysozyme and a 66 kDa
// protein, every peak of at least 0.1 % of the largest within 0.1 % of its
// exact height and 1e-5 u of its position. morvane's threshold of 1e-3
// loses more than half of insulin's M+11, leaves out the peaks beyond, and
// moves M+12 by 0.6 mu.
TEST_F(Coverage, FrontEndDefaultIsAccurateToAThousandth)
{
    PatternSettings accurate;
    accurate.coverage = FRONT_END_COVERAGE;
    for (const char* formula : {"C6H12O6", "C257H383N65O77S6", "C613H959N193O185S10", "C2934H4615N781O897S39"}) {
        const Accuracy a = AgainstExactBins(table, formula, accurate);
        EXPECT_LT(a.height, 1e-3) << formula;
        EXPECT_LT(a.position, 1e-5) << formula;
    }
    const Accuracy cut = AgainstExactBins(table, "C257H383N65O77S6", PatternSettings());
    EXPECT_GT(cut.height, 0.5);
    EXPECT_GT(cut.position, 5e-4);
}

// The slow cases, with the same table.
class CoverageSlow : public Coverage {};

TEST_F(CoverageSlow, FrontEndDefaultIsAccurateForALargeProtein)
{
#ifdef MORVANE_SANITIZE
    GTEST_SKIP() << "a minute here, many under the sanitizers; the digits' test runs the same paths";
#endif
    PatternSettings accurate;
    accurate.coverage = FRONT_END_COVERAGE;
    const Accuracy a = AgainstExactBins(table, "C12000H19000N3300O3600S80", accurate);
    EXPECT_LT(a.height, 1e-3);
    EXPECT_LT(a.position, 1e-5);
}

// More variants than the selection holds: the boundary is narrowed by the
// digits of the probabilities' bits, one run of the search each, and must
// be where sorting them all puts it.
TEST_F(CoverageSlow, ManyVariantsFindTheBoundaryByDigits)
{
    std::string reason;
    MolComposition c;
    ASSERT_EQ(ParseFormula("C2934H4615N781O897S39", table, c), 0);
    const double target = 0.99999999;
    std::vector<double> kept;
    ASSERT_EQ(CoverageProbabilities(c, target, kept, reason), 0) << reason;
    ASSERT_GT(kept.size(), std::size_t(1) << 24);
    std::sort(kept.begin(), kept.end(), std::greater<double>());
    const double floor = kept.back();
    long double above = 0, all = 0;
    for (double p : kept) {
        all += p;
        if (p > floor) above += p;
    }
    EXPECT_LT(above, target * (1 + 1e-13));
    EXPECT_GE(all, target * (1 - 1e-13));
}

TEST_F(Coverage, TargetGivesMergedPeaksHoldingAtLeastTheTarget)
{
    for (double target : {0.9, 0.999, 0.999999}) {
        const PatternResult r = Calculate("C254H377N65O75S6", [&](PatternSettings& s) { s.coverage = target; });
        EXPECT_GE(r.coverage, target);
        EXPECT_EQ(r.coverage, Sum(r.peaks));
    }
    // Ions: the coverage target and an adduct's charge, m/z.
    Adduct a;
    std::string reason;
    ASSERT_EQ(a.Parse("[M+2H]2+", table, reason), 0);
    const PatternResult ion = Calculate("C50H71N13O12", [&](PatternSettings& s) {
        s.coverage = 0.99;
        s.adduct = &a;
    });
    EXPECT_NEAR(ion.peaks[0].mass, 523.77453, 1e-5);
    EXPECT_NEAR(ion.monoisotopic, 523.77453, 1e-5);
}

TEST_F(Coverage, TargetOutOfReachIsRefusedWithTheReason)
{
    // The closest target below 1 cannot be reached in double precision:
    // the probabilities of all of glucose's variants sum to a hair less.
    PatternSettings s;
    s.coverage = std::nextafter(1.0, 0.0);
    const PatternResult r = CalculatePattern(table, "C6H12O6", s);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.reason.find("coverage 0.9999999999999999 is out of reach: the threshold it needs underflows"), 0u)
        << r.reason;
    for (double bad : {-0.1, 1.0, 1.5, std::nan("")}) {
        s.coverage = bad;
        const PatternResult refused = CalculatePattern(table, "C6H12O6", s);
        EXPECT_EQ(refused.status, 5);
        EXPECT_EQ(refused.reason, "coverage must be between 0 and 1");
    }
}

// Masses from the table's data: the monoisotopic ones from the isotope masses
// it carries (the 1995 atomic mass evaluation of Audi and Wapstra; PubChem
// gives glucose 180.06338810 from the same masses), the average ones against
// the standard atomic weights of the same NIST compilation (C 12.0107(8),
// H 1.00794(7), N 14.0067(2), O 15.9994(3), S 32.065(5)), to within the
// uncertainties those carry.
TEST_F(Coverage, MassesOfGlucoseAndInsulin)
{
    const PatternResult glucose = Calculate("C6H12O6");
    EXPECT_NEAR(glucose.monoisotopic, 180.0633881, 1e-7);
    EXPECT_NEAR(glucose.average, 180.15588, 0.0075);
    EXPECT_EQ(glucose.nominal, 180);
    EXPECT_EQ(glucose.mostAbundant.mass, glucose.peaks[0].mass);
    // Bovine insulin: 254 x 12 + 377 x 1.0078250321 + 65 x 14.0030740052 +
    // 75 x 15.9949146221 + 6 x 31.97207069 = 5729.6008682; its average
    // 5733.49 by the standard weights. The mass defect of 0.6 u leaves the
    // nominal mass at 5727; the most abundant peak is M+3.
    const PatternResult insulin = Calculate("C254H377N65O75S6");
    EXPECT_NEAR(insulin.monoisotopic, 5729.6008682, 1e-6);
    EXPECT_NEAR(insulin.average, 5733.49138, 0.3);
    EXPECT_EQ(insulin.nominal, 5727);
    EXPECT_NEAR(insulin.mostAbundant.mass, 5732.608, 1e-3);
    // As the 2+ ion in m/z: two electrons off, then halved.
    const PatternResult ion = Calculate("C254H379N65O75S6", [](PatternSettings& s) {
        s.charge = 2;
        s.masstocharge = true;
        s.normalize = true;
    });
    EXPECT_NEAR(ion.monoisotopic, (5729.6008682 + 2 * 1.0078250321 - 2 * 0.00054857990943) / 2, 1e-6);
    EXPECT_EQ(ion.mostAbundant.abundance, 100);
}

// Glucose M+1 is mostly one 13C (6 x 1.07 % against 12 x 0.0115 % 2H and
// 6 x 0.038 % 17O); at M+2 one 18O (6 x 0.205 %) beats two 13C
// (15 x 0.0107^2), which lie 0.0025 u apart and merge at the default 0.1.
TEST_F(Coverage, CompositionOfGlucosePeaks)
{
    const PatternResult r = Calculate("C6H12O6", [](PatternSettings& s) { s.composition = true; });
    ASSERT_EQ(r.composition.size(), 3u);
    EXPECT_EQ(r.composition[0].isotopes, "");
    EXPECT_EQ(r.composition[0].share, 1);
    EXPECT_EQ(r.composition[1].isotopes, "13C");
    EXPECT_NEAR(r.composition[1].share, 0.9465, 1e-4);
    EXPECT_EQ(r.composition[2].isotopes, "18O");
    EXPECT_NEAR(r.composition[2].share, 0.875, 1e-3);
    // Unmerged, 13C2 is a peak of its own, and the make-up of every peak is
    // its one variant.
    const PatternResult apart = Calculate("C6H12O6", [](PatternSettings& s) {
        s.composition = true;
        s.merge = 0;
        s.threshold = 1e-4;
    });
    std::vector<std::string> names;
    for (const PeakMakeup& m : apart.composition) {
        names.push_back(m.isotopes);
        EXPECT_EQ(m.share, 1);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "13C2"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "13C 18O"), names.end());
    // Sulfur's 34S makes M+2 of methionine-rich peptides; filtering keeps
    // the composition beside its peak.
    const PatternResult met = Calculate("C5H11NO2S", [](PatternSettings& s) {
        s.composition = true;
        s.filter = 1;
    });
    ASSERT_EQ(met.composition.size(), met.peaks.size());
    EXPECT_EQ(met.composition[2].isotopes, "34S");
}

TEST_F(Coverage, NominalBinsHoldTheWholeProbability)
{
    // The bins are every one down to 1e-15 of the largest, whatever the
    // threshold: insulin's hold all but a few 1e-15 of the probability, and
    // begin with the merged peaks' positions.
    const PatternResult merged = Calculate("C254H377N65O75S6");
    const PatternResult nominal = Calculate("C254H377N65O75S6", [](PatternSettings& s) { s.nominal = true; });
    EXPECT_NEAR(nominal.coverage, 1, 1e-13);
    ASSERT_GT(nominal.peaks.size(), merged.peaks.size());
    for (std::size_t i = 0; i < merged.peaks.size(); ++i) EXPECT_NEAR(nominal.peaks[i].mass, merged.peaks[i].mass, 0.02);
    // Every variant of glucose, binned by extra neutrons, against the
    // reference convolution atom by atom: the bins down to 1e-15 of the
    // largest (the last few, all-18O ones, lie below).
    const auto reference = LoadReferenceTable(ShippedTable());
    auto expected = NominalDistribution({{reference.at("C"), 6}, {reference.at("H"), 12}, {reference.at("O"), 6}});
    const double largest = expected.front().abundance;
    expected.erase(std::remove_if(expected.begin(), expected.end(),
                                  [largest](const RefPeak& p) { return p.abundance < 1e-15 * largest; }),
                   expected.end());
    const PatternResult all = Calculate("C6H12O6", [](PatternSettings& s) {
        s.nominal = true;
        s.threshold = 0;
        s.composition = true;
    });
    ASSERT_EQ(all.peaks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(all.peaks[i].abundance, expected[i].abundance, 1e-15 + 1e-12 * expected[i].abundance);
        EXPECT_NEAR(all.peaks[i].mass, expected[i].mass, 1e-9);
    }
    EXPECT_EQ(all.composition[2].isotopes, "18O");
    // A coverage target does not change the bins.
    const PatternResult plain = Calculate("C2934H4615N781O897S39", [](PatternSettings& s) { s.nominal = true; });
    const PatternResult target = Calculate("C2934H4615N781O897S39", [](PatternSettings& s) {
        s.nominal = true;
        s.coverage = 0.99;
    });
    EXPECT_EQ(target.coverage, plain.coverage);
    EXPECT_EQ(target.peaks.size(), plain.peaks.size());
}

}  // namespace
