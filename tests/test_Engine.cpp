#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <vector>

#include "engine/AtomEnsemble.h"
#include "engine/MolEnsemble.h"
#include "support/Reference.h"

using namespace morvane;

namespace {

AtomIsoAbun Element(const char* symbol, std::vector<isotope> entries)
{
    AtomIsoAbun r(0, static_cast<int>(entries.size()));
    r.SetSymbol(symbol);
    for (std::size_t i = 0; i < entries.size(); ++i) r.iso[i] = entries[i];
    return r;
}

// Published isotopes (NIST), most abundant first as the table reader leaves them.
const AtomIsoAbun CARBON = Element("C", {{12.0, 0.9893}, {13.0033548378, 0.0107}});
const AtomIsoAbun HYDROGEN = Element("H", {{1.0078250321, 0.999885}, {2.014101778, 0.000115}});
const AtomIsoAbun OXYGEN = Element("O", {{15.9949146221, 0.99757}, {17.9991604, 0.00205}, {16.9991315, 0.00038}});
const AtomIsoAbun SULFUR =
    Element("S", {{31.97207069, 0.9493}, {33.96786683, 0.0429}, {32.9714585, 0.0076}, {35.96708088, 0.0002}});

std::vector<std::vector<int>> Counts(const AtomEnsemble& e)
{
    std::vector<std::vector<int>> out;
    for (const AtomDistribution& d : e.dist) out.push_back(d.nat);
    return out;
}

AtomEnsemble Enumerate(const AtomIsoAbun& a, int n, double thr, bool expectSuccess = true)
{
    AtomEnsemble e;
    e.atom = a;
    long long budget = MAX_ELEMENT_STEPS;
    EXPECT_EQ(e.EnumerateCombinations(n, thr, budget), expectSuccess);
    return e;
}

MolComposition Molecule(std::vector<std::pair<AtomIsoAbun, int>> parts, int charge = 0)
{
    MolComposition c(static_cast<int>(parts.size()));
    c.charge = charge;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        c.atom[i] = parts[i].first;
        c.nat[i] = parts[i].second;
    }
    return c;
}

TEST(Fdiff, FactorialRatios)
{
    EXPECT_EQ(fdiff(5, 5), 1.0);
    EXPECT_EQ(fdiff(5, 2), 60.0);
    EXPECT_EQ(fdiff(2, 5), 1.0 / 60.0);
    EXPECT_EQ(fdiff(0, 0), 1.0);
    EXPECT_EQ(fdiff(2147483647, 2147483646), 2147483647.0);
}

TEST(ElementEnumeration, VisitingOrderWithoutThreshold)
{
    const AtomIsoAbun three = Element("X", {{1, 0.5}, {2, 0.3}, {3, 0.2}});
    EXPECT_EQ(Counts(Enumerate(three, 2, 0)),
              (std::vector<std::vector<int>>{{2, 0, 0}, {1, 1, 0}, {1, 0, 1}, {0, 2, 0}, {0, 1, 1}, {0, 0, 2}}));
    const AtomEnsemble c10 = Enumerate(CARBON, 10, 0);
    ASSERT_EQ(c10.dist.size(), 11u);
    int expected = 10;
    for (const AtomDistribution& d : c10.dist) EXPECT_EQ(d.nat[0], expected--);
}

TEST(ElementEnumeration, SingleEntryAndNoAtoms)
{
    const AtomEnsemble one = Enumerate(Element("F", {{18.9984032, 1.0}}), 7, 0.001);
    ASSERT_EQ(one.dist.size(), 1u);
    EXPECT_EQ(one.dist.front().abundance, 1.0);
    EXPECT_EQ(one.dist.front().mass, 7 * 18.9984032);

    const AtomEnsemble none = Enumerate(OXYGEN, 0, 0.001);
    ASSERT_EQ(none.dist.size(), 1u);
    EXPECT_EQ(none.dist.front().abundance, 1.0);
    EXPECT_EQ(none.dist.front().mass, 0.0);
    EXPECT_EQ(none.dist.front().nat, (std::vector<int>{0, 0, 0}));

    const AtomEnsemble empty = Enumerate(Element("Q", {}), 0, 0.001);
    ASSERT_EQ(empty.dist.size(), 1u);
    EXPECT_EQ(empty.dist.front().abundance, 1.0);
}

