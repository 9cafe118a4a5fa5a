// The coverage target against the peer IsoSpec's total-probability mode,
// and what the facts every pattern carries (coverage, masses, most abundant
// peak) cost beside its calculation. Run: build/bench/morvane_bench_coverage.
//
// Goals: coverage 0.999 on C2934H4615N781O897S39 within 1.5 times the peer
// (its total-probability generator on the same isotope table, then the
// stable sort by mass and chained merge at 0.1 u that ours does); the facts
// under 2 % of a peptide's calculation.
#include <benchmark/benchmark.h>
#include <fixedEnvelopes.h>
#include <isoSpec++.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "PeerIsoSpec.h"
#include "calc/Pattern.h"
#include "formula/FormulaMasses.h"
#include "formula/FormulaParser.h"

using namespace morvane;

namespace {

const char* const PROTEIN = "C2934H4615N781O897S39";
const double TARGET = 0.999;
const double MERGE = 0.1;

// The shipped table, read once; a formula parsed against it.
struct Shipped {
    std::deque<AtomIsoAbun> elements;
    Shipped()
    {
        std::string reason;
        if (LoadIsotopeTable(MORVANE_SOURCE_DIR "/morvanetable.txt", elements, reason) != 0) std::abort();
    }
    MolComposition Parse(const char* formula) const
    {
        MolComposition c;
        if (ParseFormula(formula, elements, c) != 0) std::abort();
        return c;
    }
};

const std::deque<AtomIsoAbun>& Table()
{
    static const Shipped shipped;
    return shipped.elements;
}

MolComposition Composition(const char* formula)
{
    static const Shipped shipped;
    return shipped.Parse(formula);
}

void Ours(benchmark::State& state)
{
    PatternSettings s;
    s.coverage = TARGET;
    s.threads = 1;
    std::size_t peaks = 0;
    for (auto _ : state) peaks = CalculatePattern(Table(), PROTEIN, s).peaks.size();
    state.counters["peaks"] = static_cast<double>(peaks);
}

// The peer on our table: its isotopes passed as numbers.
void Peer(benchmark::State& state)
{
    const MolComposition c = Composition(PROTEIN);
    std::vector<int> isotopes, atoms;
    std::vector<std::vector<double>> masses(c.totalnat), probabilities(c.totalnat);
    std::vector<const double*> m, p;
    for (int i = 0; i < c.totalnat; ++i) {
        for (int j = 0; j < c.atom[i].niso; ++j) {
            masses[i].push_back(c.atom[i].iso[j].mass);
            probabilities[i].push_back(c.atom[i].iso[j].abundance);
        }
        isotopes.push_back(c.atom[i].niso);
        atoms.push_back(c.nat[i]);
        m.push_back(masses[i].data());
        p.push_back(probabilities[i].data());
    }
    std::size_t peaks = 0, configurations = 0;
    for (auto _ : state) {
        IsoSpec::Iso iso(c.totalnat, isotopes.data(), atoms.data(), m.data(), p.data());
        IsoSpec::FixedEnvelope e = IsoSpec::FixedEnvelope::FromTotalProb(std::move(iso), TARGET, true);
        MassProbabilities v;
        v.reserve(e.confs_no());
        for (std::size_t k = 0; k < e.confs_no(); ++k) v.emplace_back(e.mass(k), e.prob(k));
        configurations = v.size();
        peaks = SortAndMerge(std::move(v), MERGE).size();
    }
    state.counters["peaks"] = static_cast<double>(peaks);
    state.counters["configurations"] = static_cast<double>(configurations);
}

// A tryptic peptide of 20 residues, calculated whole, and the facts alone.
const char* const PEPTIDE = "C98H155N27O31S1";

void PeptidePattern(benchmark::State& state)
{
    PatternSettings s;
    s.threads = 1;
    for (auto _ : state) benchmark::DoNotOptimize(CalculatePattern(Table(), PEPTIDE, s).coverage);
}

void PeptideFacts(benchmark::State& state)
{
    const MolComposition c = Composition(PEPTIDE);
    PatternSettings s;
    const std::vector<isotope> peaks = CalculatePattern(Table(), PEPTIDE, s).peaks;
    for (auto _ : state) {
        FormulaMasses m = MassesOf(c);
        double coverage = 0;
        isotope top{0, 0};
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            coverage += peaks[i].abundance;
            if (i == 0 || peaks[i].abundance > top.abundance) top = peaks[i];
        }
        benchmark::DoNotOptimize(m);
        benchmark::DoNotOptimize(coverage);
        benchmark::DoNotOptimize(top);
    }
}

}  // namespace

BENCHMARK(Ours)->Name("Coverage0.999/" + std::string(PROTEIN) + "/morvane")->Unit(benchmark::kMillisecond);
BENCHMARK(Peer)->Name("Coverage0.999/" + std::string(PROTEIN) + "/Peer_IsoSpec")->Unit(benchmark::kMillisecond);
BENCHMARK(PeptidePattern)->Name("Peptide/" + std::string(PEPTIDE) + "/pattern")->Unit(benchmark::kMicrosecond);
BENCHMARK(PeptideFacts)->Name("Peptide/" + std::string(PEPTIDE) + "/facts")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
