#include "PeerIsoSpec.h"

#include <isoSpec++.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

std::string ExplicitCounts(const char* formula)
{
    std::string out;
    for (const char* p = formula; *p != '\0'; ++p) {
        out += *p;
        const bool symbolEnds = std::isalpha(static_cast<unsigned char>(*p)) &&
                                !std::islower(static_cast<unsigned char>(p[1])) &&
                                !std::isdigit(static_cast<unsigned char>(p[1]));
        if (symbolEnds) out += '1';
    }
    return out;
}

MassProbabilities SortAndMerge(MassProbabilities v, double merge)
{
    std::stable_sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    MassProbabilities peaks;
    double w = 0, a = 0, previous = v.empty() ? 0 : v[0].first;
    for (const auto& c : v) {
        if (c.first - previous > merge) {
            peaks.emplace_back(w / a, a);
            w = a = 0;
        }
        w += c.second * c.first;
        a += c.second;
        previous = c.first;
    }
    if (a > 0) peaks.emplace_back(w / a, a);
    return peaks;
}

std::size_t PeerOnce(const char* formula, double thr, double merge, std::size_t& configurations)
{
    IsoSpec::IsoThresholdGenerator gen(IsoSpec::Iso(ExplicitCounts(formula).c_str()), thr, false);
    MassProbabilities v;
    while (gen.advanceToNextConfiguration()) v.emplace_back(gen.mass(), gen.prob());
    configurations = v.size();
    return SortAndMerge(std::move(v), merge).size();
}
