// The pattern as an instrument shows it, against morvane's own merge: the
// centroids of a protein at 60000 @ 200 (orbitrap) from formula to printed
// table beside `morvane -r 0.01` on the same formula and threshold, and the
// memory of the profile beyond the pattern itself.
// Run: build/bench/morvane_resolution_bench
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "ChildMemory.h"
#include "calc/Pattern.h"
#include "resolution/Profile.h"

using namespace morvane;

namespace {

const char* const PROTEIN = "C2934H4615N781O897S39";
const std::string TABLE = MORVANE_SOURCE_DIR "/morvanetable.txt";

const std::deque<AtomIsoAbun>& Table()
{
    static const std::deque<AtomIsoAbun> table = [] {
        std::deque<AtomIsoAbun> t;
        std::string reason;
        if (LoadIsotopeTable(TABLE, t, reason) != 0) std::abort();
        return t;
    }();
    return table;
}

// The settings of the two runs compared, neutral or at charge `charge` as m/z.
PatternSettings Settings(int charge, bool centroids)
{
    PatternSettings s;
    s.charge = charge;
    s.masstocharge = charge != 0;
    s.threads = 1;
    if (centroids)
        s.resolution = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    else
        s.merge = 0.01;
    return s;
}

// The pattern printed as morvane prints its table.
std::size_t PrintedBytes(const PatternSettings& s)
{
    const PatternResult r = CalculatePattern(Table(), PROTEIN, s);
    if (r.status != 0) std::abort();
    std::string out;
    char line[64];
    for (const isotope& p : r.peaks) {
        std::snprintf(line, sizeof line, "%.8g\t%.8g\n", p.mass, p.abundance);
        out += line;
    }
    return out.size();
}

double Seconds(const std::function<void()>& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both in turn in each iteration; the counter `ratio` is the centroids' time
// over the merge's, the goal at most 1.2.
void CentroidsOverMerge(benchmark::State& state)
{
    const int charge = static_cast<int>(state.range(0));
    const PatternSettings centroids = Settings(charge, true), merge = Settings(charge, false);
    double centroidSeconds = 0, mergeSeconds = 0;
    for (auto _ : state) {
        centroidSeconds += Seconds([&] { benchmark::DoNotOptimize(PrintedBytes(centroids)); });
        mergeSeconds += Seconds([&] { benchmark::DoNotOptimize(PrintedBytes(merge)); });
    }
    state.counters["ratio"] = centroidSeconds / mergeSeconds;
    state.counters["centroids_ms"] = centroidSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["merge_ms"] = mergeSeconds * 1e3 / static_cast<double>(state.iterations());
    state.SetLabel(charge == 0 ? "neutral" : "m/z at charge " + std::to_string(charge));
}

// Runs a program with its output to /dev/null; returns its exit status.
int RunQuietly(const std::vector<std::string>& args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(MORVANE_SOURCE_DIR) != 0 || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Whole processes in turn: morvane-batch's centroids of the protein over
// `morvane -r 0.01` on it.
void ProcessesCentroidsOverMerge(benchmark::State& state)
{
    char input[] = "/tmp/morvane_bench_XXXXXX";
    const int fd = mkstemp(input);
    const std::string line = std::string(PROTEIN) + "\n";
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::abort();
    close(fd);
    const std::vector<std::string> batch = {MORVANE_BATCH_EXE, "-i", input, "-j", "1", "--resolution", "60000@200"};
    const std::vector<std::string> morvane = {MORVANE_EXE, PROTEIN, "-r", "0.01"};
    double centroidSeconds = 0, mergeSeconds = 0;
    for (auto _ : state) {
        centroidSeconds += Seconds([&] {
            if (RunQuietly(batch) != 0) state.SkipWithError("morvane-batch failed");
        });
        mergeSeconds += Seconds([&] {
            if (RunQuietly(morvane) != 0) state.SkipWithError("morvane failed");
        });
    }
    unlink(input);
    state.counters["ratio"] = centroidSeconds / mergeSeconds;
}

// The variants of the protein as the centroids see them: merged at a
// fiftieth of the width at its lightest position (every atom its lightest
// isotope, less the electrons of the charge).
PatternSettings FineVariants(int charge)
{
    PatternSettings s = Settings(charge, false);
    double lightest = 2934 * 12.0 + 4615 * 1.0078250321 + 781 * 14.0030740052 + 897 * 15.9949146221 +
                      39 * 31.97207069 - charge * 0.00054857990943;
    if (charge != 0) lightest /= charge;
    s.merge = Resolution::Power(Analyzer::Orbitrap, 60000, 200).Fwhm(lightest) * FINE_MERGE_FRACTION;
    return s;
}

// The profile's memory beyond the pattern: the peak of a child that
// calculates the protein's variants and their profile at 10 points per
// width, less that of one that only calculates the variants. The goal is
// under 20 MB.
void ProfileMemory(benchmark::State& state)
{
    const int charge = static_cast<int>(state.range(0));
    const PatternSettings fine = FineVariants(charge);
    const Resolution orbitrap = Resolution::Power(Analyzer::Orbitrap, 60000, 200);
    Profile profile;
    for (auto _ : state) {
        const double variantsOnly = ChildPeakMiB([&] { CalculatePattern(Table(), PROTEIN, fine); });
        const double withProfile = ChildPeakMiB([&] {
            std::string reason;
            if (!MakeProfile(CalculatePattern(Table(), PROTEIN, fine).peaks, orbitrap, profile, reason)) std::abort();
        });
        state.counters["profile_MiB"] = withProfile - variantsOnly;
        std::string reason;
        const PatternResult variants = CalculatePattern(Table(), PROTEIN, fine);
        if (!MakeProfile(variants.peaks, orbitrap, profile, reason)) std::abort();
        state.counters["variants"] = static_cast<double>(variants.peaks.size());
    }
    state.counters["points"] = static_cast<double>(profile.x.size());
}

}  // namespace

BENCHMARK(CentroidsOverMerge)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(ProcessesCentroidsOverMerge)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(ProfileMemory)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
