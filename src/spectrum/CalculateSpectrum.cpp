#include "spectrum/CalculateSpectrum.h"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "core/Status.h"
#include "engine/ElementCache.h"
#include "engine/VariantEstimate.h"
#include "engine/VariantSearch.h"
#include "spectrum/BinnedSpectrum.h"

namespace morvane {

namespace {

// More threads than this gain nothing: the passes' merging is serial.
const unsigned MAX_THREADS = 8;

// The processors this process may run on (taskset, cgroups), or the
// machine's when that cannot be read.
unsigned UsableCores()
{
#ifdef __EMSCRIPTEN__
    return 1;  // WebAssembly without threads: the calling thread is all there is
#else
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
    return std::thread::hardware_concurrency();
#endif
}

BinnedSettings Settings(int threads, std::vector<PeakSpan>* spans)
{
    BinnedSettings settings;
    settings.spans = spans;
    settings.threads = threads > 0 ? static_cast<unsigned>(threads) : std::clamp(UsableCores(), 1u, MAX_THREADS);
    return settings;
}

// The calculation proper: variants, then peaks appended to `peaks`.
int AssemblePeaks(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                  BaseSpectrum& peaks, int threads, std::vector<PeakSpan>* spans)
{
    ensemble.masstocharge = masstocharge ? 1 : 0;
    if (BeyondReach(c, thr)) return CALC_GENERATION_FAILED;
    const int status = ensemble.GenerateElements(c, thr);
    if (status != 0) return status;
    const VariantSearch search(ensemble.atomens, ensemble.totalnat, c.charge, thr);
    return AssembleBinned(search, masstocharge, c.charge, degen, &peaks, Settings(threads, spans));
}

// The same with the element combinations taken from the cache; the work
// bound of the element enumerations is charged as GenerateElements does.
int AssemblePeaks(const MolComposition& c, double thr, bool masstocharge, double degen, ElementCache& cache,
                  BaseSpectrum& peaks, int threads, std::vector<PeakSpan>* spans)
{
    cache.Trim();
    if (BeyondReach(c, thr)) return CALC_GENERATION_FAILED;
    std::vector<const ElementCache::Entries*> lists(static_cast<std::size_t>(std::max(c.totalnat, 0)));
    long long budget = MAX_ELEMENT_STEPS;
    for (std::size_t i = 0; i < lists.size(); ++i) {
        lists[i] = cache.Combinations(c.atom[i], c.nat[i], thr, budget);
        if (lists[i] == nullptr) return CALC_GENERATION_FAILED;
    }
    const VariantSearch search(lists.data(), c.totalnat, c.charge, thr);
    return AssembleBinned(search, masstocharge, c.charge, degen, &peaks, Settings(threads, spans));
}

// Passes the peaks on to `target`, noting whether every position and
// height is finite (a table of huge masses can overflow a sum) and summing
// the heights, so that a failed assembly can take its peaks back without
// holding a copy of them.
class PeakCheck : public BaseSpectrum {
public:
    explicit PeakCheck(BaseSpectrum* target) : target_(target), start_(target->size()) {}
    int size() override { return target_->size() - start_; }
    void resize(int n) override { target_->resize(start_ + n); }
    double intensity(double x) override { return target_->intensity(x); }
    void push_back(isotope& p) override
    {
        finite_ = finite_ && std::isfinite(p.mass) && std::isfinite(p.abundance);
        total_ += p.abundance;
        target_->push_back(p);
    }
    bool AllFinite() const { return finite_; }
    double Total() const { return total_; }

private:
    BaseSpectrum* target_;
    int start_;
    bool finite_ = true;
    double total_ = 0;
};

// The probability of all the molecule's variants together: per element the
// sum of its isotopes' abundances to the power of its atom count (1 for a
// table whose abundances sum to 1), multiplied over the elements.
double AllVariantsProbability(const MolComposition& c)
{
    double product = 1.0;
    for (int i = 0; i < c.totalnat; ++i) {
        double sum = 0.0;
        for (int j = 0; j < c.atom[i].niso; ++j) sum += c.atom[i].iso[j].abundance;
        product *= std::pow(sum, c.nat[i]);
    }
    return product;
}

}  // namespace

bool BelievableTotal(const MolComposition& c, double total)
{
    return total <= AllVariantsProbability(c) * (1 + 1e-6);
}

namespace {

// Runs assemble(peaks) on a check of the peaks appended to `spectrum`, and
// takes them back (and their spans) unless it succeeded with finite peaks
// of a believable total only.
template <class Assemble>
int Checked(const MolComposition& c, BaseSpectrum* spectrum, std::vector<PeakSpan>* spans, const Assemble& assemble)
{
    PeakCheck peaks(spectrum);
    const std::size_t spansBefore = spans != nullptr ? spans->size() : 0;
    const int status = assemble(peaks);
    if (status == 0 && peaks.AllFinite() && BelievableTotal(c, peaks.Total())) return 0;
    peaks.resize(0);
    if (spans != nullptr) spans->resize(spansBefore);
    return status != 0 ? status : CALC_GENERATION_FAILED;
}

}  // namespace

int CalculateSpectrum(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                      BaseSpectrum* spectrum, int threads, std::vector<PeakSpan>* spans)
{
    return Checked(c, spectrum, spans, [&](BaseSpectrum& peaks) {
        return AssemblePeaks(c, thr, masstocharge, degen, ensemble, peaks, threads, spans);
    });
}

int CalculateSpectrum(const MolComposition& c, const CoverageCut& cut, const MolEnsemble& ensemble,
                      std::vector<HeldVariant>& kept, bool masstocharge, double degen, BaseSpectrum* spectrum,
                      int threads, std::vector<PeakSpan>* spans)
{
    return Checked(c, spectrum, spans, [&](BaseSpectrum& peaks) {
        if (!kept.empty()) {
            MergeHeld(kept, masstocharge, c.charge, degen, &peaks, spans);
            return 0;
        }
        const VariantSearch search(ensemble.atomens, ensemble.totalnat, c.charge, cut.thr);
        BinnedSettings settings = Settings(threads, spans);
        settings.fromTop = true;
        settings.floor = cut.floor;
        return AssembleBinned(search, masstocharge, c.charge, degen, &peaks, settings);
    });
}

int CalculateSpectrum(const MolComposition& c, double thr, bool masstocharge, double degen, ElementCache& cache,
                      BaseSpectrum* spectrum, int threads, std::vector<PeakSpan>* spans)
{
    return Checked(c, spectrum, spans, [&](BaseSpectrum& peaks) {
        return AssemblePeaks(c, thr, masstocharge, degen, cache, peaks, threads, spans);
    });
}

}  // namespace morvane
