#include "spectrum/CalculateSpectrum.h"

#include <sched.h>

#include <algorithm>
#include <thread>

#include "engine/VariantSearch.h"
#include "spectrum/BinnedSpectrum.h"

namespace {

// More threads than this gain nothing: the passes' merging is serial.
const unsigned MAX_THREADS = 8;

// The processors this process may run on (taskset, cgroups), or the
// machine's when that cannot be read.
unsigned UsableCores()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
    return std::thread::hardware_concurrency();
}

}  // namespace

int CalculateSpectrum(MolComposition& c, double thr, bool masstocharge, double degen, MolEnsemble& ensemble,
                      BaseSpectrum* spectrum, int threads)
{
    ensemble.masstocharge = masstocharge ? 1 : 0;
    const int status = ensemble.GenerateElements(c, thr);
    if (status != 0) return status;
    BinnedSettings settings;
    settings.threads = threads > 0 ? static_cast<unsigned>(threads)
                                   : std::clamp(UsableCores(), 1u, MAX_THREADS);
    const VariantSearch search(ensemble.atomens, ensemble.totalnat, c.charge, thr);
    return AssembleBinned(search, masstocharge, c.charge, degen, spectrum, settings);
}
