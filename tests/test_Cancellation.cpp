// Stopping a calculation from outside: wherever it stands (enumerating an
// element, counting or filling the bins, searching for a coverage), it ends
// with the cancellation's failure, and the thread then calculates as before.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "calc/Pattern.h"
#include "core/Cancellation.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// Takes some seconds uncancelled at 1e-6 (about 40 M variants).
const char* const LARGE_PROTEIN = "C12000H19000N3300O3600S80";
const char* const CANCELLED = "the calculation was cancelled";

class Cancellation : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    }

    static PatternSettings Threshold(double t)
    {
        PatternSettings s;
        s.threshold = t;
        return s;
    }

    static PatternSettings Coverage(double c)
    {
        PatternSettings s;
        s.coverage = c;
        return s;
    }

    static void ExpectCancelled(const PatternResult& r)
    {
        EXPECT_EQ(r.status, 6);
        EXPECT_EQ(r.reason, CANCELLED);
        EXPECT_TRUE(r.peaks.empty());
    }

    static std::deque<AtomIsoAbun> table;
};

std::deque<AtomIsoAbun> Cancellation::table;

bool SamePeaks(const PatternResult& a, const PatternResult& b)
{
    if (a.status != b.status || a.peaks.size() != b.peaks.size()) return false;
    for (std::size_t i = 0; i < a.peaks.size(); ++i)
        if (a.peaks[i].mass != b.peaks[i].mass || a.peaks[i].abundance != b.peaks[i].abundance) return false;
    return true;
}

TEST_F(Cancellation, ARequestStopsEveryKindOfCalculation)
{
    struct Case {
        const char* formula;
        PatternSettings settings;
    };
    PatternSettings twoThreads = Threshold(1e-6);
    twoThreads.threads = 2;
    const std::vector<Case> cases = {
        {LARGE_PROTEIN, Threshold(1e-6)},           // the variants counted and filled into bins
        {LARGE_PROTEIN, twoThreads},                // the same, a thread of its own taking part
        {LARGE_PROTEIN, Coverage(FRONT_END_COVERAGE)},  // the search for the coverage's boundary
        {"Mo80", Threshold(1e-3)},                  // millions of one element's combinations
    };
    for (const Case& c : cases) {
        morvane::Cancellation cancellation;
        cancellation.Request();
        const CancellationScope scope(&cancellation);
        ExpectCancelled(CalculatePattern(table, c.formula, c.settings));
    }
}

// A poll sees what only its own thread can see (Python's signals): the
// engine's other threads never ask it, and its request stops them too.
TEST_F(Cancellation, ThePollIsAskedOnItsThreadAndStopsTheOthers)
{
    struct Asked {
        std::vector<std::thread::id> threads;
    } asked;
    auto poll = [](void* context) {
        auto* a = static_cast<Asked*>(context);
        a->threads.push_back(std::this_thread::get_id());
        return a->threads.size() == 3;
    };
    PatternSettings s = Threshold(1e-6);
    s.threads = 2;
    morvane::Cancellation cancellation;
    const CancellationScope scope(&cancellation, poll, &asked);
    ExpectCancelled(CalculatePattern(table, LARGE_PROTEIN, s));
    ASSERT_EQ(asked.threads.size(), 3u);
    for (const std::thread::id& id : asked.threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(Cancellation, TheThreadCalculatesAsBeforeAfterACancellation)
{
    const std::vector<std::pair<const char*, PatternSettings>> probes = {
        {"C6H12O6", PatternSettings()},
        {"C257H383N65O77S6", Coverage(FRONT_END_COVERAGE)},
        {"C2934H4615N781O897S39", Threshold(1e-3)},
        {"Mo20", Threshold(1e-3)},
    };
    std::vector<PatternResult> before;
    for (const auto& [formula, settings] : probes) before.push_back(CalculatePattern(table, formula, settings));
    for (const auto& [big, threshold] : {std::pair(LARGE_PROTEIN, 1e-6), std::pair("Mo80", 1e-3)}) {
        morvane::Cancellation cancellation;
        cancellation.Request();
        const CancellationScope scope(&cancellation);
        ExpectCancelled(CalculatePattern(table, big, Threshold(threshold)));
    }
    for (std::size_t i = 0; i < probes.size(); ++i)
        EXPECT_TRUE(SamePeaks(CalculatePattern(table, probes[i].first, probes[i].second), before[i])) << probes[i].first;
}

// A request from another thread while the formulas are under way: none
// is finished, and none begun afterwards.
TEST_F(Cancellation, CalculatePatternsStopsTheFormulasUnderWay)
{
    const std::vector<std::string> formulas(4, LARGE_PROTEIN);
    morvane::Cancellation cancellation;
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancellation.Request();
    });
    const std::vector<PatternResult> results = CalculatePatterns(table, formulas, Threshold(1e-6), 2, &cancellation);
    requester.join();
    int stopped = 0;
    for (const PatternResult& r : results) {
        EXPECT_TRUE(r.peaks.empty());
        if (r.status != 0) {
            ExpectCancelled(r);
            ++stopped;
        }
    }
    EXPECT_EQ(stopped, 2);  // one per thread; the other two never begun
}

}  // namespace
