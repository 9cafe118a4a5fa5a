// The library call against the executable: each pattern equals, number for
// number, what `morvane formula -p 17` prints with the same settings.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "formula/FormulaParser.h"
#include "resolution/Resolution.h"
#include "spectrum/CalculateSpectrum.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

class Pattern : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    }

    // The peaks as morvane prints them at precision 17.
    static std::string Printed(const PatternResult& r, bool comma = false)
    {
        std::ostringstream out;
        out.precision(17);
        for (const isotope& p : r.peaks) out << p.mass << (comma ? ',' : '\t') << p.abundance << '\n';
        return out.str();
    }

    static std::deque<AtomIsoAbun> table;
};

std::deque<AtomIsoAbun> Pattern::table;

struct Case {
    std::string formula;
    std::vector<std::string> options;
    PatternSettings settings;
};

PatternSettings With(int charge, bool mtz, double thr, double merge, bool normalize, double filter)
{
    PatternSettings s;
    s.charge = charge;
    s.masstocharge = mtz;
    s.threshold = thr;
    s.merge = merge;
    s.normalize = normalize;
    s.filter = filter;
    return s;
}

TEST_F(Pattern, EqualsMorvaneAtPrecision17)
{
    const std::vector<Case> cases = {
        {"C6H12O6", {}, PatternSettings()},
        {"C254H377N65O75S6", {"-t", "1e-5"}, With(0, false, 1e-5, 0.1, false, 0)},
        {"C254H377N65O75S6", {"-mtz", "3", "-f", "2.5"}, With(3, true, 0.001, 0.1, true, 2.5)},
        {"Br2Cl3", {"-z", "-2", "-r", "0", "-n"}, With(-2, false, 0.001, 0, true, 0)},
        {"C 2 H 6 O", {"-f", "0"}, With(0, false, 0.001, 0.1, true, 0)},
        {"Pt300", {}, PatternSettings()},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {c.formula, "-p", "17"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult expected = RunMorvane(args);
        const PatternResult r = CalculatePattern(table, c.formula, c.settings);
        EXPECT_EQ(r.status, 0) << c.formula;
        EXPECT_EQ(r.reason, "");
        EXPECT_EQ(Printed(r), expected.out) << c.formula;
    }
}

TEST_F(Pattern, NegativeIonsComeAtPositiveMzInAscendingOrder)
{
    // morvane -mtz -2 prints m/z below 0, descending (its masses ascend);
    // the library gives mass over |z|: each line without its sign, ascending.
    for (const char* formula : {"C6H6", "C6H11O6", "Br2Cl3"}) {
        const RunResult printed = RunMorvane({formula, "-mtz", "-2", "-t", "0", "-p", "17"});
        std::string expected;
        std::istringstream in(printed.out);
        for (std::string line; std::getline(in, line);) {
            ASSERT_EQ(line[0], '-') << line;
            expected += line.substr(1) + "\n";
        }
        EXPECT_EQ(Printed(CalculatePattern(table, formula, With(-2, true, 0, 0.1, false, 0))), expected) << formula;
    }
    // Masses of a negative ion (no m/z) keep morvane's order and sign.
    EXPECT_EQ(Printed(CalculatePattern(table, "C6H6", With(-2, false, 0.001, 0.1, false, 0))),
              RunMorvane({"C6H6", "-z", "-2", "-p", "17"}).out);
}

TEST_F(Pattern, MzAtChargeZeroIsASettingError)
{
    // morvane -mtz 0 prints nothing with status 0; no pattern must not pass
    // for one.
    const PatternResult r = CalculatePattern(table, "C6H12O6", With(0, true, 0.001, 0.1, false, 0));
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.reason, "m/z needs a charge other than 0");
    EXPECT_TRUE(r.peaks.empty());
}

TEST_F(Pattern, LowercaseFormulasAreRemindedOfCapitals)
{
    EXPECT_EQ(CalculatePattern(table, "c6h12o6", PatternSettings()).reason,
              "unknown element symbol 'cho' at position 1 (element symbols begin with a capital letter, as in C6H12O6)");
    // A formula with a capital has its fault elsewhere: no reminder.
    EXPECT_EQ(CalculatePattern(table, "Cx6", PatternSettings()).reason, "unknown element symbol 'Cx' at position 1");
}

TEST_F(Pattern, FailuresGiveMorvanesStatusAndAReason)
{
    const PatternResult unknown = CalculatePattern(table, "C6H12Xx", PatternSettings());
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.reason, "unknown element symbol 'Xx' at position 6");
    EXPECT_TRUE(unknown.peaks.empty());

    EXPECT_EQ(CalculatePattern(table, "C6H6", With(0, false, 1, 0.1, false, 0)).reason,
              "threshold must be between 0 and 1");
    EXPECT_EQ(CalculatePattern(table, "C6H6", With(0, false, 0.001, -0.1, false, 0)).reason, "peak merge must be >= 0");
    const PatternResult filter = CalculatePattern(table, "C6H6", With(0, false, 0.001, 0.1, true, 100));
    EXPECT_EQ(filter.status, 5);
    EXPECT_EQ(filter.reason, "filter must be between 0 and 100");

    // Sn has ten isotopes: at threshold 0 the enumeration meets its work bound.
    const PatternResult huge = CalculatePattern(table, "Sn2000", With(0, false, 0, 0.1, false, 0));
    EXPECT_EQ(huge.status, RunMorvane({"Sn2000", "-t", "0"}).status);
    EXPECT_NE(huge.reason, "");
}

