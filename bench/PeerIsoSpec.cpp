#include "PeerIsoSpec.h"

#include <isoSpec++.h>
#include <fixedEnvelopes.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
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

PeerCut ParsePeerCut(const char* text)
{
    const std::string word = text;
    const std::string prefix = "coverage=";
    if (word.rfind(prefix, 0) == 0) return PeerCut{std::strtod(word.c_str() + prefix.size(), nullptr), true};
    return PeerCut{std::strtod(text, nullptr), false};
}

MassProbabilities PeerConfigurations(IsoSpec::Iso&& iso, const PeerCut& cut)
{
    MassProbabilities v;
    if (cut.coverage) {
        const IsoSpec::FixedEnvelope e = IsoSpec::FixedEnvelope::FromTotalProb(std::move(iso), cut.value, true);
        for (std::size_t i = 0; i < e.confs_no(); ++i) v.emplace_back(e.mass(i), e.prob(i));
        return v;
    }
    IsoSpec::IsoThresholdGenerator gen(std::move(iso), cut.value, false);
    while (gen.advanceToNextConfiguration()) v.emplace_back(gen.mass(), gen.prob());
    return v;
}

std::size_t PeerOnce(const char* formula, const PeerCut& cut, double merge, std::size_t& configurations)
{
    MassProbabilities v = PeerConfigurations(IsoSpec::Iso(ExplicitCounts(formula).c_str()), cut);
    configurations = v.size();
    return SortAndMerge(std::move(v), merge).size();
}
