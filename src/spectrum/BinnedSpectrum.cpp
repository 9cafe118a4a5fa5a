#include "spectrum/BinnedSpectrum.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "core/Status.h"
#include "engine/MolEnsemble.h"
#include "spectrum/AddressSpace.h"
#include "spectrum/PeakMerger.h"

namespace morvane {

namespace {

// What phase two keeps of a variant; the charge is the molecule's.
struct Slot {
    double mass;
    double probability;
};

// Measured on the large protein (docs/performance.md): at threshold 1e-3
// passes of 128 to 256 MB (3 to 5 passes) were as fast as any, smaller ones
// slower, since each pass runs the search again; for more than MAX_PASSES
// passes they grow instead (at 1e-6: 5 passes of up to 1.5 GB), unless the
// address-space limit forbids it.
const std::size_t PASS_BYTES = std::size_t(256) << 20;
const std::size_t MAX_PASSES = 4;
// Address space left to everything but the slots: the other threads'
// stacks, the bin tables, the sort buffers, the peaks and their printing.
const std::size_t RESERVE = std::size_t(96) << 20;
// The smallest default pass: below it the searches of the passes cost more
// than the memory saved (under a tighter limit the allocation fails).
const std::size_t MIN_PASS_BYTES = std::size_t(4) << 20;
// Below these a second thread costs more than it saves.
const long long PARALLEL_VISITS = 1LL << 20;
const unsigned long long PARALLEL_VARIANTS = 1ULL << 18;
// Bins wanted per cut-free visit: a few visits per bin at least.
const long long VISITS_PER_BIN = 16;

using Counts = std::vector<unsigned long long>;

// Below this a pass's slots come from the heap: a mapping of its own, its
// page faults and its release cost more than the TLB misses they save.
const std::size_t MAPPED_BYTES = std::size_t(4) << 20;

// The slots of a pass. Large passes get memory of their own, asked for in
// huge pages: the variants are written all over it, and with small pages
// nearly every write would miss the TLB.
class SlotBuffer {
public:
    explicit SlotBuffer(std::size_t n) : bytes(std::max<std::size_t>(n, 1) * sizeof(Slot))
    {
        if (bytes < MAPPED_BYTES) {
            heap.reset(new Slot[bytes / sizeof(Slot)]);
            slots = heap.get();
            return;
        }
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        madvise(p, bytes, MADV_HUGEPAGE);
        slots = static_cast<Slot*>(p);
    }
    ~SlotBuffer()
    {
        if (!heap) munmap(slots, bytes);
    }
    SlotBuffer(const SlotBuffer&) = delete;
    SlotBuffer& operator=(const SlotBuffer&) = delete;
    Slot& operator[](std::size_t i) { return slots[i]; }

private:
    std::size_t bytes;
    std::unique_ptr<Slot[]> heap;
    Slot* slots;
};

// Runs job(0) here and job(1..n-1) on threads of their own; a job whose
// thread cannot be started runs here after job(0).
template <class Job>
void RunJobs(unsigned n, const Job& job)
{
    std::vector<std::thread> started;
    std::vector<unsigned> here;
    started.reserve(n);
    for (unsigned t = 1; t < n; ++t) {
        try {
            started.emplace_back(job, t);
        } catch (const std::system_error&) {
            here.push_back(t);
        }
    }
    job(0u);
    for (unsigned t : here) job(t);
    for (std::thread& th : started) th.join();
}

// Phase one: the variants per bin, the visits and the final best. Returns
// false as soon as the visits are known to exceed the bound.
bool CountVariants(const VariantSearch& search, const MassBins& bins, unsigned threads, Counts& counts,
                   long long& visits, double& best)
{
    const std::size_t first = search.List(0).size();
    auto counter = [&bins](Counts& c) {
        return [&bins, &c](double mass, double, const std::uint32_t*, std::uint32_t) {
            ++c[bins.Index(mass)];
            return true;
        };
    };
    if (threads < 2 || search.Elements() < 2 || first < 2) {
        VariantSearch::State s = search.NewState();
        auto count = counter(counts);
        const bool complete = search.Run(s, 0, first, nullptr, MAX_COMBINATION_VISITS, count);
        visits = s.visits;
        best = s.best;
        return complete;
    }
    // Each thread takes element 0's combinations one at a time, starting
    // from the best the single-threaded run has there; counts add up in
    // any order.
    const std::vector<double> bests = search.StartingBests();
    std::vector<VariantSearch::State> states(threads, search.NewState());
    std::vector<Counts> partial(threads - 1, Counts(counts.size(), 0));
    std::atomic<std::size_t> next{0};
    std::atomic<long long> total{0};
    std::atomic<bool> failed{false};
    RunJobs(threads, [&](unsigned t) {
        VariantSearch::State& s = states[t];
        auto count = counter(t == 0 ? counts : partial[t - 1]);
        for (std::size_t k = next++; k < first && !failed; k = next++) {
            s.best = bests[k];
            s.visits = 0;
            const bool complete = search.Run(s, k, k + 1, nullptr, MAX_COMBINATION_VISITS - total.load(), count);
            if ((total += s.visits) > MAX_COMBINATION_VISITS || !complete) failed = true;
        }
    });
    for (const Counts& p : partial)
        for (std::size_t b = 0; b < counts.size(); ++b) counts[b] += p[b];
    visits = total;
    best = bests.back();
    return !failed;
}

struct Pass {
    std::uint32_t begin, end;  // bins
    unsigned long long size;   // variants
};

// Consecutive runs of bins of at most `slots` variants (or one bin).
std::vector<Pass> PlanPasses(const Counts& counts, unsigned long long slots)
{
    std::vector<Pass> passes;
    for (std::uint32_t b = 0; b < counts.size(); ++b) {
        if (passes.empty() || passes.back().size + counts[b] > slots) passes.push_back(Pass{b, b, 0});
        passes.back().end = b + 1;
        passes.back().size += counts[b];
    }
    return passes;
}

const std::size_t SHORT_RUN = 16;

bool ByMass(const Slot& a, const Slot& b) { return a.mass < b.mass; }

void InsertionSort(Slot* a, std::size_t n)
{
    for (std::size_t i = 1; i < n; ++i) {
        const Slot v = a[i];
        std::size_t j = i;
        for (; j > 0 && ByMass(v, a[j - 1]); --j) a[j] = a[j - 1];
        a[j] = v;
    }
}

// Stable merge sort: insertion sort of short runs, then merges between a
// and `temp` (room for n).
void MergeSort(Slot* a, std::size_t n, Slot* temp)
{
    for (std::size_t lo = 0; lo < n; lo += SHORT_RUN) InsertionSort(a + lo, std::min(SHORT_RUN, n - lo));
    Slot* from = a;
    Slot* to = temp;
    for (std::size_t width = SHORT_RUN; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            std::merge(from + lo, from + mid, from + mid, from + hi, to + lo, ByMass);
        }
        std::swap(from, to);
    }
    if (from != a) std::copy(from, from + n, a);
}

// Stable sort of one bin by mass; returns where the sorted bin is, `a` or
// `temp` (room for n). The bin's masses are spread over about one
// sub-bucket per variant by a mapping that never decreases with the mass
// (a counting sort into `temp`, so equal masses stay in order); each
// sub-bucket is then sorted on its own. `starts` has room for n + 1.
const Slot* SortBin(Slot* a, std::size_t n, Slot* temp, std::size_t* starts)
{
    if (n <= SHORT_RUN) {
        InsertionSort(a, n);
        return a;
    }
    double low = a[0].mass, high = a[0].mass;
    for (std::size_t i = 1; i < n; ++i) {
        low = std::min(low, a[i].mass);
        high = std::max(high, a[i].mass);
    }
    const double scale = static_cast<double>(n) / (high - low);
    if (!(high > low) || !std::isfinite(scale)) {
        MergeSort(a, n, temp);
        return a;
    }
    auto key = [&](double mass) {
        const double t = (mass - low) * scale;
        return t < static_cast<double>(n) ? static_cast<std::size_t>(t) : n - 1;
    };
    std::fill(starts, starts + n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++starts[key(a[i].mass) + 1];
    for (std::size_t k = 0; k < n; ++k) starts[k + 1] += starts[k];
    for (std::size_t i = 0; i < n; ++i) temp[starts[key(a[i].mass)]++] = a[i];
    // starts[k] is now the end of sub-bucket k; a serves as scratch.
    for (std::size_t k = 0, begin = 0; k < n; begin = starts[k++]) {
        const std::size_t size = starts[k] - begin;
        if (size <= SHORT_RUN) InsertionSort(temp + begin, size);
        else MergeSort(temp + begin, size, a + begin);
    }
    return temp;
}

// Hands a sorted bin to the merger; division by a charge of 1 is left to
// the compiler, which drops it (x / 1.0 is exactly x).
void MergeBin(const Slot* sorted, std::size_t n, PeakMerger& merger, double z)
{
    if (z == 1.0)
        for (std::size_t i = 0; i < n; ++i) merger.Add(sorted[i].mass, sorted[i].probability, 1.0);
    else
        for (std::size_t i = 0; i < n; ++i) merger.Add(sorted[i].mass, sorted[i].probability, z);
}

// Phase two's memory and work for one assembly.
class BinFiller {
public:
    BinFiller(const VariantSearch& search, const MassBins& bins, const Counts& counts, unsigned threads,
              unsigned long long passSlots)
        : search(search), bins(bins), counts(counts), offset(counts.size() + 1), next(counts.size()),
          slots(passSlots)
    {
        const unsigned long long largest = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
        for (unsigned t = 0; t < threads; ++t) {
            temps.emplace_back(new Slot[largest]);
            starts.emplace_back(new std::size_t[largest + 1]);
            states.push_back(search.NewState());
        }
    }

    // Fills the pass's bins, sorts them and merges them in order.
    void Run(const Pass& pass, unsigned threads, PeakMerger& merger, double z)
    {
        offset[pass.begin] = 0;
        for (std::uint32_t b = pass.begin; b < pass.end; ++b) {
            next[b] = offset[b];
            offset[b + 1] = offset[b] + counts[b];
        }
        std::vector<std::uint32_t> split = Split(pass, threads);
        RunJobs(threads, [&](unsigned t) {
            const BinWindow window{&bins, split[t], split[t + 1]};
            if (window.begin == window.end) return;
            Fill(window, states[t]);
            for (std::uint32_t b = window.begin; b < window.end; ++b) {
                Slot* bin = &slots[offset[b]];
                const Slot* sorted = SortBin(bin, counts[b], temps[t].get(), starts[t].get());
                if (t == 0) MergeBin(sorted, counts[b], merger, z);  // while it is in cache
                else if (sorted != bin) std::copy(sorted, sorted + counts[b], bin);
            }
        });
        for (std::uint32_t b = split[1]; b < pass.end; ++b) MergeBin(&slots[offset[b]], counts[b], merger, z);
    }

private:
    const VariantSearch& search;
    const MassBins& bins;
    const Counts& counts;
    Counts offset, next;  // per bin: first slot in the pass, next free slot
    SlotBuffer slots;
    std::vector<std::unique_ptr<Slot[]>> temps;           // per thread
    std::vector<std::unique_ptr<std::size_t[]>> starts;  // per thread
    std::vector<VariantSearch::State> states;    // per thread

    // Bin boundaries giving each thread about the same number of variants.
    std::vector<std::uint32_t> Split(const Pass& pass, unsigned threads) const
    {
        std::vector<std::uint32_t> split(1, pass.begin);
        std::uint32_t b = pass.begin;
        for (unsigned t = 1; t < threads; ++t) {
            while (b < pass.end && offset[b] * threads < pass.size * t) ++b;
            split.push_back(b);
        }
        split.push_back(pass.end);
        return split;
    }

    void Fill(const BinWindow& window, VariantSearch::State& s)
    {
        auto fill = [&](double mass, double probability, const std::uint32_t*, std::uint32_t) {
            const std::uint32_t b = bins.Index(mass);
            if (window.Holds(b)) slots[next[b]++] = Slot{mass, probability};
            return true;
        };
        s.best = 0;
        s.visits = 0;
        search.Run(s, 0, search.List(0).size(), &window, LLONG_MAX, fill);
    }
};

// Bytes for one pass: enough for MAX_PASSES passes or PASS_BYTES, whichever
// is more, then evened out over the passes that takes (each with room for
// one more bin, so that whole bins fill no more passes), so that no pass
// takes more than it needs; but at most half of what the address-space
// limit leaves beyond RESERVE, and at least MIN_PASS_BYTES.
std::size_t DefaultBudget(unsigned long long variants, unsigned long long largestBin)
{
    const unsigned long long all = variants * sizeof(Slot);
    // Any budget of at least MIN_PASS_BYTES holds such a molecule in one
    // pass: no need to ask the system what is left.
    if (all <= MIN_PASS_BYTES) return MIN_PASS_BYTES;
    const unsigned long long most = std::max<unsigned long long>(PASS_BYTES, all / MAX_PASSES);
    const unsigned long long passes = (all + most - 1) / most;
    const unsigned long long even = (all + passes - 1) / passes + largestBin * sizeof(Slot);
    const std::size_t wanted = static_cast<std::size_t>(std::min(even, all));
    const std::size_t left = AddressSpaceLeft();
    const std::size_t room = left > RESERVE ? (left - RESERVE) / 2 : 0;
    return std::max(std::min(wanted, room), MIN_PASS_BYTES);
}

// Room kept from one small assembly to the next on the same thread, so that
// a run of many small molecules allocates nothing per molecule.
struct Scratch {
    std::vector<Slot> slots, temp;
    std::vector<std::size_t> starts;
    VariantSearch::State state;
};

Scratch& ThreadScratch()
{
    thread_local Scratch scratch;
    return scratch;
}

// One run of the search, every variant kept in generation order, then one
// stable sort by mass and the merge: the bins' result with one bin.
int AssembleSmall(const VariantSearch& search, bool masstocharge, int charge, double res, BaseSpectrum* spectrum,
                  std::vector<PeakSpan>* spans, BinnedReport& done)
{
    Scratch& scratch = ThreadScratch();
    std::vector<Slot>& slots = scratch.slots;
    slots.clear();
    VariantSearch::State& s = scratch.state;
    search.Reset(s);
    auto keep = [&slots](double mass, double probability, const std::uint32_t*, std::uint32_t) {
        slots.push_back(Slot{mass, probability});
        return true;
    };
    const bool complete = search.Run(s, 0, search.List(0).size(), nullptr, MAX_COMBINATION_VISITS, keep);
    done.visits = s.visits;
    if (!complete || !(s.best > 0)) return CALC_GENERATION_FAILED;
    const std::size_t n = slots.size();
    done.variants = n;
    done.bins = 1;
    done.passes = 1;
    done.slotBytes = n * sizeof(Slot);
    if (masstocharge && charge == 0) return 0;
    if (scratch.temp.size() < n) {
        scratch.temp.resize(n);
        scratch.starts.resize(n + 1);
    }
    const Slot* sorted = SortBin(slots.data(), n, scratch.temp.data(), scratch.starts.data());
    PeakMerger merger(spectrum, res, spans);
    MergeBin(sorted, n, merger, masstocharge ? static_cast<double>(charge) : 1.0);
    merger.Finish();
    return 0;
}

}  // namespace

int AssembleBinned(const VariantSearch& search, bool masstocharge, int charge, double res, BaseSpectrum* spectrum,
                   const BinnedSettings& settings, BinnedReport* report)
{
    BinnedReport done;
    if (search.Elements() == 0) return CALC_GENERATION_FAILED;
    const long long cutFree = search.CutFreeVisits(LLONG_MAX);
    if (cutFree <= settings.singleRunVisits) {
        const int status = AssembleSmall(search, masstocharge, charge, res, spectrum, settings.spans, done);
        if (report != nullptr) *report = done;
        return status;
    }
    const unsigned threads = std::max(settings.threads, 1u);
    const MassBins bins(search.LowestMass(), search.HighestMass(),
                        static_cast<std::uint32_t>(std::clamp<long long>(cutFree / VISITS_PER_BIN, 1, settings.bins)));
    if (search.CutsNothing() && cutFree > MAX_COMBINATION_VISITS) {
        done.visits = cutFree;
        if (report != nullptr) *report = done;
        return CALC_GENERATION_FAILED;
    }
    Counts counts(bins.Count(), 0);
    double best = 0;
    if (cutFree >= PARALLEL_VISITS) done.threads = threads;
    const bool complete = CountVariants(search, bins, done.threads, counts, done.visits, best);
    if (report != nullptr) *report = done;
    if (!complete || !(best > 0)) return CALC_GENERATION_FAILED;
    for (unsigned long long c : counts) done.variants += c;
    done.bins = bins.Count();
    if (masstocharge && charge == 0) {
        if (report != nullptr) *report = done;
        return 0;
    }

    const std::size_t budget = settings.budget != 0
                                   ? settings.budget
                                   : DefaultBudget(done.variants, *std::max_element(counts.begin(), counts.end()));
    const std::vector<Pass> passes = PlanPasses(counts, std::max<unsigned long long>(budget / sizeof(Slot), 1));
    unsigned long long largest = 0;
    for (const Pass& p : passes) largest = std::max(largest, p.size);
    const unsigned passThreads = largest >= PARALLEL_VARIANTS ? threads : 1;
    BinFiller filler(search, bins, counts, passThreads, largest);
    PeakMerger merger(spectrum, res, settings.spans);
    const double z = masstocharge ? static_cast<double>(charge) : 1.0;
    for (const Pass& p : passes) {
        const unsigned t = p.size >= PARALLEL_VARIANTS ? passThreads : 1;
        filler.Run(p, t, merger, z);
        done.threads = std::max(done.threads, t);
    }
    merger.Finish();
    done.passes = static_cast<unsigned>(passes.size());
    done.slotBytes = static_cast<std::size_t>(largest) * sizeof(Slot);
    if (report != nullptr) *report = done;
    return 0;
}

}  // namespace morvane
