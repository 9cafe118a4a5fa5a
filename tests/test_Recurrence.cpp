// The element recurrence where its factors leave the double range: long
// runs of unstored combinations (small thresholds, heavy elements of three
// or more isotopes) and starts near the bottom of the range. References are
// multinomials through lgamma in long double (tests/support/Reference.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/AtomDistribution.h"
#include "engine/AtomEnsemble.h"
#include "engine/MolEnsemble.h"
#include "engine/ScaledDouble.h"
#include "support/Reference.h"

using namespace morvane;

namespace {

// log2 of a scaled number, for comparing values far outside the double range.
long double Log2(const ScaledDouble& s) { return s.exponent + std::log2(static_cast<long double>(s.significand)); }

const long double LN2 = 0.693147180559945309417L;

// a!/b! and a^d within the range: the carried forms give the plain ones' bits.
TEST(CarriedExponent, SameBitsAsPlainDoublesWithinTheRange)
{
    const int pairs[][2] = {{5, 2}, {2, 5}, {170, 0}, {0, 170}, {13150, 13100}, {4000, 4100}, {7, 7}};
    for (const auto& p : pairs) EXPECT_EQ(ScaledFdiff(p[0], p[1]).Value(), fdiff(p[0], p[1])) << p[0] << " " << p[1];
    const double powers[][2] = {{0.9493, 13150}, {0.0002, 80}, {0.0002, -80}, {0.04345, -200}, {0.5, 1022}};
    for (const auto& p : powers) EXPECT_EQ(ScaledPow(p[0], p[1]).Value(), std::pow(p[0], p[1])) << p[0] << "^" << p[1];

    // The binomial probability of 3 of 40 chlorine-37 atoms (0.2422), as
    // the recurrence forms it from (40, 0): same products, same bits.
    const double plain = ((std::pow(0.7578, 40) * fdiff(40, 37)) * std::pow(0.7578, -3.0)) * fdiff(0, 3) *
                         std::pow(0.2422, 3.0);
    ScaledDouble carried = ScaledDouble::Of(std::pow(0.7578, 40));
    carried *= ScaledFdiff(40, 37);
    carried *= ScaledPow(0.7578, -3.0);
    carried *= ScaledFdiff(0, 3);
    carried *= ScaledPow(0.2422, 3.0);
    EXPECT_EQ(carried.Value(), plain);
}

// Beyond the range the carried forms keep double accuracy: 2000!/1000! is
// about 10^3300, 0.0002^5000 about 10^-18495.
TEST(CarriedExponent, AccurateFarOutsideTheRange)
{
    const long double up = (std::lgamma(2001.0L) - std::lgamma(1001.0L)) / LN2;
    EXPECT_NEAR(Log2(ScaledFdiff(2000, 1000)), up, 1e-12);
    EXPECT_NEAR(Log2(ScaledFdiff(1000, 2000)), -up, 1e-12);
    EXPECT_NEAR(Log2(ScaledPow(0.0002, 5000)), 5000 * std::log2(0.0002L), 1e-12);
    EXPECT_NEAR(Log2(ScaledPow(0.0002, -5000)), -5000 * std::log2(0.0002L), 1e-12);

    // The binomial probability of 1000 heads in 2000 tosses, 0.0178, from
    // factors of 10^3300, 10^-2568 and 10^-602.
    ScaledDouble p = ScaledFdiff(2000, 1000);
    p *= ScaledFdiff(0, 1000);
    p *= ScaledPow(0.5, 2000);
    const long double expected = std::exp(std::lgamma(2001.0L) - 2 * std::lgamma(1001.0L) - 2000 * LN2);
    EXPECT_NEAR(p.Value(), static_cast<double>(expected), 1e-13 * static_cast<double>(expected));

    EXPECT_EQ(ScaledPow(0.0, 3).Value(), 0.0);
    EXPECT_EQ(ScaledPow(0.0002, 1e6).Value(), 0.0);  // an underflowed probability
}

// Far outside the range a^d is the exactly rounded power, with no extended
// type, so every platform prints the same digits. References: the powers
// to 80 decimal digits (Python's decimal module), rounded to 53 bits.
TEST(CarriedExponent, PowersOutsideTheRangeAreExactlyRounded)
{
    struct Case {
        double a, d, significand;
        long long exponent;
    };
    const Case cases[] = {{0.9493, 13150, 0x1.e073797923488p-1, -987},  {0.0002, 5000, 0x1.5ad58c892a816p-1, -61438},
                          {0.0002, -5000, 0x1.79e8e23c9c76bp-1, 61439}, {0.9893, 100000, 0x1.ff5d6e88586d9p-1, -1552},
                          {0.801, 5000, 0x1.4b0303c20c706p-1, -1600},   {0.75, -3000, 0x1.14c2dd5138d74p-1, 1246},
                          {0.5, 2000, 0.5, -1999}};
    for (const Case& c : cases) {
        const ScaledDouble s = ScaledPow(c.a, c.d);
        EXPECT_EQ(s.significand, c.significand) << c.a << "^" << c.d;
        EXPECT_EQ(s.exponent, c.exponent) << c.a << "^" << c.d;
    }
}

AtomIsoAbun Element(const char* symbol, std::vector<isotope> entries)
{
    AtomIsoAbun r(0, static_cast<int>(entries.size()));
    r.SetSymbol(symbol);
    for (std::size_t i = 0; i < entries.size(); ++i) r.iso[i] = entries[i];
    return r;
}

// Shipped (NIST) compositions, most abundant first.
const AtomIsoAbun SULFUR =
    Element("S", {{31.97207069, 0.9493}, {33.96786683, 0.0429}, {32.9714585, 0.0076}, {35.96708088, 0.0002}});
const AtomIsoAbun CHROMIUM =
    Element("Cr", {{51.9405119, 0.83789}, {52.9406538, 0.09501}, {49.9460496, 0.04345}, {53.9388849, 0.02365}});
const AtomIsoAbun STRONTIUM =
    Element("Sr", {{87.9056143, 0.8258}, {85.9092624, 0.0986}, {86.9088793, 0.07}, {83.913425, 0.0056}});

struct Worst {
    double relativeError = 0;
    double total = 0;
};

// Every stored probability against its multinomial; the largest relative
// error among those above the smallest normal double, and the stored total.
Worst CompareWithMultinomials(const AtomIsoAbun& a, int n, double thr)
{
    AtomEnsemble e;
    e.atom = a;
    long long budget = MAX_ELEMENT_STEPS;
    Worst w;
    EXPECT_TRUE(e.EnumerateCombinations(n, thr, budget)) << a.symbol << n;
    std::vector<double> abundances;
    for (int j = 0; j < a.niso; ++j) abundances.push_back(a.iso[j].abundance);
    for (const AtomDistribution& d : e.dist) {
        const long double expected = MultinomialProbability(d.nat, abundances);
        w.total += d.abundance;
        if (expected < 2.2250738585072014e-308L) continue;
        w.relativeError = std::max(w.relativeError, static_cast<double>(std::fabs(d.abundance - expected) / expected));
    }
    return w;
}

// Sulfur from 12,089 atoms starts below 1e-293, so that the recurrence's
// partial products passed through the subnormals: S12203 kept 0.917 of the
// probability, S13150 0.329; strontium's start lies near the bottom of the
// range too (Sr3553 kept 1.5e-41). Chromium at small thresholds reaches
// across long runs of unstored combinations (Cr1400 at 1e-12 summed to
// 99.4; at 1e-9 some probabilities were off by 1e-9). Now every stored
// probability is its multinomial to 5e-11 and the totals are those of the
// distribution's top. The recurrence's own rounding along a chain of 10^5
// stored combinations reaches 1e-11 also where nothing leaves the range
// (S10000, as before).
TEST(FarReachingRecurrence, EveryStoredProbabilityIsItsMultinomial)
{
    struct Case {
        const AtomIsoAbun& element;
        int atoms;
        double thr;
        double atLeast;  // the total of the combinations above thr times the most probable, less 1e-6
    };
    const Case cases[] = {{SULFUR, 12203, 1e-3, 0.997}, {SULFUR, 13150, 1e-3, 0.997},
                          {STRONTIUM, 3553, 1e-3, 0.997}, {CHROMIUM, 1400, 1e-9, 0.99999999}};
    for (const Case& c : cases) {
        const Worst w = CompareWithMultinomials(c.element, c.atoms, c.thr);
        EXPECT_LT(w.relativeError, 5e-11) << c.element.symbol << c.atoms;
        EXPECT_GE(w.total, c.atLeast) << c.element.symbol << c.atoms;
        EXPECT_LE(w.total, 1 + 1e-9) << c.element.symbol << c.atoms;
    }
}

// With no threshold every combination is visited: C(n+k-1, k-1) of them,
// k units of work each after the first. Sulfur of 5000 atoms has 2.1e10
// (it used to spend 20 s before failing); ten atoms of carbon have 11,
// and fail at once only on less than 20 units.
TEST(FarReachingRecurrence, HopelessEnumerationsEndBeforeTheyStart)
{
    AtomEnsemble s;
    s.atom = SULFUR;
    long long budget = MAX_ELEMENT_STEPS;
    EXPECT_FALSE(s.EnumerateCombinations(5000, 0, budget));
    EXPECT_EQ(budget, MAX_ELEMENT_STEPS);  // nothing spent

    const AtomIsoAbun carbon = Element("C", {{12.0, 0.9893}, {13.0033548378, 0.0107}});
    AtomEnsemble c;
    c.atom = carbon;
    long long tooLittle = 19;  // 10 visits of 2 units are 20
    EXPECT_FALSE(c.EnumerateCombinations(10, 0, tooLittle));
    EXPECT_EQ(tooLittle, 19);
    long long enough = MAX_ELEMENT_STEPS;
    EXPECT_TRUE(c.EnumerateCombinations(10, 0, enough));
    EXPECT_EQ(c.dist.size(), 11u);
}

}  // namespace
