#include <gtest/gtest.h>

#include <vector>

#include "engine/MolEnsemble.h"
#include "spectrum/GaussianList.h"
#include "spectrum/IntensityList.h"

using namespace morvane;

namespace {

TEST(SpectrumContainers, DefaultsAndQueueOperations)
{
    GaussianList g, counted(2);
    EXPECT_EQ(g.fwhm, 0.1);
    EXPECT_EQ(counted.fwhm, 0.5);
    EXPECT_EQ(counted.size(), 2);
    EXPECT_EQ(g.intensity(5.0), 0.0);

    PeakList p;
    isotope a(1, 0.5), b(2, 0.25), c(3, 0.125);
    p.push_back(b);
    p.push_back(c);
    p.push_front(a);
    EXPECT_EQ(p.size(), 3);
    EXPECT_EQ(p[0].mass, 1);
    EXPECT_EQ(p.intensity(1), 0.0);
    p.pop_front();
    EXPECT_EQ(p[0].mass, 2);
    p.resize(1);
    EXPECT_EQ(p[0].abundance, 0.25);
    p.pop_back();
    EXPECT_EQ(p.size(), 0);

    IntensityList i(3);
    EXPECT_EQ(i[0] + i[1] + i[2], 0.0);
    i.push_back(b);
    EXPECT_EQ(i.size(), 4);
    EXPECT_EQ(i[3], 0.25);
    i.push_front(c);
    EXPECT_EQ(i[0], 0.125);
    i.resize(2);
    i.resize(2);
    EXPECT_EQ(i.size(), 2);
    EXPECT_EQ(i.intensity(3), 0.0);
}

TEST(SpectrumContainers, GaussianProfile)
{
    GaussianList g;
    g.fwhm = 0.5;
    isotope peak(100.0, 1.0), other(101.0, 0.5);
    g.push_back(peak);
    EXPECT_DOUBLE_EQ(g.intensity(100.0), 0.9394372785 / 0.5);
    EXPECT_NEAR(g.intensity(100.25), 0.5 * 0.9394372785 / 0.5, 1e-9);  // half maximum at w/2
    GaussianList first, second;
    first.fwhm = second.fwhm = 0.5;
    first.push_back(peak);
    second.push_back(other);
    g.push_back(other);
    EXPECT_DOUBLE_EQ(g.intensity(100.7), first.intensity(100.7) + second.intensity(100.7));
}

// A one-element ensemble whose variants are given directly.
class Assembly : public ::testing::Test {
protected:
    void Variants(std::vector<std::pair<double, double>> massProb, int charge = 0)
    {
        for (auto& mp : massProb) {
            MolDistribution v;
            v.mass = mp.first;
            v.abundance = mp.second;
            v.charge = charge;
            m.moldist.push_back(v);
        }
    }
    std::vector<std::pair<double, double>> Peaks(double res)
    {
        PeakList p;
        m.MakeSpectrum(&p, res);
        std::vector<std::pair<double, double>> out;
        for (int i = 0; i < p.size(); ++i) out.emplace_back(p[i].mass, p[i].abundance);
        return out;
    }
    MolEnsemble m;
};

using PeakVector = std::vector<std::pair<double, double>>;

TEST_F(Assembly, ChainedMergingAtTheMergeDistance)
{
    Variants({{100.16, 0.25}, {100.0, 0.5}, {100.08, 0.25}});  // gaps 0.08 each, res 0.1
    EXPECT_EQ(Peaks(0.1), (PeakVector{{(0.5 * 100.0 + 0.25 * 100.08 + 0.25 * 100.16) / 1.0, 1.0}}));
    EXPECT_EQ(m.moldist.front().mass, 100.0);  // left sorted
}

TEST_F(Assembly, DistanceEqualToResMergesAndZeroMergesOnlyEqualPositions)
{
    Variants({{1.0, 0.5}, {1.5, 0.25}, {1.5, 0.25}, {2.0000001, 0.125}});
    EXPECT_EQ(Peaks(0.5), (PeakVector{{(0.5 * 1.0 + 0.25 * 1.5 + 0.25 * 1.5) / 1.0, 1.0}, {2.0000001, 0.125}}));
    EXPECT_EQ(Peaks(0), (PeakVector{{1.0, 0.5}, {(0.25 * 1.5 + 0.25 * 1.5) / 0.5, 0.5}, {2.0000001, 0.125}}));
}

TEST_F(Assembly, MassToChargeDividesBySignedCharge)
{
    Variants({{200.0, 0.75}, {200.15, 0.25}}, 2);
    m.masstocharge = 1;
    EXPECT_EQ(Peaks(0.1), (PeakVector{{(0.75 * 200.0 / 2 + 0.25 * 200.15 / 2) / 1.0, 1.0}}));
    m.moldist.clear();
    Variants({{100.0, 0.75}, {101.0, 0.25}}, -1);
    EXPECT_EQ(Peaks(0.1), (PeakVector{{-100.0, 0.75}, {-101.0, 0.25}}));
    m.moldist.clear();
    Variants({{100.0, 0.75}}, 0);
    EXPECT_TRUE(Peaks(0.1).empty());
    m.masstocharge = 0;
    EXPECT_EQ(Peaks(0.1), (PeakVector{{100.0, 0.75}}));
}

TEST_F(Assembly, GroupsOfZeroProbabilityAreNeverAppended)
{
    Variants({{1.0, 0.0}, {5.0, 0.5}, {9.0, 0.0}});
    EXPECT_EQ(Peaks(0.1), (PeakVector{{5.0, 0.5}}));
}

TEST_F(Assembly, AppendsAfterExistingPeaks)
{
    Variants({{7.0, 1.0}});
    PeakList p;
    isotope old(1.0, 0.5);
    p.push_back(old);
    m.MakeSpectrum(&p, 0.1);
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(p[0].mass, 1.0);
    EXPECT_EQ(p[1].mass, 7.0);
    IntensityList heights;
    m.MakeSpectrum(&heights, 0.1);
    EXPECT_EQ(heights[0], 1.0);
}

}  // namespace
