#include "spectrum/BinnedSpectrum.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/Cancellation.h"
#include "core/Status.h"
#include "engine/MolEnsemble.h"
#include "spectrum/AddressSpace.h"
#include "spectrum/PeakMerger.h"

namespace morvane {

namespace {

// What phase two keeps of a variant; the charge is the molecule's.
using Slot = HeldVariant;

// Each pass runs the search again, windowed, and holds its variants'
// slots (16 bytes each): passes of PASS_BYTES at most keep the peak memory
// near that of the variants of one pass, as long as that takes no more
// than MAX_PASSES passes; beyond, the passes grow instead (MAX_PASSES of
// them), unless the address-space limit forbids it. Measured on the large
// protein (docs/performance.md): at threshold 1e-3 (658 MB of variants)
// six passes of 110 MB run 2.5 % more instructions than five of 131 MB
// and 9 % more than two of 329 MB, but fault fewer pages: a fifth less
// system time than five, and well under 0.1 s where five went beyond it
// on a loaded machine. At 1e-4 (1.6 GB) eight passes took the same
// processor time as four.
const std::size_t PASS_BYTES = std::size_t(112) << 20;
const std::size_t MAX_PASSES = 8;
// Address space left to everything but the slots: the other threads'
// stacks, the bin tables, the sort buffers, the peaks and their printing.
const std::size_t RESERVE = std::size_t(96) << 20;
// The smallest default pass: below it the searches of the passes cost more
// than the memory saved (under a tighter limit the allocation fails).
const std::size_t MIN_PASS_BYTES = std::size_t(4) << 20;
// Bins are sorted in runs of this many variants at least, taken by the
// threads in turn.
const unsigned long long RUN_VARIANTS = 1 << 16;
// Below these a second thread costs more than it saves.
const long long PARALLEL_VISITS = 1LL << 20;
const unsigned long long PARALLEL_VARIANTS = 1ULL << 18;
// Bins wanted per cut-free visit: a few visits per bin at least.
const long long VISITS_PER_BIN = 16;

using Counts = std::vector<unsigned long long>;

// Below this the slots come from the heap, whose memory a run of molecules
// reuses from one to the next; above it they get a mapping of their own,
// handed back whole when the calculation ends.
const std::size_t MAPPED_BYTES = std::size_t(4) << 20;

// The slots of the passes: one buffer, sized for the largest pass and
// reused by every pass. Large buffers get a mapping of their own, in small
// pages. Huge pages (MADV_HUGEPAGE) spared the scattered writes some TLB
// misses, but where the kernel's THP defrag setting is `madvise` (this
// machine's) each of their faults may compact memory synchronously, and on
// a virtual machine a fresh huge page may first wait for the host to back
// all of it: up to 0.6 s of system time a run on the large protein, where
// small pages cost a steady 0.05 s for its 110 MB (docs/performance.md).
// With `prefault` the pages are faulted in by one call before the fill
// (MADV_POPULATE_WRITE; a kernel without it faults them as they are
// written), which costs less than a fault at each first write; threads
// filling at once rather take their faults side by side.
class SlotBuffer {
public:
    SlotBuffer(std::size_t n, bool prefault) : bytes(std::max<std::size_t>(n, 1) * sizeof(Slot))
    {
        if (bytes < MAPPED_BYTES) {
            heap.reset(new Slot[bytes / sizeof(Slot)]);
            slots = heap.get();
            return;
        }
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_POPULATE_WRITE
        if (prefault) madvise(p, bytes, MADV_POPULATE_WRITE);
#else
        static_cast<void>(prefault);  // pages are faulted in as they are written
#endif
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

// Runs job(0) here and job(1..n-1) on threads of their own, which share
// this thread's cancellation; a job whose thread cannot be started runs
// here after job(0). The first exception of any job (memory running out,
// cancellation) is thrown here once every job has ended, so that no thread
// is left running and none ends the program.
template <class Job>
void RunJobs(unsigned n, const Job& job)
{
    std::exception_ptr failure;
    std::mutex failing;
    auto guarded = [&](unsigned t) {
        try {
            job(t);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failing);
            if (!failure) failure = std::current_exception();
        }
    };
    Cancellation* const cancellation = CurrentCancellation();
    auto startedJob = [&](unsigned t) {
        const CancellationScope scope(cancellation);
        guarded(t);
    };
    std::vector<std::thread> started;
    std::vector<unsigned> here;
    started.reserve(n);
    here.reserve(n);
    for (unsigned t = 1; t < n; ++t) {
        try {
            started.emplace_back(startedJob, t);
        } catch (const std::system_error&) {
            here.push_back(t);
        } catch (const std::bad_alloc&) {
            here.push_back(t);
        }
    }
    guarded(0u);
    for (unsigned t : here) guarded(t);
    for (std::thread& th : started) th.join();
    if (failure) std::rethrow_exception(failure);
}

// Element 0's combinations in groups of consecutive ones. Each group is
// searched by one thread at a time, from the best the single run has at
// its start (StartingBests), so any thread may take any group and still
// find exactly the single run's variants. Each group keeps its own count
// per bin; in a fill pass its variants go to a part of each bin of their
// own, the parts in group order, which puts every bin's variants in the
// order of the single run.
class Groups {
public:
    Groups(const VariantSearch& search, unsigned threads, std::size_t bins, const BinnedSettings& settings)
        : search(search), floor(settings.floor)
    {
        const std::size_t combinations = search.List(0).size();
        std::size_t n = 1;
        if (threads > 1 && search.Elements() > 1) n = std::min<std::size_t>(combinations, GROUPS_PER_THREAD * threads);
        const std::vector<double> all =
            settings.fromTop ? std::vector<double>(combinations + 1, search.TopProbability()) : search.StartingBests();
        for (std::size_t g = 0; g <= n; ++g) {
            first.push_back(g * combinations / n);
            bests.push_back(all[first.back()]);
        }
        parts.assign(n, Counts(bins, 0));
    }

