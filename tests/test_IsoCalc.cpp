#include <gtest/gtest.h>

#include <cmath>

#include "calc/IsoCalc.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// X: one atom, two entries of abundances 0.5 and 0.25, one u apart.
const char* const SMALL_TABLE = "X 1 1.0 0.5 2.0 0.25\nH 1 1.0078250321 0.999885 2.014101778 0.000115\n";

class Calculator : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(calc.ReadAtomTable(table.path().c_str()), 0); }
    int Set(const char* formula)
    {
        std::string text(formula);
        return calc.SetComposition(&text[0]);
    }
    int Peaks()
    {
        int n = -1;
        calc.GetNPeaks(n);
        return n;
    }
    TempFile table{SMALL_TABLE};
    IsoCalc calc;
};

TEST(IsoCalc, NewCalculatorRefusesAndReportsDefaults)
{
    IsoCalc calc;
    double m = -1, a = -1, t = 0, d = 0, w = 0;
    int n = -1, z = -1;
    bool autocalc = true;
    EXPECT_EQ(calc.Calculate(), 3);
    EXPECT_EQ(calc.GetNPeaks(n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(calc.Mass(0, m), 5);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(calc.Peak(0, m, a), 5);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(calc.Normalize(), 5);
    m = -1;
    EXPECT_EQ(calc.Intensity(1.0, m), 5);
    EXPECT_EQ(m, 0);
    calc.GetThr(t);
    calc.GetDegen(d);
    calc.GetFwhm(w);
    calc.GetCharge(z);
    calc.GetAutoCalc(autocalc);
    EXPECT_EQ(t, 0.001);
    EXPECT_EQ(d, 0.1);
    EXPECT_EQ(w, 0.1);
    EXPECT_EQ(z, 0);
    EXPECT_FALSE(autocalc);
    char water[] = "H2O";
    EXPECT_EQ(calc.SetComposition(water), 3);
}

TEST_F(Calculator, NeedsACompositionAndKeepsNoneAfterAFailedParse)
{
    EXPECT_EQ(calc.Calculate(), 4);
    EXPECT_EQ(Set("X"), 0);
    EXPECT_EQ(Set("Xy"), 2);
    EXPECT_EQ(calc.Calculate(), 4);
}

TEST_F(Calculator, PeakQueriesCheckTheIndex)
{
    ASSERT_EQ(Set("X"), 0);
    ASSERT_EQ(calc.Calculate(), 0);
    ASSERT_EQ(Peaks(), 2);
    double m = -1, a = -1;
    EXPECT_EQ(calc.Mass(2, m), 6);
    EXPECT_EQ(m, 0);
    EXPECT_EQ(calc.Abundance(-1, a), 6);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(calc.Peak(0, m, a), 0);
    EXPECT_EQ(m, 1.0);
    EXPECT_EQ(a, 0.5);
    ASSERT_EQ(calc.Calculate(), 0);  // a second calculation replaces the first
    EXPECT_EQ(Peaks(), 2);
}

TEST_F(Calculator, NormalizeScalesToTheLargestPeak)
{
    ASSERT_EQ(Set("X"), 0);
    ASSERT_EQ(calc.Calculate(), 0);
    double a0, a1;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(calc.Normalize(), 0);
        calc.Abundance(0, a0);
        calc.Abundance(1, a1);
        EXPECT_EQ(a0, 100.0);
        EXPECT_EQ(a1, 50.0);
    }
}

TEST_F(Calculator, SettingsRefuseOutOfRangeValues)
{
    double t, d, w;
    EXPECT_EQ(calc.SetThr(-0.1), 7);
    EXPECT_EQ(calc.SetThr(1), 7);
    EXPECT_EQ(calc.SetThr(std::nan("")), 7);
    calc.GetThr(t);
    EXPECT_EQ(t, 0.001);
    EXPECT_EQ(calc.SetThr(0), 0);
    EXPECT_EQ(calc.SetThr(0.5), 0);
    EXPECT_EQ(calc.SetDegen(-1), 7);
    EXPECT_EQ(calc.SetDegen(std::nan("")), 7);
    EXPECT_EQ(calc.SetDegen(0), 0);
    calc.GetDegen(d);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(calc.SetFwhm(0), 7);
    EXPECT_EQ(calc.SetFwhm(-1), 7);
    EXPECT_EQ(calc.SetFwhm(std::nan("")), 7);
    EXPECT_EQ(calc.SetFwhm(0.5), 0);
    calc.GetFwhm(w);
    EXPECT_EQ(w, 0.5);
    EXPECT_EQ(Peaks(), 0);  // nothing was calculated
}

TEST_F(Calculator, IntensityIsTheGaussianSumAtTheWidth)
{
    ASSERT_EQ(Set("X"), 0);
    ASSERT_EQ(calc.Calculate(), 0);
    calc.SetFwhm(0.2);
    double y;
    ASSERT_EQ(calc.Intensity(1.0, y), 0);
    EXPECT_NEAR(y, 0.5 * 0.9394372785 / 0.2, 1e-12);  // the other peak is 5 widths off
    calc.Intensity(1.1, y);
    EXPECT_NEAR(y, 0.5 * 0.5 * 0.9394372785 / 0.2, 1e-9);
}

TEST_F(Calculator, AutoCalculation)
{
    bool on;
    calc.SetAutoCalc(true);
    calc.SetAutoCalc(true);  // sets, does not toggle
    calc.GetAutoCalc(on);
    EXPECT_TRUE(on);
    calc.SetAutoCalc(false);
    ASSERT_EQ(Set("X"), 0);
    EXPECT_EQ(Peaks(), 0);  // off: the parse does not calculate
    calc.SetAutoCalc(true);  // ready and not calculated: calculates
    EXPECT_EQ(Peaks(), 2);

    double m0, m1;
    calc.Mass(0, m0);
    calc.SetCharge(2);  // recalculates although calculated
    calc.Mass(0, m1);
    EXPECT_EQ(m1, 1.0 + 2 * -0.00054857990943);

    calc.SetMassToCharge(true);  // calculated: no recalculation
    calc.Mass(0, m0);
    EXPECT_EQ(m0, m1);
    calc.SetThr(0.6);  // recalculates in mass-to-charge mode, only the 0.5 peak
    EXPECT_EQ(Peaks(), 1);
    calc.Mass(0, m0);
    EXPECT_EQ(m0, m1 / 2);

    ASSERT_EQ(Set("H"), 0);  // the parse recalculates
    EXPECT_EQ(Peaks(), 1);
}

// X2 over masses 1 and 1.7e308: the variant of two heavy atoms (probability
// 1e-4) has an infinite mass. At the default threshold it is dropped; at 0
// it is kept, and the calculation must fail rather than print inf.
const char* const HUGE_MASS_TABLE = "X 1 1 0.99 1.7e308 0.01\n";

class HugeMasses : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(calc.ReadAtomTable(table.path().c_str()), 0);
        ASSERT_EQ(calc.SetComposition(&formula[0]), 0);
    }
    TempFile table{HUGE_MASS_TABLE};
    IsoCalc calc;
    std::string formula = "X2";
};

