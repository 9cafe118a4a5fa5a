#include "engine/ElementCache.h"

#include <cstring>
#include <functional>

#include "engine/AtomEnsemble.h"
#include "engine/MolEnsemble.h"

namespace morvane {

bool ElementCache::Key::operator==(const Key& k) const
{
    return std::memcmp(symbol, k.symbol, sizeof symbol) == 0 && n == k.n && thr == k.thr;
}

std::size_t ElementCache::KeyHash::operator()(const Key& k) const
{
    std::size_t h = std::hash<int>()(k.n);
    for (char c : k.symbol) h = h * 131 + static_cast<unsigned char>(c);
    return h ^ std::hash<double>()(k.thr);
}

// Bit for bit: the same entries give the same combinations.
bool ElementCache::SameIsotopes(const List& list, const AtomIsoAbun& element)
{
    return list.isotopes.size() == static_cast<std::size_t>(element.niso) &&
           (element.niso == 0 || std::memcmp(list.isotopes.data(), element.iso, element.niso * sizeof(isotope)) == 0);
}

const ElementCache::Entries* ElementCache::Combinations(const AtomIsoAbun& element, int n, double thr,
                                                         long long& budget)
{
    Key key{{}, n, thr};
    for (std::size_t i = 0; i + 1 < sizeof key.symbol && element.symbol[i] != '\0'; ++i) key.symbol[i] = element.symbol[i];
    List& list = lists[key];
    if (!list.made || !SameIsotopes(list, element)) {
        // The enumeration spends the same units whatever budget it starts
        // with, as long as it lasts: run it with all of it, and charge them.
        AtomIsoAbun record(element);
        AtomEnsemble ensemble(record);
        long long left = MAX_ELEMENT_STEPS;
        const bool enumerated = ensemble.EnumerateCombinations(n, thr, left);
        held -= list.entries.size();
        if (!enumerated) {
            lists.erase(key);
            return nullptr;
        }
        list.isotopes.assign(element.iso, element.iso + element.niso);
        list.entries.clear();
        for (const AtomDistribution& d : ensemble.dist) list.entries.push_back(VariantSearch::Entry{d.mass, d.abundance});
        list.cost = MAX_ELEMENT_STEPS - left;
        list.made = true;
        held += list.entries.size();
    }
    budget -= list.cost;
    return budget < 0 ? nullptr : &list.entries;
}

void ElementCache::Trim()
{
    if (held <= MAX_HELD) return;
    lists.clear();
    held = 0;
}

}  // namespace morvane
