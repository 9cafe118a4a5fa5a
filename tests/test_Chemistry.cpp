// Real molecules through the built executable with the shipped table: whole
// outputs byte for byte, and the printed peaks against an independent
// computation (tests/support/Reference.cpp) that convolves the elements atom
// by atom and aggregates by nucleon number.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "support/Reference.h"
#include "support/RunMorvane.h"

namespace {

std::vector<RefPeak> ParseTable(const std::string& out)
{
    std::vector<RefPeak> peaks;
    std::istringstream in(out);
    RefPeak p;
    while (in >> p.mass >> p.abundance) peaks.push_back(p);
    return peaks;
}

// Atom counts of a CHNOS formula, with the shipped table's isotopes.
std::vector<RefElement> Molecule(int c, int h, int n, int o, int s)
{
    auto table = LoadReferenceTable(ShippedTable());
    std::vector<RefElement> m;
    for (auto [symbol, count] : {std::pair<const char*, int>{"C", c}, {"H", h}, {"N", n}, {"O", o}, {"S", s}})
        if (count > 0) m.push_back(RefElement{table.at(symbol), count});
    return m;
}

void ExpectOutput(const std::vector<std::string>& args, const std::string& expected)
{
    const RunResult r = RunMorvane(args);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

// Glucose: monoisotopic 6 x 12 + 12 x 1.0078250321 + 6 x 15.9949146221 =
// 180.0633881; its probability 0.9893^6 x 0.999885^12 x 0.99757^6 = 0.922633.
TEST(Chemistry, Glucose)
{
    ExpectOutput({"C6H12O6"}, "180.06339\t0.92263298\n181.06683\t0.063255793\n182.06794\t0.012994973\n");
    EXPECT_NEAR(std::pow(0.9893, 6) * std::pow(0.999885, 12) * std::pow(0.99757, 6), 0.92263298, 5e-9);
}

// Glucose as a doubly charged ion: (180.0633881 - 2 x 0.00054858) / 2.
TEST(Chemistry, GlucoseDoublyChargedCommaSeparated)
{
    ExpectOutput({"C6H12O6", "-mtz", "2", "-c"}, "90.031145,0.92263298\n90.532867,0.063255793\n91.033422,0.012994973\n");
}

// Br2's gapped pattern: 0.5069^2, 2 x 0.5069 x 0.4931, 0.4931^2 at
// 2 x 78.9183376, 78.9183376 + 80.916291, 2 x 80.916291.
TEST(Chemistry, DibromineGappedPattern)
{
    ExpectOutput({"Br2", "-r", "0.5"}, "157.83668\t0.25694761\n159.83463\t0.49990478\n161.83258\t0.24314761\n");
}

TEST(Chemistry, InsulinNormalisedAndFiltered)
{
    ExpectOutput({"C254H377N65O75S6", "-n", "-f", "1"},
                 "5729.6009\t15.969048\n5730.6037\t49.619718\n5731.606\t83.597176\n5732.608\t100\n"
                 "5733.6097\t94.457222\n5734.6114\t74.457628\n5735.6129\t50.489397\n5736.6144\t29.965871\n"
                 "5737.616\t15.773465\n5738.6173\t6.9602817\n5739.6188\t2.6074749\n");
}

// Pruning only drops variants: no printed peak exceeds its reference, none
// falls short by more than everything dropped together, and the positions of
// peaks above 1e-4 stay within 2e-4 u.
void ExpectWithinDroppedProbability(const std::vector<RefPeak>& printed, const std::vector<RefPeak>& reference,
                                    const std::string& label)
{
    double total = 0, all = 0;
    for (const RefPeak& p : printed) total += p.abundance;
    for (const RefPeak& p : reference) all += p.abundance;
    const double dropped = all - total;
    ASSERT_LE(printed.size(), reference.size());
    for (std::size_t i = 0; i < printed.size(); ++i) {
        const RefPeak& ref = reference[i];
        EXPECT_LE(printed[i].abundance, ref.abundance * (1 + 1e-9)) << label << " " << i;
        EXPECT_LE(ref.abundance - printed[i].abundance, dropped + 1e-12) << label << " " << i;
        if (ref.abundance >= 1e-4) {
            EXPECT_NEAR(printed[i].mass, ref.mass, 2e-4) << label << " " << i;
        }
    }
}

struct Case {
    const char* formula;
    std::vector<RefElement> molecule;
};

// At threshold 1e-6 the printed peaks carry at least 0.9998 of the
// probability and agree with the nucleon-number aggregation.
TEST(Chemistry, PeaksAgreeWithIndependentAggregation)
{
    const Case cases[] = {
        {"C6H12O6", Molecule(6, 12, 0, 6, 0)},
        {"C63H98N18O13S", Molecule(63, 98, 18, 13, 1)},  // substance P
        {"C254H377N65O75S6", Molecule(254, 377, 65, 75, 6)},
    };
    for (const Case& c : cases) {
        const RunResult r = RunMorvane({c.formula, "-t", "1e-6", "-p", "17"});
        ASSERT_EQ(r.status, 0);
        const std::vector<RefPeak> printed = ParseTable(r.out);
        const std::vector<RefPeak> reference = NominalDistribution(c.molecule);
        ExpectWithinDroppedProbability(printed, reference, c.formula);
        double total = 0;
        for (const RefPeak& p : printed) total += p.abundance;
        EXPECT_GE(total, 0.9998) << c.formula;
    }
}

// Without a threshold the printed glucose peaks are exactly the
// multinomial variants merged at 0.1 u.
TEST(Chemistry, GlucoseWithoutThresholdEqualsAllVariantsMerged)
{
    const RunResult r = RunMorvane({"C6H12O6", "-t", "0", "-p", "17"});
    const std::vector<RefPeak> printed = ParseTable(r.out);
    const std::vector<RefPeak> reference = MergeChained(AllVariants(Molecule(6, 12, 0, 6, 0)), 0.1);
    ASSERT_EQ(printed.size(), reference.size());
    for (std::size_t i = 0; i < printed.size(); ++i) {
        EXPECT_NEAR(printed[i].abundance, reference[i].abundance, 1e-12 * reference[i].abundance);
        EXPECT_NEAR(printed[i].mass, reference[i].mass, 1e-9);
    }
}

// A protein of 1.5 million variants at 17 digits: the table checked against
// the aggregation above when it was recorded, kept as a regression value for
// the generation and the mass sort.
TEST(Chemistry, ProteinAtSeventeenDigits)
{
    const RunResult r = RunMorvane({"C2934H4615N781O897S39", "-t", "1e-5", "-p", "17"});
    EXPECT_EQ(r.out, ReadFile(std::string(MORVANE_SOURCE_DIR) + "/tests/data/protein_t1e-5_p17.txt"));
    EXPECT_EQ(r.status, 0);
    // Against the aggregation: 99.8 % of the probability printed, the peaks
    // above 1 % at their positions within 2e-4 u.
    const std::vector<RefPeak> printed = ParseTable(r.out);
    const std::vector<RefPeak> reference = NominalDistribution(Molecule(2934, 4615, 781, 897, 39));
    double total = 0;
    for (const RefPeak& p : printed) total += p.abundance;
    EXPECT_GT(total, 0.998);
    for (std::size_t i = 0; i < printed.size(); ++i) {
        if (reference[i].abundance > 1e-2) {
            EXPECT_NEAR(printed[i].mass, reference[i].mass, 2e-4) << i;
        }
    }
}

}  // namespace