    std::size_t Count() const { return parts.size(); }
    double FinalBest() const { return bests.back(); }
    VariantSearch::State NewState() const { return search.NewState(); }

    // Runs group g's part of the search (s.visits counts it alone), the
    // variants below the floor passed over.
    template <class Sink>
    bool Run(VariantSearch::State& s, std::size_t g, const BinWindow* window, long long limit, Sink& sink) const
    {
        s.best = bests[g];
        s.visits = 0;
        if (floor == 0) return search.Run(s, first[g], first[g + 1], window, limit, sink);
        auto kept = [&](double mass, double probability, const std::uint32_t* cursor, std::uint32_t innermost) {
            return probability < floor || sink(mass, probability, cursor, innermost);
        };
        return search.Run(s, first[g], first[g + 1], window, limit, kept);
    }

    // Per group, its variants per bin; during a pass, for the pass's bins,
    // the next free slot of its part.
    std::vector<Counts> parts;

private:
    // Enough groups that threads taking them in turn finish close together.
    static const unsigned GROUPS_PER_THREAD = 4;
    const VariantSearch& search;
    double floor;
    std::vector<std::size_t> first;  // group g: combinations first[g] to first[g + 1] - 1
    std::vector<double> bests;       // per group, and at the end
};

// Phase one: each group's variants per bin, and the visits. Returns false
// as soon as the visits are known to exceed the bound.
bool CountVariants(const MassBins& bins, unsigned threads, Groups& groups, long long& visits)
{
    std::atomic<std::size_t> next{0};
    std::atomic<long long> total{0};
    std::atomic<bool> failed{false};
    RunJobs(threads, [&](unsigned) {
        VariantSearch::State s = groups.NewState();  // made by the thread: see BinFiller::Run
        for (std::size_t g = next++; g < groups.Count() && !failed; g = next++) {
            Counts& c = groups.parts[g];
            auto count = [&bins, &c](double mass, double, const std::uint32_t*, std::uint32_t) {
                ++c[bins.Index(mass)];
                return true;
            };
            const bool complete = groups.Run(s, g, nullptr, MAX_COMBINATION_VISITS - total.load(), count);
            if ((total += s.visits) > MAX_COMBINATION_VISITS || !complete) failed = true;
        }
    });
    visits = total;
    return !failed;
}

struct Pass {
    std::uint32_t begin, end;  // bins
    unsigned long long size;   // variants
};

// Consecutive runs of bins of at most `slots` variants each (or one bin),
// from the counts: as few as `slots` allows, and even, so that the largest
// pass, which sets the memory, holds little more than its share. Each pass
// but the last closes only when its next bin would take it beyond the share
// plus the largest bin, so it holds more than the share, and the passes are
// no more than the fewest possible (unless `slots` leaves no room for a
// bin beyond the share).
std::vector<Pass> PlanPasses(const Counts& counts, unsigned long long total, unsigned long long slots)
{
    const unsigned long long wanted = std::max<unsigned long long>((total + slots - 1) / slots, 1);
    const unsigned long long largestBin = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
    const unsigned long long most = std::min(slots, (total + wanted - 1) / wanted + largestBin);
    std::vector<Pass> passes;
    for (std::uint32_t b = 0; b < counts.size(); ++b) {
        if (passes.empty() || passes.back().size + counts[b] > most) passes.push_back(Pass{b, b, 0});
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

// Stable sorts of bins by mass, with room kept from one bin to the next.
// A bin's masses are spread over about one sub-bucket per variant by a
// mapping that never decreases with the mass (a counting sort, so equal
// masses stay in order), which leaves every variant in its place but for
// the few that share its sub-bucket: one insertion sort over the whole bin
// then finishes, its moves never crossing a sub-bucket. Sub-buckets too
// long for that are merge-sorted first.
class BinSorter {
public:
    // Sorts a[0..n-1]; returns where the sorted bin is, `a` or room of the
    // sorter's own (valid until the next call).
    const Slot* Sort(Slot* a, std::size_t n)
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
        if (temp.size() < n) {
            temp.resize(n);
            keys.resize(n);
            starts.resize(n + 1);
        }
        if (!(high > low) || !std::isfinite(scale)) {
            MergeSort(a, n, temp.data());
            return a;
        }
        const double last = static_cast<double>(n - 1);
        std::fill(starts.begin(), starts.begin() + static_cast<std::ptrdiff_t>(n) + 1, 0);
        for (std::size_t i = 0; i < n; ++i) {
            keys[i] = static_cast<std::size_t>(std::min((a[i].mass - low) * scale, last));
            ++starts[keys[i] + 1];
        }
        bool longRuns = false;
        for (std::size_t k = 0; k < n; ++k) {
            longRuns |= starts[k + 1] > SHORT_RUN;
            starts[k + 1] += starts[k];
        }
        Slot* sorted = temp.data();
        for (std::size_t i = 0; i < n; ++i) sorted[starts[keys[i]]++] = a[i];
        // starts[k] is now the end of sub-bucket k; a serves as scratch.
        for (std::size_t k = 0, begin = 0; longRuns && k < n; begin = starts[k++])
            if (starts[k] - begin > SHORT_RUN) MergeSort(sorted + begin, starts[k] - begin, a + begin);
        InsertionSort(sorted, n);
        return sorted;
    }

private:
    std::vector<Slot> temp;
    std::vector<std::size_t> keys, starts;
};

// Hands a sorted bin to the merger; division by a charge of 1 is left to
// the compiler, which drops it (x / 1.0 is exactly x).
void MergeBin(const Slot* sorted, std::size_t n, PeakMerger& merger, double z)
{
    if (z == 1.0)
        merger.AddAll(sorted, sorted + n, &Slot::mass, &Slot::probability, 1.0);
    else
        merger.AddAll(sorted, sorted + n, &Slot::mass, &Slot::probability, z);
}

// Phase two's memory and work for one assembly.
class BinFiller {
public:
    BinFiller(const MassBins& bins, const Counts& counts, Groups& groups, unsigned threads,
              unsigned long long passSlots)
        : bins(bins), counts(counts), groups(groups), offset(counts.size() + 1), slots(passSlots, threads == 1),
          sorters(threads)
    {}

    // Fills the pass's bins (the threads taking the groups in turn), then
    // sorts them and merges them in order.
    void Run(const Pass& pass, unsigned threads, PeakMerger& merger, double z)
    {
        offset[pass.begin] = 0;
        for (std::uint32_t b = pass.begin; b < pass.end; ++b) {
            offset[b + 1] = offset[b] + counts[b];
            unsigned long long at = offset[b];
            for (Counts& part : groups.parts) at += std::exchange(part[b], at);
        }
        const BinWindow window{&bins, pass.begin, pass.end};
        std::atomic<std::size_t> next{0};
        RunJobs(threads, [&](unsigned) {
            // The state, written at every visit, made by the thread that
            // uses it: states made side by side shared cache lines, and the
            // threads slowed each other down (the count pass took 0.145 s
            // on two threads instead of 0.105).
            VariantSearch::State s = groups.NewState();
            for (std::size_t g = next++; g < groups.Count(); g = next++) Fill(window, g, s);
        });
        SortAndMerge(pass, threads, merger, z);
    }

private:
    const MassBins& bins;
    const Counts& counts;
    Groups& groups;
    Counts offset;  // per bin: its first slot in the pass
    SlotBuffer slots;
    std::vector<BinSorter> sorters;            // per thread

    // The threads take runs of bins in turn and sort them; the runs are
    // merged in order by whichever thread finds the next one sorted. The
    // thread whose run is next merges each bin as it is sorted, while it
    // is in cache; the others copy sorted bins back into their slots.
    void SortAndMerge(const Pass& pass, unsigned threads, PeakMerger& merger, double z)
    {
        const std::vector<std::uint32_t> runs = Runs(pass);
        const std::size_t n = runs.size() - 1;
        std::unique_ptr<std::atomic<bool>[]> sorted(new std::atomic<bool>[n]());
        std::mutex merging;
        std::size_t merged = 0;  // runs merged, under `merging`
        auto mergeSorted = [&] {
            while (merged < n && sorted[merged].load(std::memory_order_acquire))
                for (std::uint32_t b = runs[merged], e = runs[++merged]; b < e; ++b)
                    MergeBin(&slots[offset[b]], counts[b], merger, z);
        };
        std::atomic<std::size_t> next{0};
        RunJobs(threads, [&](unsigned t) {
            for (std::size_t r = next++; r < n; r = next++) {
                CheckCancellation();
                std::unique_lock<std::mutex> lock(merging, std::try_to_lock);
                if (lock && merged == r) {
                    for (std::uint32_t b = runs[r]; b < runs[r + 1]; ++b)
                        MergeBin(sorters[t].Sort(&slots[offset[b]], counts[b]), counts[b], merger, z);
                    merged = r + 1;
                } else {
                    if (lock) lock.unlock();
                    for (std::uint32_t b = runs[r]; b < runs[r + 1]; ++b) {
                        Slot* bin = &slots[offset[b]];
                        const Slot* done = sorters[t].Sort(bin, counts[b]);
                        if (done != bin) std::copy(done, done + counts[b], bin);
                    }
                    sorted[r].store(true, std::memory_order_release);
                    if (!lock.try_lock()) continue;
                }
                mergeSorted();
            }
        });
        mergeSorted();
    }

    // Bin boundaries of runs of at least RUN_VARIANTS variants (the last may
    // be shorter).
    std::vector<std::uint32_t> Runs(const Pass& pass) const
    {
        std::vector<std::uint32_t> runs(1, pass.begin);
        for (std::uint32_t b = pass.begin; b < pass.end; ++b)
            if (offset[b + 1] - offset[runs.back()] >= RUN_VARIANTS || b + 1 == pass.end) runs.push_back(b + 1);
        return runs;
    }

    // Writes group g's variants in the window into its parts of the bins.
    void Fill(const BinWindow& window, std::size_t g, VariantSearch::State& s)
    {
        Counts& cursor = groups.parts[g];
        auto fill = [&](double mass, double probability, const std::uint32_t*, std::uint32_t) {
            const std::uint32_t b = bins.Index(mass);
            if (window.Holds(b)) slots[cursor[b]++] = Slot{mass, probability};
            return true;
        };
        groups.Run(s, g, &window, LLONG_MAX, fill);
    }
};

// Bytes for one pass: PASS_BYTES, or more when that would take more than
// MAX_PASSES passes (with room for one more bin each, so that whole bins
// fill no more passes); no more than all the variants need, at most half
// of what the address-space limit leaves beyond RESERVE, and at least
// MIN_PASS_BYTES. PlanPasses then evens the passes out.
std::size_t DefaultBudget(unsigned long long variants, unsigned long long largestBin)
{
    const unsigned long long all = variants * sizeof(Slot);
    // Any budget of at least MIN_PASS_BYTES holds such a molecule in one
    // pass: no need to ask the system what is left.
    if (all <= MIN_PASS_BYTES) return MIN_PASS_BYTES;
    const unsigned long long most =
        std::max<unsigned long long>(PASS_BYTES, (all + MAX_PASSES - 1) / MAX_PASSES + largestBin * sizeof(Slot));
    const std::size_t wanted = static_cast<std::size_t>(std::min(most, all));
    const std::size_t left = AddressSpaceLeft();
    const std::size_t room = left > RESERVE ? (left - RESERVE) / 2 : 0;
    return std::max(std::min(wanted, room), MIN_PASS_BYTES);
}

// Room kept from one small assembly to the next on the same thread, so that
// a run of many small molecules allocates nothing per molecule.
struct Scratch {
    std::vector<Slot> slots;
    BinSorter sorter;
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
                  const BinnedSettings& settings, BinnedReport& done)
{
    Scratch& scratch = ThreadScratch();
    std::vector<Slot>& slots = scratch.slots;
    slots.clear();
    VariantSearch::State& s = scratch.state;
    search.Reset(s);
    if (settings.fromTop) s.best = search.TopProbability();
    auto keep = [&slots, &settings](double mass, double probability, const std::uint32_t*, std::uint32_t) {
        if (probability >= settings.floor) slots.push_back(Slot{mass, probability});
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
    MergeHeld(slots, masstocharge, charge, res, spectrum, settings.spans);
    return 0;
}

}  // namespace

void MergeHeld(std::vector<HeldVariant>& variants, bool masstocharge, int charge, double res, BaseSpectrum* spectrum,
               std::vector<PeakSpan>* spans)
{
    if (masstocharge && charge == 0) return;
    const Slot* sorted = ThreadScratch().sorter.Sort(variants.data(), variants.size());
    PeakMerger merger(spectrum, res, spans);
    MergeBin(sorted, variants.size(), merger, masstocharge ? static_cast<double>(charge) : 1.0);
    merger.Finish();
}

int AssembleBinned(const VariantSearch& search, bool masstocharge, int charge, double res, BaseSpectrum* spectrum,
                   const BinnedSettings& settings, BinnedReport* report)
{
    BinnedReport done;
    if (search.Elements() == 0) return CALC_GENERATION_FAILED;
    const long long cutFree = search.CutFreeVisits(LLONG_MAX);
    if (cutFree <= settings.singleRunVisits) {
        const int status = AssembleSmall(search, masstocharge, charge, res, spectrum, settings, done);
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
    if (cutFree >= PARALLEL_VISITS) done.threads = threads;
    Groups groups(search, done.threads, bins.Count(), settings);
    const bool complete = CountVariants(bins, done.threads, groups, done.visits);
    if (report != nullptr) *report = done;
    if (!complete || !(groups.FinalBest() > 0)) return CALC_GENERATION_FAILED;
    Counts counts(bins.Count(), 0);
    for (const Counts& part : groups.parts)
        for (std::size_t b = 0; b < counts.size(); ++b) counts[b] += part[b];
    for (unsigned long long c : counts) done.variants += c;
    done.bins = bins.Count();
    if (masstocharge && charge == 0) {
        if (report != nullptr) *report = done;
        return 0;
    }

    const std::size_t budget = settings.budget != 0
                                   ? settings.budget
                                   : DefaultBudget(done.variants, *std::max_element(counts.begin(), counts.end()));
    const std::vector<Pass> passes =
        PlanPasses(counts, done.variants, std::max<unsigned long long>(budget / sizeof(Slot), 1));
    unsigned long long largest = 0;
    for (const Pass& p : passes) largest = std::max(largest, p.size);
    const unsigned passThreads = largest >= PARALLEL_VARIANTS ? threads : 1;
    BinFiller filler(bins, counts, groups, passThreads, largest);
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
