#include "spectrum/PeakComposition.h"

#include <algorithm>
#include <utility>

#include "spectrum/NominalSpectrum.h"

namespace morvane {

std::string MinorIsotopes(const AtomIsoAbun& atom, const std::vector<int>& counts)
{
    std::vector<std::pair<long long, int>> minor;
    for (std::size_t j = 1; j < counts.size(); ++j)
        if (counts[j] > 0) minor.emplace_back(MassNumber(atom.iso[j].mass), counts[j]);
    std::sort(minor.begin(), minor.end());
    std::string text;
    for (const auto& [number, count] : minor) {
        if (!text.empty()) text += ' ';
        text += std::to_string(number) + atom.symbol;
        if (count > 1) text += std::to_string(count);
    }
    return text;
}

bool ComposePeaks(const KeptVariants& variants, const MolEnsemble& ensemble, const std::vector<isotope>& peaks,
                  const PeakOf& peakOf, std::vector<PeakMakeup>& makeup)
{
    const std::size_t elements = static_cast<std::size_t>(ensemble.totalnat);
    const std::vector<std::vector<long long>> neutrons = ExtraNeutrons(ensemble);
    std::vector<double> best(peaks.size(), -1);
    std::vector<std::uint32_t> choice(peaks.size() * elements, 0);
    auto look = [&](double mass, double probability, const std::uint32_t* cursor, std::uint32_t innermost) {
        const long long k = peakOf(mass, VariantNeutrons(neutrons, cursor, innermost));
        if (k < 0 || static_cast<std::size_t>(k) >= peaks.size()) return true;
        const std::size_t peak = static_cast<std::size_t>(k);
        if (probability > best[peak]) {
            best[peak] = probability;
            std::copy(cursor, cursor + elements - 1, &choice[peak * elements]);
            choice[peak * elements + elements - 1] = innermost;
        }
        return true;
    };
    if (!variants.ForEach(look)) return false;
    std::vector<std::vector<const AtomDistribution*>> lists(elements);
    for (std::size_t i = 0; i < elements; ++i)
        for (const AtomDistribution& d : ensemble.atomens[i].dist) lists[i].push_back(&d);
    makeup.assign(peaks.size(), PeakMakeup{});
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        if (best[k] < 0) continue;
        for (std::size_t i = 0; i < elements; ++i) {
            const std::string minor = MinorIsotopes(ensemble.atomens[i].atom, lists[i][choice[k * elements + i]]->nat);
            if (minor.empty()) continue;
            if (!makeup[k].isotopes.empty()) makeup[k].isotopes += ' ';
            makeup[k].isotopes += minor;
        }
        makeup[k].share = best[k] / peaks[k].abundance;
    }
    return true;
}

SpanIndex::SpanIndex(const std::vector<PeakSpan>& spans)
    : descending(spans.size() > 1 && spans[1].first < spans[0].first), count(spans.size())
{
    for (std::size_t k = 0; k < count; ++k) {
        const PeakSpan& s = spans[descending ? count - 1 - k : k];
        lows.push_back(std::min(s.first, s.last));
        highs.push_back(std::max(s.first, s.last));
    }
}

long long SpanIndex::Find(double position) const
{
    const std::size_t after =
        static_cast<std::size_t>(std::upper_bound(lows.begin(), lows.end(), position) - lows.begin());
    if (after == 0 || !(position <= highs[after - 1])) return -1;
    const std::size_t k = after - 1;
    return static_cast<long long>(descending ? count - 1 - k : k);
}

}  // namespace morvane
