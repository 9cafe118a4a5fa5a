// The coverage target against the IsoSpec library's total-probability mode
// on the same isotope table: the same number of variants (up to ties at the
// boundary) and the same total probability, on 120 formulas from small
// molecules with halogens and metals to proteins.
#include <gtest/gtest.h>
#include <isoSpec++.h>
#include <fixedEnvelopes.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "formula/FormulaParser.h"
#include "support/CoverageSet.h"
#include "support/PeerIso.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// IsoSpec's smallest set reaching `target`, on the composition's isotopes.
IsoSpec::FixedEnvelope Peer(const MolComposition& c, double target)
{
    IsoSpec::Iso iso = PeerIso(c);
    return IsoSpec::FixedEnvelope::FromTotalProb(std::move(iso), target, true);
}

// Peptide-like formulas of 5 to 600 carbons, one in four with a halogen, a
// metal or selenium, from a fixed pseudo-random sequence.
std::vector<std::string> Formulas()
{
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    };
    const char* extras[] = {"Cl", "Br", "Fe", "Se", "Zn", "Cl3", "Br2", "Cu"};
    std::vector<std::string> formulas;
    for (int k = 0; k < 120; ++k) {
        const std::uint32_t carbons = 5 + next(k < 100 ? 120 : 600);
        std::string f = "C" + std::to_string(carbons) + "H" + std::to_string(carbons + next(carbons + 10) + 2) + "N" +
                        std::to_string(1 + next(carbons / 3 + 1)) + "O" + std::to_string(1 + next(carbons / 3 + 2));
        if (next(3) == 0) f += "S" + std::to_string(1 + next(4));
        if (k % 4 == 0) f += extras[next(8)];
        formulas.push_back(f);
    }
    return formulas;
}

TEST(CoverageAgainstIsoSpec, SameSetSizeAndTotal)
{
    std::deque<AtomIsoAbun> table;
    std::string reason;
    ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    const double targets[] = {0.5, 0.9, 0.99, 0.999, 0.9999};
    int k = 0;
    for (const std::string& formula : Formulas()) {
        const double target = targets[k++ % 5];
        MolComposition c;
        ASSERT_EQ(ParseFormula(formula, table, c), 0) << formula;
        std::vector<double> ours;
        ASSERT_EQ(CoverageProbabilities(c, target, ours, reason), 0) << formula << ": " << reason;
        std::sort(ours.begin(), ours.end(), std::greater<double>());
        IsoSpec::FixedEnvelope peer = Peer(c, target);
        const std::size_t theirs = peer.confs_no();
        // Ties: variants of equal probability in exact arithmetic, which
        // the two calculations round differently.
        const double last = ours.back();
        const auto strictlyAbove = std::count_if(ours.begin(), ours.end(), [&](double p) { return p > last * (1 + 1e-9); });
        EXPECT_LE(static_cast<std::size_t>(strictlyAbove), theirs) << formula << " at " << target;
        EXPECT_GE(ours.size(), theirs) << formula << " at " << target;
        double ourTotal = 0, peerTotal = 0;
        for (std::size_t i = 0; i < std::min(theirs, ours.size()); ++i) ourTotal += ours[i];
        for (std::size_t i = 0; i < theirs; ++i) peerTotal += peer.prob(i);
        EXPECT_NEAR(ourTotal, peerTotal, 1e-12) << formula << " at " << target;
    }
}

}  // namespace