TEST(ElementEnumeration, StoreTestAndBranchCut)
{
    // 0.99 / 0.01, 100 atoms: (100,0) .. (94,6) stored; (93,7) visited and cut.
    const AtomEnsemble e = Enumerate(Element("X", {{1, 0.99}, {2, 0.01}}), 100, 0.001);
    ASSERT_EQ(e.dist.size(), 7u);
    EXPECT_EQ(e.dist.back().nat, (std::vector<int>{94, 6}));

    // The first combination is stored even when later ones are far better.
    const AtomEnsemble rising = Enumerate(Element("X", {{1, 0.6}, {2, 0.4}}), 50, 0.5);
    EXPECT_EQ(rising.dist.front().nat, (std::vector<int>{50, 0}));
    EXPECT_LT(rising.dist.front().abundance, 1e-10);
}

TEST(ElementEnumeration, EqualToTheCutIsNotStored)
{
    // Two atoms over 0.5 / 0.5: (2,0) 0.25, (1,1) 0.5, (0,2) 0.25; with
    // thr 0.5 the last equals best * thr exactly.
    const AtomEnsemble e = Enumerate(Element("X", {{1, 0.5}, {2, 0.5}}), 2, 0.5);
    EXPECT_EQ(Counts(e), (std::vector<std::vector<int>>{{2, 0}, {1, 1}}));
}

// 0.9893^70000 is about 10^-330: the start is stored as 0.0, carried with
// its exponent, and the combinations from the first subnormal one on are
// stored up to the peak (c13 = 749) and down the other side to the cut.
TEST(ElementEnumeration, StartFarBelowTheRangeIsCarried)
{
    const AtomEnsemble e = Enumerate(CARBON, 70000, 0.001);
    ASSERT_GT(e.dist.size(), 2u);
    EXPECT_EQ(e.dist.front().nat, (std::vector<int>{70000, 0}));
    EXPECT_EQ(e.dist.front().abundance, 0.0);
    double total = 0, best = 0;
    int top = 0;
    for (const AtomDistribution& d : e.dist) {
        total += d.abundance;
        if (d.abundance > best) {
            best = d.abundance;
            top = d.nat[1];
        }
    }
    EXPECT_EQ(top, 749);  // floor((n + 1) * 0.0107)
    EXPECT_GT(total, 0.999);
    EXPECT_LT(total, 1 + 1e-9);

    Enumerate(Element("X", {{1, 0.0}, {2, 0.0}}), 3, 0.001, false);
    Enumerate(Element("Q", {}), 1, 0.001, false);
}

// Three isotopes (magnesium, 0.7899^10000 about 10^-1024): each branch
// rises from the underflow through the subnormals, where neighbours round to
// equal values; such a plateau must not end the enumeration (it did, keeping
// 2.5e-306 of the probability). A few seconds.
TEST(ElementEnumerationSlow, BranchesRiseThroughTheSubnormals)
{
    const AtomIsoAbun magnesium =
        Element("Mg", {{23.9850417, 0.7899}, {25.9825930, 0.1101}, {24.9858369, 0.1000}});
    double total = 0;
    for (const AtomDistribution& d : Enumerate(magnesium, 10000, 0.001).dist) total += d.abundance;
    EXPECT_GT(total, 0.999);
    EXPECT_LT(total, 1 + 1e-9);
}

// Independent check: with threshold 0 every combination is the multinomial.
TEST(ElementEnumeration, ProbabilitiesAreMultinomials)
{
    for (int n : {1, 5, 12, 40}) {
        const AtomEnsemble e = Enumerate(SULFUR, n, 0);
        std::vector<double> abund;
        for (int j = 0; j < SULFUR.niso; ++j) abund.push_back(SULFUR.iso[j].abundance);
        double total = 0;
        for (const AtomDistribution& d : e.dist) {
            const double expected = static_cast<double>(MultinomialProbability(d.nat, abund));
            EXPECT_NEAR(d.abundance, expected, 1e-10 * expected) << n;  // recurrence rounding
            total += d.abundance;
        }
        EXPECT_NEAR(total, std::pow(0.9493 + 0.0429 + 0.0076 + 0.0002, n), 1e-13) << n;
    }
}

TEST(MolEnsemble, OneElementGivesItsCombinationsShiftedByTheElectrons)
{
    MolComposition c = Molecule({{CARBON, 6}}, -2);
    MolEnsemble m;
    ASSERT_EQ(m.GenerateEnsemble(c, 0.001), 0);
    ASSERT_EQ(m.moldist.size(), m.atomens[0].dist.size());
    auto d = m.atomens[0].dist.begin();
    for (const MolDistribution& v : m.moldist) {
        EXPECT_EQ(v.abundance, d->abundance);
        EXPECT_EQ(v.mass, -2 * -0.00054857990943 + d->mass);
        EXPECT_EQ(v.charge, -2);
        ++d;
    }
}

