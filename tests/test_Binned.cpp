// The binned assembly against the single sort: for any budget (number of
// passes), bin count and thread count, the very same peaks, bit for bit, as
// GenerateEnsemble followed by MakeSpectrum.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "elements/TableReader.h"
#include "engine/AtomEnsemble.h"
#include "engine/ElementCache.h"
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
// bin counts (one bin, a few, the most) and with one to three threads; and
// in a single run of the search, as small molecules are calculated.
void ExpectSameEverywhere(const std::deque<AtomIsoAbun>& table, const Case& k,
                          const std::vector<std::uint32_t>& binCounts = {1, 7, 1u << 16})
{
    const std::vector<std::uint64_t> expected = SingleSort(table, k);
    for (std::uint32_t bins : binCounts)
        for (std::size_t budget : {std::size_t(0), std::size_t(4096), std::size_t(256)})
            for (unsigned threads : {1u, 2u, 3u}) {
                BinnedSettings s;
                s.bins = bins;
                s.budget = budget;
                s.threads = threads;
                s.singleRunVisits = 0;
                BinnedReport r;
                EXPECT_EQ(Binned(table, k, s, r), expected)
                    << k.formula << " thr " << k.thr << " z " << k.charge << " mtz " << k.mtz << " res " << k.res
                    << " bins " << bins << " budget " << budget << " threads " << threads;
            }
    BinnedSettings single;
    single.singleRunVisits = LLONG_MAX;
    BinnedReport r;
    EXPECT_EQ(Binned(table, k, single, r), expected) << k.formula << " thr " << k.thr << " in one run";
    EXPECT_EQ(r.passes, 1u);
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
    for (unsigned threads : {1u, 2u, 3u}) {
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

// The passes are planned from the counted variants: a budget of 2/9 of all
// the slots gives five passes of about a fifth each (not four full ones
// and a short one), the buffer sized for the largest, and the same bytes.
TEST(BinnedAssembly, PassesAreEvenSharesOfTheCountedVariants)
{
    const Case k{"C2934H4615N781O897S39", 0.001, 0, false, 0.1};
    const std::vector<std::uint64_t> expected = SingleSort(Shipped(), k);
    const unsigned long long variants = 273060;
    for (unsigned threads : {1u, 2u}) {
        BinnedSettings s;
        s.threads = threads;
        s.budget = static_cast<std::size_t>(variants * 16 * 2 / 9);
        BinnedReport r;
        EXPECT_EQ(Binned(Shipped(), k, s, r), expected) << threads;
        EXPECT_EQ(r.variants, variants);
        EXPECT_EQ(r.passes, 5u) << threads;
        EXPECT_GE(r.slotBytes, variants * 16 / 5) << threads;
        EXPECT_LE(r.slotBytes, variants * 16 / 5 * 101 / 100) << threads;
    }
}

// A spectrum that runs out of memory after `room` peaks.
class FullSpectrum : public BaseSpectrum {
public:
    explicit FullSpectrum(int room) : room(room) {}
    int size() override { return count; }
    void resize(int n) override { count = n; }
    double intensity(double) override { return 0; }
    void push_back(isotope&) override
    {
        if (count == room) throw std::bad_alloc();
        ++count;
    }

private:
    int room;
    int count = 0;
};

TEST(BinnedAssembly, MemoryRunningOutOnAnyThreadReachesTheCaller)
{
    // 2.8 million variants, each its own peak, in passes of 8 MB that two
    // threads fill, sort and merge: whichever thread appends the peak that
    // does not fit, the caller gets std::bad_alloc (the command line turns
    // it into status 6) and the program goes on.
    const Case k{"C2934H4615N781O897S39", 1e-6, 0, false, 0};
    MolComposition c = Parse(Shipped(), k);
    MolEnsemble m;
    ASSERT_EQ(m.GenerateElements(c, k.thr), 0);
    const VariantSearch search(m.atomens, m.totalnat, 0, k.thr);
    for (unsigned threads : {1u, 2u})
        for (int room : {0, 100000, 2000000}) {
            BinnedSettings s;
            s.threads = threads;
            s.budget = 8 << 20;
            FullSpectrum full(room);
            EXPECT_THROW(AssembleBinned(search, false, 0, 0, &full, s), std::bad_alloc) << threads << " " << room;
            EXPECT_EQ(full.size(), room);
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

// The element combinations a thread keeps from formula to formula: the very
// lists the enumeration makes, the same work charged, and the same peaks,
// bit for bit, as the calculation through an ensemble.

const AtomIsoAbun& Record(const std::deque<AtomIsoAbun>& table, const std::string& symbol)
{
    for (const AtomIsoAbun& a : table)
        if (symbol == a.symbol) return a;
    ADD_FAILURE() << symbol;
    return table.front();
}

std::uint64_t Bits(double d)
{
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

// Elements of a peptide and of a protein, tin's ten isotopes, chlorine, at
// the default threshold and a finer one; a second request finds the list.
TEST(ElementCache, ListsAreTheEnumerationsAndAreFoundAgain)
{
    const std::pair<const char*, int> elements[] = {{"C", 0},  {"C", 1},  {"C", 47},  {"C", 2934}, {"H", 77},
                                                    {"S", 39}, {"Sn", 1}, {"Sn", 12}, {"Cl", 4},   {"Cl", 300}};
    ElementCache cache;
    for (const auto& [symbol, n] : elements)
        for (double thr : {1e-3, 1e-6}) {
            AtomIsoAbun record = Record(Shipped(), symbol);
            AtomEnsemble e(record);
            long long spent = MAX_ELEMENT_STEPS;
            ASSERT_TRUE(e.EnumerateCombinations(n, thr, spent)) << symbol << n << " thr " << thr;
            long long budget = MAX_ELEMENT_STEPS;
            const ElementCache::Entries* list = cache.Combinations(record, n, thr, budget);
            ASSERT_NE(list, nullptr) << symbol << n;
            EXPECT_EQ(budget, spent) << symbol << n << " thr " << thr;
            ASSERT_EQ(list->size(), e.dist.size()) << symbol << n;
            auto d = e.dist.begin();
            for (const VariantSearch::Entry& entry : *list) {
                EXPECT_EQ(Bits(entry.mass), Bits(d->mass)) << symbol << n;
                EXPECT_EQ(Bits(entry.abundance), Bits(d->abundance)) << symbol << n;
                ++d;
            }
            budget = MAX_ELEMENT_STEPS;
            EXPECT_EQ(cache.Combinations(record, n, thr, budget), list);
            EXPECT_EQ(budget, spent);
        }
}

// The enumeration's work is charged to the caller's budget as if it had run
// with it: exactly enough passes, one unit less fails.
TEST(ElementCache, BudgetAsTheEnumerationSpendsIt)
{
    ElementCache cache;
    const AtomIsoAbun& tin = Record(Shipped(), "Sn");
    long long budget = MAX_ELEMENT_STEPS;
    ASSERT_NE(cache.Combinations(tin, 12, 1e-3, budget), nullptr);
    const long long cost = MAX_ELEMENT_STEPS - budget;
    EXPECT_GT(cost, 1000);
    budget = cost;
    EXPECT_NE(cache.Combinations(tin, 12, 1e-3, budget), nullptr);
    EXPECT_EQ(budget, 0);
    budget = cost - 1;
    EXPECT_EQ(cache.Combinations(tin, 12, 1e-3, budget), nullptr);
}

// One thread, two tables naming carbon: each gets its own carbon's list.
TEST(ElementCache, SameSymbolOfAnotherTableIsNotTaken)
{
    const auto natural = Table("C 6 12 0.9893 13.0033548378 0.0107\n");
    const auto labelled = Table("C 6 13.0033548378 0.99 12 0.01\n");
    ElementCache cache;
    long long budget = MAX_ELEMENT_STEPS;
    const double light = cache.Combinations(natural.front(), 10, 1e-3, budget)->front().mass;
    const double heavy = cache.Combinations(labelled.front(), 10, 1e-3, budget)->front().mass;
    EXPECT_DOUBLE_EQ(light, 120.0);
    EXPECT_DOUBLE_EQ(heavy, 130.033548378);
    EXPECT_DOUBLE_EQ(cache.Combinations(natural.front(), 10, 1e-3, budget)->front().mass, 120.0);
}

// Formulas one after another on one cache, as a batch thread runs them, in
// mass and m/z modes: the peaks of the ensemble's calculation, bit for bit,
// and a formula whose enumeration fails fails the same way.
TEST(ElementCache, PeaksAreThoseOfTheEnsemble)
{
    const Case cases[] = {
        {"C49H77N13O18", 1e-3, 0, false, 0.1},          {"C47H77N15O14S", 1e-3, 1, true, 0.1},
        {"C49H77N13O18", 1e-6, -2, true, 0.1},          {"C6H12O6", 0, 0, false, 0},
        {"SnCl4", 1e-3, 0, false, 0.1},                 {"C2934H4615N781O897S39", 1e-3, 0, false, 0.1},
        {"C100H160N28O30S2", 1e-3, 3, false, 0.1},      {"Sn100000", 0, 0, false, 0.1},
        {"C47H77N15O14S", 1e-3, 1, true, 0.1},
    };
    ElementCache cache;
    for (const Case& k : cases) {
        MolComposition c = Parse(Shipped(), k);
        MolEnsemble m;
        PeakList viaEnsemble, viaCache;
        const int expected = CalculateSpectrum(c, k.thr, k.mtz, k.res, m, &viaEnsemble, 1);
        EXPECT_EQ(CalculateSpectrum(c, k.thr, k.mtz, k.res, cache, &viaCache, 1), expected) << k.formula;
        EXPECT_EQ(Bits(viaCache), Bits(viaEnsemble)) << k.formula << " thr " << k.thr;
    }
}

}  // namespace
