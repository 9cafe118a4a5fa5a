// 10,000 candidate formulas against one measured spectrum, each at one
// charge and at charges 1 to 3, at an orbitrap's 60,000 @ 200: the whole
// match, calculation of each ion included, on one thread and on one per
// processor. And 100 tryptic peptides of BSA at charges 1 to 4 through
// every MS1 scan (564) of OpenMS's BSA1.mzML (Debian openms-doc) at
// 60,000 @ 400: the ions calculated once, the run read scan by scan, each
// scan fitted.
// Run: build/bench/morvane_match_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "match/Match.h"
#include "match/MzScans.h"

using namespace morvane;

namespace {

const std::deque<AtomIsoAbun>& Table()
{
    static const std::deque<AtomIsoAbun> table = [] {
        std::deque<AtomIsoAbun> t;
        std::string reason;
        if (LoadIsotopeTable(MORVANE_SOURCE_DIR "/morvanetable.txt", t, reason) != 0) std::abort();
        return t;
    }();
    return table;
}

MatchSettings Settings()
{
    MatchSettings s;
    s.pattern.coverage = FRONT_END_COVERAGE;
    s.pattern.resolution = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    return s;
}

// A spectrum of one peak every 0.05 from m/z 200 to 2000, as a crowded
// measured spectrum holds.
MeasuredSpectrum Crowded()
{
    std::vector<isotope> peaks;
    for (int i = 0; i < 36000; ++i) peaks.emplace_back(200 + 0.05 * i, 1 + (i * 7919) % 1000);
    MeasuredSpectrum s;
    std::string reason;
    if (!MeasuredSpectrum::Make(peaks, s, reason)) std::abort();
    return s;
}

// 10,000 peptide-like formulas of 10 to 100 carbons.
std::vector<Candidate> Candidates(const std::string& charges)
{
    std::vector<Candidate> out;
    for (int i = 0; i < 10000; ++i) {
        const int c = 10 + i % 91;
        Candidate cand;
        std::string reason;
        const std::string text = "C" + std::to_string(c) + "H" + std::to_string(c * 16 / 10 + i % 7) + "N" +
                                 std::to_string(c / 4 + 1) + "O" + std::to_string(c * 3 / 10 + i % 3) + charges;
        if (!ParseCandidate(text, false, cand, reason)) std::abort();
        out.push_back(cand);
    }
    return out;
}

// The candidates matched on `threads` threads (0: one per processor).
void Run(benchmark::State& state, const std::string& charges, unsigned threads)
{
    const MeasuredSpectrum spectrum = Crowded();
    const std::vector<Candidate> candidates = Candidates(charges);
    const MatchSettings s = Settings();
    std::vector<CandidateMatch> matches(candidates.size());
    for (auto _ : state) {
        MatchCandidates(Table(), spectrum, candidates, 0, candidates.size(), s, threads, matches);
        double sum = 0;
        for (const CandidateMatch& m : matches) sum += m.fits.front().fit.score;
        benchmark::DoNotOptimize(sum);
    }
    state.counters["candidates/s"] = benchmark::Counter(static_cast<double>(candidates.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TenThousandCandidatesOneCharge(benchmark::State& state) { Run(state, " z=2", 1); }
void BM_TenThousandCandidatesOneChargeEveryProcessor(benchmark::State& state) { Run(state, " z=2", 0); }
void BM_TenThousandCandidatesCharges1to3(benchmark::State& state) { Run(state, " z=1..3", 1); }

const char* const BSA1 = "/usr/share/doc/openms/examples/BSA/BSA1.mzML";

// tests/data/bsa_tryptic_peptides.txt's candidates.
std::vector<Candidate> BsaPeptides()
{
    std::vector<Candidate> out;
    std::ifstream in(MORVANE_SOURCE_DIR "/tests/data/bsa_tryptic_peptides.txt");
    for (std::string line; std::getline(in, line);) {
        Candidate c;
        std::string reason;
        if (line.empty() || line[0] == '#') continue;
        if (!ParseCandidate(line, true, c, reason)) std::abort();
        out.push_back(c);
    }
    return out;
}

void BM_HundredPeptidesEveryScanOfBsa1(benchmark::State& state)
{
    if (!std::ifstream(BSA1)) {
        state.SkipWithError("BSA1.mzML missing (Debian: openms-doc)");
        return;
    }
    MatchSettings s;
    s.pattern.coverage = FRONT_END_COVERAGE;
    s.pattern.resolution = Resolution::Power(Analyzer::Orbitrap, 60000, 400);
    const std::vector<Candidate> candidates = BsaPeptides();
    std::size_t scans = 0;
    for (auto _ : state) {
        std::vector<CandidateTheory> theories;
        for (const Candidate& c : candidates) theories.push_back(CalculateCandidate(Table(), c, s));
        double sum = 0;
        scans = 0;
        std::string reason;
        auto each = [&](const MzScan& scan) {
            for (const CandidateTheory& t : theories) sum += FitCandidate(scan.spectrum, t, s.envelope).fits.front().fit.score;
            ++scans;
        };
        if (ForEachMzScan(BSA1, 0, INFINITY, std::nullopt, each, reason) != 0) std::abort();
        benchmark::DoNotOptimize(sum);
    }
    state.counters["scans"] = static_cast<double>(scans);
    state.counters["candidates"] = static_cast<double>(candidates.size());
}

}  // namespace

BENCHMARK(BM_TenThousandCandidatesOneCharge)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TenThousandCandidatesOneChargeEveryProcessor)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TenThousandCandidatesCharges1to3)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_HundredPeptidesEveryScanOfBsa1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