// Independent check: glucose with threshold 0 against all variants made
// from multinomials; the mean mass equals the sum of n times average mass.
TEST(MolEnsemble, GlucoseWithoutThresholdIsTheFullMultinomialProduct)
{
    MolComposition c = Molecule({{CARBON, 6}, {HYDROGEN, 12}, {OXYGEN, 6}});
    MolEnsemble m;
    ASSERT_EQ(m.GenerateEnsemble(c, 0), 0);
    const std::vector<RefPeak> all = AllVariants({{{{12.0, 0.9893}, {13.0033548378, 0.0107}}, 6},
                                                  {{{1.0078250321, 0.999885}, {2.014101778, 0.000115}}, 12},
                                                  {{{15.9949146221, 0.99757}, {17.9991604, 0.00205}, {16.9991315, 0.00038}}, 6}});
    ASSERT_EQ(m.moldist.size(), all.size());  // 7 * 13 * 28
    double total = 0, mean = 0;
    auto ref = all.begin();
    for (const MolDistribution& v : m.moldist) {
        EXPECT_NEAR(v.abundance, ref->abundance, 1e-12 * ref->abundance + 1e-300);
        EXPECT_NEAR(v.mass, ref->mass, 1e-9);
        total += v.abundance;
        mean += v.abundance * v.mass;
        ++ref;
    }
    const double avgC = 12.0 * 0.9893 + 13.0033548378 * 0.0107;
    const double avgH = 1.0078250321 * 0.999885 + 2.014101778 * 0.000115;
    const double avgO = 15.9949146221 * 0.99757 + 17.9991604 * 0.00205 + 16.9991315 * 0.00038;
    EXPECT_NEAR(total, 1.0, 1e-13);
    EXPECT_NEAR(mean, 6 * avgC + 12 * avgH + 6 * avgO, 1e-9);
}

TEST(MolEnsemble, RegenerationReplacesAndFailureEmpties)
{
    MolComposition c = Molecule({{CARBON, 6}, {HYDROGEN, 6}});
    MolEnsemble m(c, 0.001);
    const std::size_t n = m.moldist.size();
    ASSERT_EQ(m.GenerateEnsemble(c, 0.001), 0);
    EXPECT_EQ(m.moldist.size(), n);

    MolComposition none = Molecule({{Element("X", {{1, 0.0}, {2, 0.0}}), 3}});
    EXPECT_EQ(m.GenerateEnsemble(none, 0.001), 6);
    EXPECT_EQ(m.atomens, nullptr);
    EXPECT_TRUE(m.moldist.empty());
    m.CalculateMasses();
    EXPECT_TRUE(m.moldist.empty());

    // Two elements whose starting products underflow together: no variant above 0.
    MolComposition tiny = Molecule({{Element("X", {{1, 1e-200}}), 1}, {Element("Y", {{1, 1e-200}}), 1}});
    EXPECT_EQ(m.GenerateEnsemble(tiny, 0.001), 6);
}

TEST(MolEnsemble, CopiesReferToTheirOwnCombinations)
{
    MolComposition c = Molecule({{CARBON, 3}, {OXYGEN, 2}}, 1);
    MolEnsemble* source = new MolEnsemble(c, 0);
    MolEnsemble copy(*source);
    MolEnsemble assigned;
    assigned = *source;
    std::ostringstream before;
    before << *source;
    delete source;
    for (MolEnsemble* m : {&copy, &assigned}) {
        std::ostringstream after;
        after << *m;
        EXPECT_EQ(after.str(), before.str());
        for (const MolDistribution& v : m->moldist)
            for (int i = 0; i < 2; ++i) {
                bool own = false;
                for (const AtomDistribution& d : m->atomens[i].dist) own = own || &d == &m->Combination(v, i);
                EXPECT_TRUE(own);
            }
        const double mass = m->moldist.front().mass;
        m->CalculateMasses();
        EXPECT_EQ(m->moldist.front().mass, mass);
    }
}

TEST(MolEnsemble, StreamForm)
{
    MolComposition c = Molecule({{Element("X", {{1.5, 0.5}, {2.5, 0.5}}), 1}}, 1);
    MolEnsemble m(c, 0);
    std::ostringstream out;
    out << m;
    EXPECT_EQ(out.str(), "0 X\n2\n1.5 0.5\n2.5 0.5\n 1 0 1 1.4994514 0.5\n 0 1 1 2.4994514 0.5\n");
}

}  // namespace