TEST_F(HugeMasses, NonFinitePeaksFailTheCalculationAndLeaveNoPeaks)
{
    int n = -1;
    ASSERT_EQ(calc.Calculate(), 0);
    calc.GetNPeaks(n);
    EXPECT_EQ(n, 2);
    calc.SetThr(0);
    EXPECT_EQ(calc.Calculate(), 6);
    calc.GetNPeaks(n);
    EXPECT_EQ(n, 0);
    double m = -1;
    EXPECT_EQ(calc.Mass(0, m), 5);
}

TEST_F(HugeMasses, SettersThatRecalculateReturnTheRecalculationsStatus)
{
    EXPECT_EQ(calc.SetAutoCalc(true), 0);
    EXPECT_EQ(calc.SetThr(0), 6);
    double t = -1;
    calc.GetThr(t);
    EXPECT_EQ(t, 0);  // stored, although the recalculation failed
    EXPECT_EQ(calc.SetCharge(1), 6);
    EXPECT_EQ(calc.SetDegen(0.5), 6);
    EXPECT_EQ(calc.SetMassToCharge(true), 6);  // nothing calculated: recalculates
    EXPECT_EQ(calc.SetComposition(&formula[0]), 6);
    EXPECT_EQ(calc.SetThr(0.001), 0);
    int n = 0;
    calc.GetNPeaks(n);
    EXPECT_EQ(n, 2);
}

TEST(IsoCalc, NullArgumentsAreRefused)
{
    IsoCalc calc;
    EXPECT_EQ(calc.SetComposition(nullptr), 3);  // no table yet
    EXPECT_EQ(calc.ReadAtomTable(nullptr), 1);
    TempFile table(SMALL_TABLE);
    ASSERT_EQ(calc.ReadAtomTable(table.path().c_str()), 0);
    std::string formula = "X";
    ASSERT_EQ(calc.SetComposition(&formula[0]), 0);
    EXPECT_EQ(calc.SetComposition(nullptr), 2);
    EXPECT_EQ(calc.Calculate(), 4);  // the earlier composition is gone
}

}  // namespace
