// Speed and memory of the calculator on a ladder of real molecules, beside
// the peer calculator IsoSpec (threshold generator, then sorted and merged at
// 0.1 u as ours). Run: build/bench/morvane_bench (see docs/performance.md).
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "calc/IsoCalc.h"
#include "elements/TableReader.h"
#include "engine/VariantSearch.h"
#include "formula/FormulaParser.h"
#include "spectrum/BinnedSpectrum.h"
#include "spectrum/GaussianList.h"
#include "spectrum/NominalSpectrum.h"
#include "ChildMemory.h"
#include "PeerIsoSpec.h"

using namespace morvane;

namespace {

const char* const MOLECULES[] = {
    "H2O",                        // water
    "C6H12O6",                    // glucose
    "C63H98N18O13S",              // substance P
    "C257H383N65O77S6",           // insulin
    "C2934H4615N781O897S39",      // a protein
    "C12000H19000N3300O3600S80",  // a large protein
};
const double THRESHOLDS[] = {1e-3, 1e-6};
// Nominal patterns beyond any enumeration, computed directly.
const char* const NOMINAL_MOLECULES[] = {
    "C169719H270464N45688O52237S911",  // titin
    "C700000H1400000O10000",           // a 10 MDa polymer
};
const double MERGE = 0.1;

const std::string TABLE = MORVANE_SOURCE_DIR "/morvanetable.txt";

const std::deque<AtomIsoAbun>& Table()
{
    static const std::deque<AtomIsoAbun> table = [] {
        std::deque<AtomIsoAbun> t;
        std::ifstream in(TABLE);
        if (ReadIsotopeTable(in, t) != 0) std::abort();
        return t;
    }();
    return table;
}

MolComposition Composition(const char* formula)
{
    MolComposition c;
    if (ParseFormula(formula, Table(), c) != 0) std::abort();
    return c;
}

// Peak resident memory of `work` run once in a child process, less that of
// a child doing nothing, in MiB.
double PeakMemoryMiB(const std::function<void()>& work)
{
    return ChildPeakMiB(work) - ChildPeakMiB([] {});
}

void SetLabel(benchmark::State& state, const char* formula, double thr)
{
    std::ostringstream label;
    label << formula << " thr=" << thr;
    state.SetLabel(label.str());
}

// Every element's combinations, as the generation makes them.
void ElementEnumeration(benchmark::State& state, const char* formula, double thr)
{
    MolComposition c = Composition(formula);
    std::size_t combinations = 0;
    for (auto _ : state) {
        combinations = 0;
        long long budget = MAX_ELEMENT_STEPS;
        for (int i = 0; i < c.totalnat; ++i) {
            AtomEnsemble e;
            e.atom = c.atom[i];
            e.EnumerateCombinations(c.nat[i], thr, budget);
            combinations += e.dist.size();
        }
    }
    state.counters["combinations"] = static_cast<double>(combinations);
    SetLabel(state, formula, thr);
}

void GenerateEnsemble(benchmark::State& state, const char* formula, double thr)
{
    MolComposition c = Composition(formula);
    MolEnsemble m;
    for (auto _ : state) m.GenerateEnsemble(c, thr);
    state.counters["variants"] = static_cast<double>(m.moldist.size());
    state.counters["variants/s"] = benchmark::Counter(static_cast<double>(m.moldist.size()) *
                                                          static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
    SetLabel(state, formula, thr);
}

void SpectrumAssembly(benchmark::State& state, const char* formula, double thr)
{
    MolComposition c = Composition(formula);
    MolEnsemble generated(c, thr), m;
    for (auto _ : state) {
        state.PauseTiming();
        m = generated;
        GaussianList peaks;
        state.ResumeTiming();
        m.MakeSpectrum(&peaks, MERGE);
    }
    state.counters["variants/s"] = benchmark::Counter(static_cast<double>(m.moldist.size()) *
                                                          static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
    SetLabel(state, formula, thr);
}

// The whole calculation through the facade, as the driver runs it.
std::size_t CalculateOnce(IsoCalc& calc, const char* formula, double thr)
{
    std::string text(formula);
    calc.SetComposition(&text[0]);
    calc.SetThr(thr);
    calc.Calculate();
    int n = 0;
    calc.GetNPeaks(n);
    return static_cast<std::size_t>(n);
}

void WholeCalculation(benchmark::State& state, const char* formula, double thr)
{
    IsoCalc calc;
    if (calc.ReadAtomTable(TABLE.c_str()) != 0) std::abort();
    std::size_t peaks = 0;
    for (auto _ : state) peaks = CalculateOnce(calc, formula, thr);
    state.counters["peaks"] = static_cast<double>(peaks);
    state.counters["peak_MiB"] = PeakMemoryMiB([&] {
        IsoCalc fresh;
        fresh.ReadAtomTable(TABLE.c_str());
        CalculateOnce(fresh, formula, thr);
    });
    SetLabel(state, formula, thr);
}

// The two-phase binned assembly with `threads` threads and the default
// budget: what it did (variants, visits, bins, passes, threads, bytes of
// the slots) and the whole calculation's peak memory per variant.
void BinnedAssembly(benchmark::State& state, const char* formula, double thr)
{
    MolComposition c = Composition(formula);
    BinnedSettings settings;
    settings.threads = static_cast<unsigned>(state.range(0));
    BinnedReport report;
    auto once = [&] {
        MolEnsemble m;
        m.GenerateElements(c, thr);
        const VariantSearch search(m.atomens, m.totalnat, c.charge, thr);
        GaussianList peaks;
        AssembleBinned(search, false, c.charge, MERGE, &peaks, settings, &report);
    };
    for (auto _ : state) once();
    const double variants = static_cast<double>(report.variants);
    state.counters["variants"] = variants;
    state.counters["visits"] = static_cast<double>(report.visits);
    state.counters["bins"] = report.bins;
    state.counters["passes"] = report.passes;
    state.counters["threads"] = report.threads;
    state.counters["slot_MiB"] = static_cast<double>(report.slotBytes) / 1048576.0;
    const double peak = PeakMemoryMiB(once);
    state.counters["peak_MiB"] = peak;
    state.counters["peak_bytes/variant"] = peak * 1048576.0 / variants;
    SetLabel(state, formula, thr);
}

void Peer(benchmark::State& state, const char* formula, double thr)
{
    std::size_t peaks = 0, configurations = 0;
    for (auto _ : state) peaks = PeerOnce(formula, PeerCut{thr, false}, MERGE, configurations);
    state.counters["peaks"] = static_cast<double>(peaks);
    state.counters["configurations"] = static_cast<double>(configurations);
    state.counters["variants/s"] = benchmark::Counter(static_cast<double>(configurations) *
                                                          static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
    state.counters["peak_MiB"] = PeakMemoryMiB([&] {
        std::size_t n;
        PeerOnce(formula, PeerCut{thr, false}, MERGE, n);
    });
    SetLabel(state, formula, thr);
}

// The nominal pattern from the distribution over extra neutrons: its bins
// and the peak memory of computing it.
void NominalPattern(benchmark::State& state, const char* formula)
{
    const MolComposition c = Composition(formula);
    std::vector<NominalPeak> peaks;
    for (auto _ : state)
        if (NominalPeaks(c, false, peaks) != 0) state.SkipWithError("nominal pattern failed");
    state.counters["bins"] = static_cast<double>(peaks.size());
    state.counters["peak_MiB"] = PeakMemoryMiB([&] {
        std::vector<NominalPeak> fresh;
        NominalPeaks(c, false, fresh);
    });
    state.SetLabel(formula);
}

// A whole run of the executable on glucose: start-up and table reading.
void ExecutableGlucose(benchmark::State& state)
{
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(MORVANE_SOURCE_DIR) != 0 || !freopen("/dev/null", "w", stdout)) _exit(127);
            execl(MORVANE_EXE, "morvane", "C6H12O6", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("morvane failed");
    }
}

void RegisterAll()
{
    using Fn = void (*)(benchmark::State&, const char*, double);
    const std::pair<const char*, Fn> kinds[] = {{"ElementEnumeration", ElementEnumeration},
                                                {"GenerateEnsemble", GenerateEnsemble},
                                                {"SpectrumAssembly", SpectrumAssembly},
                                                {"WholeCalculation", WholeCalculation},
                                                {"BinnedAssembly", BinnedAssembly},
                                                {"Peer_IsoSpec", Peer}};
    for (double thr : THRESHOLDS)
        for (const char* formula : MOLECULES)
            for (const auto& kind : kinds) {
                const bool huge = std::string(formula) == "C12000H19000N3300O3600S80";
                // The large protein's variants at 1e-6 (380 million) fit only in passes.
                const bool stored = kind.second == GenerateEnsemble || kind.second == SpectrumAssembly;
                if (huge && thr == 1e-6 && stored) continue;
                auto* b = benchmark::RegisterBenchmark((std::string(kind.first) + "/" + formula).c_str(), kind.second,
                                                       formula, thr);
                b->Unit(benchmark::kMillisecond);
                if (kind.second == BinnedAssembly) b->Arg(1)->Arg(2);
                if (huge) b->Iterations(1);
            }
    for (const char* formula : NOMINAL_MOLECULES)
        benchmark::RegisterBenchmark((std::string("NominalPattern/") + formula).c_str(), NominalPattern, formula)
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ExecutableGlucose", ExecutableGlucose)->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv)
{
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
