// Molecules whose lightest combination lies far below the double range
// (0.801^5000 for boron is about 10^-482, 0.9893^100000 for carbon about
// 10^-467) against the IsoSpec library at the same relative threshold. The
// search keeps every variant above thr times the best found so far, so it
// keeps at least IsoSpec's set (those above thr times the final best): as
// many variants or more, and at least their total probability.
#include <gtest/gtest.h>
#include <isoSpec++.h>
#include <fixedEnvelopes.h>

#include <deque>
#include <string>

#include "calc/Pattern.h"
#include "formula/FormulaParser.h"
#include "support/PeerIso.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

TEST(StartUnderflow, AtLeastIsoSpecsThresholdTotals)
{
    std::deque<AtomIsoAbun> table;
    std::string reason;
    ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    PatternSettings merged;
    merged.merge = 0;  // one peak per distinct mass: comparable with the configurations
    for (const char* formula : {"B5000", "Cl5000", "Ga5000", "C100000", "C70000H140000", "Br1100"}) {
        MolComposition c;
        ASSERT_EQ(ParseFormula(formula, table, c), 0) << formula;
        IsoSpec::FixedEnvelope peer = IsoSpec::FixedEnvelope::FromThreshold(PeerIso(c), 1e-3, false);
        const PatternResult r = CalculatePattern(table, formula, merged);
        ASSERT_EQ(r.status, 0) << formula << ": " << r.reason;
        EXPECT_GE(r.coverage, peer.get_total_prob() * (1 - 1e-12)) << formula;
        EXPECT_LE(r.coverage, 1 + 1e-9) << formula;
        EXPECT_GE(r.peaks.size(), peer.confs_no()) << formula;
    }
}

}  // namespace
