// The binned assembly against the single sort: for any budget (number of
// passes), bin count and thread count, the very same peaks, bit for bit, as
// GenerateEnsemble followed by MakeSpectrum.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "elements/TableReader.h"
#include "engine/MolEnsemble.h"
#include "engine/VariantSearch.h"
#include "formula/FormulaParser.h"
#include "spectrum/BinnedSpectrum.h"
#include "spectrum/CalculateSpectrum.h"
#include "spectrum/PeakList.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

struct Case {
    std::string formula;
    double thr;
    int charge;
    bool mtz;
    double res;
};

std::deque<AtomIsoAbun> Table(const std::string& text)
{
    std::deque<AtomIsoAbun> table;
    std::istringstream in(text);
    EXPECT_EQ(ReadIsotopeTable(in, table), 0);
    return table;
}

const std::deque<AtomIsoAbun>& Shipped()
{
    static const std::deque<AtomIsoAbun> table = Table(ReadFile(ShippedTable()));
    return table;
}

MolComposition Parse(const std::deque<AtomIsoAbun>& table, const Case& k)
{
    MolComposition c;
    EXPECT_EQ(ParseFormula(k.formula.c_str(), table, c), 0) << k.formula;
    c.charge = k.charge;
    return c;
}

// Every bit of every position and height.
std::vector<std::uint64_t> Bits(PeakList& p)
{
    std::vector<std::uint64_t> out;
    for (int i = 0; i < p.size(); ++i)
        for (double d : {p[i].mass, p[i].abundance}) {
            std::uint64_t b;
            std::memcpy(&b, &d, sizeof b);
            out.push_back(b);
        }
    return out;
}

std::vector<std::uint64_t> SingleSort(const std::deque<AtomIsoAbun>& table, const Case& k)
{
    MolComposition c = Parse(table, k);
    MolEnsemble m;
    m.masstocharge = k.mtz ? 1 : 0;
    PeakList p;
    EXPECT_EQ(m.GenerateEnsemble(c, k.thr), 0) << k.formula;
    m.MakeSpectrum(&p, k.res);
    return Bits(p);
}

std::vector<std::uint64_t> Binned(const std::deque<AtomIsoAbun>& table, const Case& k, const BinnedSettings& s,
                                  BinnedReport& report)
{
    MolComposition c = Parse(table, k);
    MolEnsemble m;
    PeakList p;
    EXPECT_EQ(m.GenerateElements(c, k.thr), 0) << k.formula;
    const VariantSearch search(m.atomens, m.totalnat, c.charge, k.thr);
    EXPECT_EQ(AssembleBinned(search, k.mtz, c.charge, k.res, &p, s, &report), 0) << k.formula;
    return Bits(p);
}

// Each case under budgets from one pass to 16 variants a pass, under several
// bin counts (one bin, a few, the most) and with one and two threads.
void ExpectSameEverywhere(const std::deque<AtomIsoAbun>& table, const Case& k,
                          const std::vector<std::uint32_t>& binCounts = {1, 7, 1u << 16})
{
    const std::vector<std::uint64_t> expected = SingleSort(table, k);
    for (std::uint32_t bins : binCounts)
        for (std::size_t budget : {std::size_t(0), std::size_t(4096), std::size_t(256)})
            for (unsigned threads : {1u, 2u}) {
                BinnedSettings s;
                s.bins = bins;
                s.budget = budget;
                s.threads = threads;
                BinnedReport r;
                EXPECT_EQ(Binned(table, k, s, r), expected)
                    << k.formula << " thr " << k.thr << " z " << k.charge << " mtz " << k.mtz << " res " << k.res
                    << " bins " << bins << " budget " << budget << " threads " << threads;
            }
}

TEST(BinnedAssembly, SameAsSingleSortOnMolecules)
{
    const Case cases[] = {
        {"C6H12O6", 0.001, 0, false, 0.1},
        {"C6H12O6", 0, 0, false, 0},
        {"C257H383N65O77S6", 0.001, 0, false, 0.1},
        {"C257H383N65O77S6", 1e-6, 0, false, 0},      // every variant its own peak
        {"C257H383N65O77S6", 1e-5, 0, false, 5},      // groups span many bins
        {"C257H383N65O77S6", 1e-5, 3, true, 0.1},     // m/z, positive
        {"C257H383N65O77S6", 1e-5, -2, true, 0.05},   // m/z, negative: descending positions
        {"C257H383N65O77S6", 1e-5, -4, false, 0.1},   // mass mode, charged
        {"C257H383N65O77S6", 1e-5, 0, true, 0.1},     // m/z of charge 0: no peaks
        {"C63H98N18O13S", 1e-5, 0, false, 0},
        {"SnCl4", 0, 1, false, 0},
        {"Br2", 0.001, 0, false, 0.1},
    };
    for (const Case& k : cases) ExpectSameEverywhere(Shipped(), k);
}

