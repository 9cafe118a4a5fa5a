#ifndef MORVANE_ENGINE_KEPTVARIANTS_H
#define MORVANE_ENGINE_KEPTVARIANTS_H

#include <cstdint>

#include "MolEnsemble.h"
#include "VariantSearch.h"

namespace morvane {

// The variants a pattern kept, to be gone through again, in generation
// order and with the same masses and probabilities: those of the search at
// a threshold relative to the best so far (the usual calculation), or,
// from the top, every variant of probability at least `floor` (the
// coverage target, whose search cuts at a fixed probability).
class KeptVariants {
public:
    // The elements are those of `ensemble`, which must outlive this.
    KeptVariants(const MolEnsemble& ensemble, int charge, double thr, bool fromTop = false, double floor = 0)
        : search(ensemble.atomens, ensemble.totalnat, charge, thr), fromTop(fromTop), floor(floor)
    {}

    const VariantSearch& Search() const { return search; }

    // Calls sink(mass, probability, cursor, innermost) for each kept
    // variant (VariantSearch::Run). Returns false when the visits exceed
    // `limit` or the sink returns false.
    template <class Sink>
    bool ForEach(Sink& sink, long long limit = MAX_COMBINATION_VISITS) const
    {
        VariantSearch::State s = search.NewState();
        s.best = fromTop ? search.TopProbability() : 0;
        auto kept = [&](double mass, double probability, const std::uint32_t* cursor, std::uint32_t innermost) {
            return probability < floor || sink(mass, probability, cursor, innermost);
        };
        return search.Run(s, 0, search.List(0).size(), nullptr, limit, kept);
    }

private:
    VariantSearch search;
    bool fromTop;
    double floor;
};

}  // namespace morvane

#endif
