// A randomised check of the whole calculation against brute force, in the
// manner of IsoSpec's oracle tests: with fixed seeds, small random formulas
// over the shipped table and over random small tables go through the
// calculator, and every isotopic variant is enumerated in the test
// (tests/support/Reference.cpp: all count vectors of every element,
// multinomials through lgamma).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "calc/IsoCalc.h"
#include "support/Reference.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

struct Molecule {
    std::string formula;
    std::vector<RefElement> elements;
};

// Random numbers from the generator's raw output, so that every standard
// library draws the same cases.
class Draw {
public:
    explicit Draw(std::uint32_t seed) : engine_(seed) {}
    int Int(int lo, int hi) { return lo + static_cast<int>(engine_() % static_cast<std::uint32_t>(hi - lo + 1)); }
    double Unit() { return static_cast<double>(engine_()) / 4294967296.0; }

private:
    std::mt19937 engine_;
};

// Number of count vectors of n atoms over k isotopes: C(n + k - 1, k - 1).
double Vectors(int n, std::size_t k)
{
    double v = 1;
    for (std::size_t i = 1; i < k; ++i) v = v * static_cast<double>(n + static_cast<int>(i)) / static_cast<double>(i);
    return v;
}

// One to three distinct elements of `table`, one to four atoms each, at
// most 3000 variants in all.
Molecule RandomMolecule(Draw& draw, const std::map<std::string, std::vector<RefIsotope>>& table)
{
    std::vector<std::string> symbols;
    for (const auto& entry : table) symbols.push_back(entry.first);
    while (true) {
        Molecule m;
        double variants = 1;
        const int elements = draw.Int(1, 3);
        std::vector<std::string> chosen;
        for (int e = 0; e < elements; ++e) {
            const std::string& s = symbols[static_cast<std::size_t>(draw.Int(0, static_cast<int>(symbols.size()) - 1))];
            if (std::find(chosen.begin(), chosen.end(), s) != chosen.end()) continue;
            chosen.push_back(s);
            const int atoms = draw.Int(1, 4);
            m.formula += s + std::to_string(atoms);
            m.elements.push_back(RefElement{table.at(s), atoms});
            variants *= Vectors(atoms, table.at(s).size());
        }
        if (variants <= 3000) return m;
    }
}

// Three elements Xa, Xb, Xc of one to four isotopes: nucleon numbers from 1
// to 150 apart by one or more, mass defects within 0.01, abundances that
// sum to 1.
std::string RandomTable(Draw& draw, std::map<std::string, std::vector<RefIsotope>>& table)
{
    std::ostringstream text;
    text.precision(17);
    table.clear();
    for (const char* symbol : {"Xa", "Xb", "Xc"}) {
        std::vector<RefIsotope> isotopes;
        double total = 0;
        int nucleons = draw.Int(1, 150);
        for (int i = draw.Int(1, 4); i > 0; --i) {
            isotopes.push_back(RefIsotope{nucleons + 0.02 * draw.Unit() - 0.01, 0.05 + draw.Unit()});
            total += isotopes.back().abundance;
            nucleons += draw.Int(1, 3);
        }
        text << symbol << " 1";
        for (RefIsotope& iso : isotopes) {
            iso.abundance /= total;
            text << ' ' << iso.mass << ' ' << iso.abundance;
        }
        text << '\n';
        table[symbol] = isotopes;
    }
    return text.str();
}

std::vector<RefPeak> Calculate(IsoCalc& calc, const std::string& formula, double thr, double merge)
{
    std::string text = formula;
    EXPECT_EQ(calc.SetComposition(&text[0]), 0) << formula;
    calc.SetThr(thr);
    calc.SetDegen(merge);
    EXPECT_EQ(calc.Calculate(), 0) << formula;
    int n = 0;
    calc.GetNPeaks(n);
    std::vector<RefPeak> peaks(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) calc.Peak(i, peaks[static_cast<std::size_t>(i)].mass, peaks[static_cast<std::size_t>(i)].abundance);
    return peaks;
}

bool Close(double a, double b) { return std::fabs(a - b) <= 1e-12 * std::max(std::fabs(a), std::fabs(b)); }

