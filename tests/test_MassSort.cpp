#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "spectrum/MassSort.h"

using namespace morvane;

namespace {

// The radix sort must give exactly what std::stable_sort gives: equal
// masses in their previous order, whatever the values.
std::vector<MolDistribution> Variants(std::size_t n, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> mass(66389.0, 66456.0);
    std::vector<MolDistribution> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        double m = mass(rng);
        switch (rng() % 8) {
        case 0: m = 66400.0; break;           // many equal masses
        case 1: m = -m / 1000; break;         // negative mass-to-charge scale
        case 2: m = (rng() % 2) ? 0.0 : -0.0; break;
        default: break;
        }
        v[i] = MolDistribution{m, 1.0, 1, static_cast<std::uint32_t>(i)};
    }
    v[n / 2].mass = std::numeric_limits<double>::infinity();
    v[n / 3].mass = std::numeric_limits<double>::denorm_min();
    return v;
}

TEST(MassSort, SameOrderAsStableSort)
{
    for (std::size_t n : {std::size_t(3), std::size_t(4095), std::size_t(4096), std::size_t(70000), std::size_t(300000)}) {
        std::vector<MolDistribution> radix = Variants(n, static_cast<unsigned>(n)), reference = radix;
        StableSortByMass(radix);
        std::stable_sort(reference.begin(), reference.end());
        ASSERT_EQ(radix.size(), reference.size());
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(radix[i].atomdist, reference[i].atomdist) << n << " " << i;
    }
}

}  // namespace