// Two identical elements give exactly equal masses for swapped choices
// (addition is commutative). Xa9Xb9 spans 18..54 u: with 36 or 72 bins
// every integer mass lies on a bin edge.
TEST(BinnedAssembly, EqualMassesStayTogetherAcrossBinEdges)
{
    const auto table = Table("Xa 1 1 0.6 2 0.3 3 0.1\nXb 1 1 0.6 2 0.3 3 0.1\nL* 6 13.0033548378 0.99 12 0.01\n");
    ExpectSameEverywhere(table, {"Xa9Xb9", 0, 0, false, 0}, {1, 7, 36, 72, 1u << 16});
    ExpectSameEverywhere(table, {"Xa9Xb9", 0, 0, false, 0.5}, {1, 7, 36, 72, 1u << 16});
    // A labelled element beside them: a table's own entries, first the label.
    ExpectSameEverywhere(table, {"L*20Xa5Xb5", 1e-6, 1, true, 0});
}

TEST(BinnedAssembly, LargeProteinInPassesAndThreads)
{
    const Case k{"C2934H4615N781O897S39", 0.001, 0, false, 0.1};
    const std::vector<std::uint64_t> expected = SingleSort(Shipped(), k);
    for (unsigned threads : {1u, 2u}) {
        BinnedSettings s;
        s.threads = threads;
        s.budget = 64 << 10;
        BinnedReport r;
        EXPECT_EQ(Binned(Shipped(), k, s, r), expected) << threads;
        EXPECT_EQ(r.variants, 273060u);
        EXPECT_GT(r.passes, 60u);
        EXPECT_EQ(r.threads, threads);
    }
}

TEST(BinnedAssembly, WorkBoundEndsBeforeAnyPeak)
{
    // Threshold 0: 101 x 201 x 51 x 1326 x 1771 selections, far beyond the
    // visit bound, refused at once with nothing appended.
    const Case k{"C100H200N50O50S20", 0, 0, false, 0.1};
    MolComposition c = Parse(Shipped(), k);
    MolEnsemble m;
    ASSERT_EQ(m.GenerateElements(c, 0), 0);
    const VariantSearch search(m.atomens, m.totalnat, 0, 0);
    PeakList p;
    BinnedReport r;
    EXPECT_EQ(AssembleBinned(search, false, 0, 0.1, &p, BinnedSettings(), &r), 6);
    EXPECT_EQ(p.size(), 0);
    EXPECT_GT(r.visits, MAX_COMBINATION_VISITS);
    const RunResult run = RunMorvane({"C100H200N50O50S20", "-t", "0"});
    EXPECT_EQ(run.out, "Error: cannot calculate distributions\n");
    EXPECT_EQ(run.status, 6);
}

// The executable under an address-space limit: passes, the same bytes.
TEST(BinnedRun, AddressSpaceLimitsGiveTheSameBytes)
{
#ifdef MORVANE_SANITIZE
    GTEST_SKIP() << "the sanitizers need an unbounded address space";
#endif
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"C2934H4615N781O897S39", "-t", "1e-6", "-p", "17"},
          std::vector<std::string>{"C2934H4615N781O897S39", "-mtz", "-3", "-t", "1e-5", "-r", "0", "-p", "17"}}) {
        const RunResult free = RunMorvane(args);
        ASSERT_EQ(free.status, 0);
        for (unsigned long long limit : {48ULL << 20, 512ULL << 20}) {
            const RunResult capped = RunMorvane(args, MORVANE_SOURCE_DIR, limit);
            EXPECT_EQ(capped.status, 0) << limit;
            EXPECT_EQ(capped.out, free.out) << limit;
        }
    }
}

TEST(CalculateSpectrum, OneThreadOrManySameBytes)
{
    const Case k{"C2934H4615N781O897S39", 1e-5, 2, true, 0.1};
    const std::vector<std::uint64_t> expected = SingleSort(Shipped(), k);
    for (int threads : {0, 1, 2, 3}) {
        MolComposition c = Parse(Shipped(), k);
        MolEnsemble m;
        PeakList p;
        EXPECT_EQ(CalculateSpectrum(c, k.thr, k.mtz, k.res, m, &p, threads), 0);
        EXPECT_EQ(Bits(p), expected) << threads;
        EXPECT_TRUE(m.moldist.empty());
    }
}

}  // namespace