// Titin's fine structure (about 10^11 variants above 1e-3) is refused at
// once with the estimate; its nominal bins, and a resolution whose peaks are
// wider than a nominal step (38 u at 3.8 MDa for 10^5 at 200 on an
// orbitrap), give its envelope. A resolution fine enough to show the fine
// structure is refused like no resolution.
TEST_F(Pattern, FineStructureBeyondReachPointsToTheEnvelope)
{
    const std::string titin = "C169719H270464N45688O52237S911";
    const PatternResult refused = CalculatePattern(table, titin, PatternSettings());
    EXPECT_EQ(refused.status, 6);
    EXPECT_EQ(refused.reason.find("the fine structure is beyond reach: about 1e+11 variants"), 0u) << refused.reason;

    PatternSettings nominal;
    nominal.nominal = true;
    const PatternResult bins = CalculatePattern(table, titin, nominal);
    ASSERT_EQ(bins.status, 0) << bins.reason;
    EXPECT_GT(bins.peaks.size(), 200u);

    PatternSettings coarse;
    coarse.resolution = Resolution::Power(Analyzer::Orbitrap, 1e5, 200);
    const PatternResult seen = CalculatePattern(table, titin, coarse);
    ASSERT_EQ(seen.status, 0) << seen.reason;
    ASSERT_EQ(seen.peaks.size(), 1u);
    EXPECT_NEAR(seen.peaks[0].mass, seen.average, 1.0);  // the envelope's top lies near the mean

    PatternSettings fine;
    fine.resolution = Resolution::ConstantWidth(0.5);
    EXPECT_EQ(CalculatePattern(table, titin, fine).status, 6);
}

TEST_F(Pattern, ManyFormulasKeepTheirOrderWithAnyThreadCount)
{
    std::vector<std::string> formulas;
    for (int n = 1; n <= 60; ++n) formulas.push_back("C" + std::to_string(n) + "H" + std::to_string(2 * n + 2));
    formulas[17] = "Xx";
    const std::vector<PatternResult> one = CalculatePatterns(table, formulas, PatternSettings(), 1);
    const std::vector<PatternResult> two = CalculatePatterns(table, formulas, PatternSettings(), 2);
    ASSERT_EQ(one.size(), formulas.size());
    ASSERT_EQ(two.size(), formulas.size());
    for (std::size_t i = 0; i < formulas.size(); ++i) {
        const PatternResult alone = CalculatePattern(table, formulas[i], PatternSettings());
        EXPECT_EQ(Printed(one[i]), Printed(alone));
        EXPECT_EQ(Printed(two[i]), Printed(alone));
        EXPECT_EQ(two[i].status, alone.status);
    }
    EXPECT_EQ(two[17].status, 2);
}

// Peaks that sum above the probability of all the variants are refused
// whatever the front-end: per element the sum of its table abundances to
// the power of its count (1 on the shipped table). The bound follows a
// table whose abundances sum below 1 or a little above it (as far as the
// reader allows), and the patterns of such tables are printed in full.
TEST(BelievableTotal, BoundedByTheTablesAbundances)
{
    TempFile file("C 6 12.0 0.9893 13.0033548378 0.0107\nX 0 10 0.5 11 0.3\nY 0 20 0.9005 21 0.1004\n");
    std::deque<AtomIsoAbun> table;
    std::string reason;
    ASSERT_EQ(LoadIsotopeTable(file.path(), table, reason), 0) << reason;
    MolComposition c;
    ASSERT_EQ(ParseFormula("C1400", table, c), 0);
    EXPECT_TRUE(BelievableTotal(c, 1 + 1e-9));
    EXPECT_FALSE(BelievableTotal(c, 1 + 1e-5));
    EXPECT_FALSE(BelievableTotal(c, 99.4));  // a wrong recurrence printed this for Cr1400 at 1e-12
    const double all = 0.8 * 0.8 * 0.8 * std::pow(1.0009, 1000);  // X3Y1000: 0.512 * 2.459
    ASSERT_EQ(ParseFormula("X3Y1000", table, c), 0);
    EXPECT_TRUE(BelievableTotal(c, all));
    EXPECT_FALSE(BelievableTotal(c, all * (1 + 1e-5)));

    PatternSettings everything;
    everything.threshold = 0;
    const PatternResult r = CalculatePattern(table, "X3Y1000", everything);
    ASSERT_EQ(r.status, 0) << r.reason;
    double total = 0;
    for (const isotope& p : r.peaks) total += p.abundance;
    EXPECT_NEAR(total, all, 1e-9 * all);
}

TEST(LoadIsotopeTable, ReasonNamesTheFileOrTheFault)
{
    std::deque<AtomIsoAbun> t;
    std::string reason;
    EXPECT_EQ(LoadIsotopeTable("/nonexistent/table.txt", t, reason), 1);
    EXPECT_EQ(reason, "cannot open /nonexistent/table.txt: No such file or directory");
    EXPECT_EQ(LoadIsotopeTable("/", t, reason), 1);
    EXPECT_EQ(reason, "/ is not a regular file");
    TempFile bad("H 1 1.0078 0.99\nC 6 12 1 13\n");
    EXPECT_EQ(LoadIsotopeTable(bad.path(), t, reason), 1);
    EXPECT_EQ(reason, "line 2, word '13': mass of C without its abundance");
    EXPECT_TRUE(t.empty());
}

}  // namespace
