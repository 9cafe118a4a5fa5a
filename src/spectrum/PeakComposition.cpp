#include "spectrum/PeakComposition.h"

#include <algorithm>
#include <map>
#include <utility>

#include "formula/AtomCounts.h"

#include "spectrum/NominalSpectrum.h"

namespace morvane {

namespace {

// What an entry's atoms are counted as: their element, and the mass number
// of the isotope that goes without saying (-1: none). A table entry is its
// own element, its most abundant isotope understood. An isotope label (the
// entry C[13]) is its element's, and the isotope understood is the
// element's natural most abundant one: the most abundant of the label's
// other isotopes, or for a pure label that of the element's own entry in
// the molecule, if there is one.
struct Reference {
    std::string element;
    long long massNumber = -1;
};

std::vector<Reference> References(const MolEnsemble& ensemble)
{
    const std::size_t n = static_cast<std::size_t>(ensemble.totalnat);
    std::vector<Reference> refs(n);
    std::vector<int> labelNumber(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const AtomIsoAbun& atom = ensemble.atomens[i].atom;
        if (SplitLabelKey(atom.symbol, refs[i].element, labelNumber[i])) continue;
        refs[i].element = atom.symbol;
        refs[i].massNumber = MassNumber(atom.iso[0].mass);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (labelNumber[i] == 0) continue;
        const AtomIsoAbun& atom = ensemble.atomens[i].atom;
        double most = -1;
        for (int j = 0; j < atom.niso; ++j) {
            if (MassNumber(atom.iso[j].mass) == labelNumber[i] || !(atom.iso[j].abundance > most)) continue;
            most = atom.iso[j].abundance;
            refs[i].massNumber = MassNumber(atom.iso[j].mass);
        }
        for (std::size_t k = 0; k < n && most < 0; ++k)
            if (labelNumber[k] == 0 && refs[k].element == refs[i].element) refs[i].massNumber = refs[k].massNumber;
    }
    return refs;
}

// The Hill order of elements: carbon, then hydrogen, then the rest
// alphabetically when the molecule holds carbon; else all alphabetically.
bool HillBefore(const std::string& a, const std::string& b, bool carbon)
{
    const auto rank = [carbon](const std::string& e) { return carbon && e == "C" ? 0 : carbon && e == "H" ? 1 : 2; };
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
}

// Isotopes as chemists write them: for each element the count of atoms of
// each mass number, as mass number, symbol and the count when above 1,
// the elements in the Hill order, an element's isotopes by increasing mass
// number, separated by blanks: "13C 81Br".
std::string IsotopesAsWritten(const std::map<std::string, std::map<long long, long long>>& isotopes, bool carbon)
{
    std::vector<std::string> elements;
    for (const auto& [element, counts] : isotopes) elements.push_back(element);
    std::sort(elements.begin(), elements.end(),
              [carbon](const std::string& a, const std::string& b) { return HillBefore(a, b, carbon); });
    std::string text;
    for (const std::string& element : elements) {
        for (const auto& [massNumber, count] : isotopes.at(element)) {
            if (!text.empty()) text += ' ';
            text += std::to_string(massNumber) + element;
            if (count > 1) text += std::to_string(count);
        }
    }
    return text;
}

}  // namespace

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
    const std::vector<Reference> refs = References(ensemble);
    const bool carbon = std::any_of(refs.begin(), refs.end(), [](const Reference& r) { return r.element == "C"; });
    makeup.assign(peaks.size(), PeakMakeup{});
    for (std::size_t k = 0; k < peaks.size(); ++k) {
        if (best[k] < 0) continue;
        std::map<std::string, std::map<long long, long long>> isotopes;
        for (std::size_t i = 0; i < elements; ++i) {
            const AtomIsoAbun& atom = ensemble.atomens[i].atom;
            const std::vector<int>& counts = lists[i][choice[k * elements + i]]->nat;
            for (std::size_t j = 0; j < counts.size(); ++j) {
                const long long massNumber = MassNumber(atom.iso[j].mass);
                if (counts[j] > 0 && massNumber != refs[i].massNumber) isotopes[refs[i].element][massNumber] += counts[j];
            }
        }
        makeup[k].isotopes = IsotopesAsWritten(isotopes, carbon);
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