// True when two neighbouring variants lie so near the merge distance that
// rounding could decide whether they merge; such molecules are skipped.
bool Ambiguous(std::vector<RefPeak> variants, double merge)
{
    std::sort(variants.begin(), variants.end(), [](const RefPeak& a, const RefPeak& b) { return a.mass < b.mass; });
    for (std::size_t i = 1; i < variants.size(); ++i)
        if (std::fabs(variants[i].mass - variants[i - 1].mass - merge) < 1e-9 * variants[i].mass) return true;
    return false;
}

// Threshold 0: the peaks are exactly all variants merged at 0.1 u.
void ExpectAllVariants(IsoCalc& calc, const Molecule& m)
{
    const std::vector<RefPeak> variants = AllVariants(m.elements);
    if (Ambiguous(variants, 0.1)) return;
    const std::vector<RefPeak> expected = MergeChained(variants, 0.1);
    const std::vector<RefPeak> peaks = Calculate(calc, m.formula, 0, 0.1);
    ASSERT_EQ(peaks.size(), expected.size()) << m.formula;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        EXPECT_TRUE(Close(peaks[i].mass, expected[i].mass)) << m.formula << " peak " << i;
        EXPECT_TRUE(Close(peaks[i].abundance, expected[i].abundance)) << m.formula << " peak " << i;
    }
}

// Threshold thr, no merging: every peak is one variant, and a variant left
// out has at most thr times the probability of the most probable variant
// (an element's combination is kept above thr times its best, a partial
// variant above thr times the best variant so far; both bars are at most
// thr times the final best).
void ExpectSubsetAboveTheBar(IsoCalc& calc, const Molecule& m, double thr)
{
    std::vector<RefPeak> variants = AllVariants(m.elements);
    std::sort(variants.begin(), variants.end(), [](const RefPeak& a, const RefPeak& b) { return a.mass < b.mass; });
    double best = 0;
    for (const RefPeak& v : variants) best = std::max(best, v.abundance);
    std::vector<bool> printed(variants.size(), false);
    for (const RefPeak& p : Calculate(calc, m.formula, thr, 0)) {
        auto it = std::lower_bound(variants.begin(), variants.end(), p.mass * (1 - 1e-12),
                                   [](const RefPeak& v, double mass) { return v.mass < mass; });
        while (it != variants.end() && Close(it->mass, p.mass) && !Close(it->abundance, p.abundance)) ++it;
        ASSERT_TRUE(it != variants.end() && Close(it->mass, p.mass)) << m.formula << " -t " << thr << " at " << p.mass;
        printed[static_cast<std::size_t>(it - variants.begin())] = true;
    }
    for (std::size_t i = 0; i < variants.size(); ++i)
        if (!printed[i]) {
            EXPECT_LE(variants[i].abundance, thr * best * (1 + 1e-12)) << m.formula << " -t " << thr;
        }
}

const double THRESHOLDS[] = {0.3, 0.02, 1e-3, 1e-5};

TEST(Oracle, ShippedTable)
{
    const auto table = LoadReferenceTable(ShippedTable());
    IsoCalc calc;
    ASSERT_EQ(calc.ReadAtomTable(ShippedTable().c_str()), 0);
    Draw draw(20261207);
    for (int i = 0; i < 300; ++i) {
        const Molecule m = RandomMolecule(draw, table);
        ExpectAllVariants(calc, m);
        ExpectSubsetAboveTheBar(calc, m, THRESHOLDS[i % 4]);
        if (HasFailure()) return;
    }
}

TEST(Oracle, RandomTables)
{
    Draw draw(1983);
    std::map<std::string, std::vector<RefIsotope>> table;
    for (int t = 0; t < 40; ++t) {
        TempFile file(RandomTable(draw, table));
        IsoCalc calc;
        ASSERT_EQ(calc.ReadAtomTable(file.path().c_str()), 0);
        for (int i = 0; i < 5; ++i) {
            const Molecule m = RandomMolecule(draw, table);
            ExpectAllVariants(calc, m);
            ExpectSubsetAboveTheBar(calc, m, THRESHOLDS[i % 4]);
            if (HasFailure()) return;
        }
    }
}

}  // namespace
