// An LC-MS run read one MS1 scan at a time (match/MzScans.h): OpenMS's
// example BSA1.mzML (Debian openms-doc, /usr/share/doc/openms/examples/BSA/),
// an indexed mzML of 564 MS1 scans between MS2 scans, its scan start times in
// seconds from 1501.4 (25.02 min), its ids "spectrum=N".
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "match/MzScans.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

const char* const BSA1 = "/usr/share/doc/openms/examples/BSA/BSA1.mzML";

// The scans handed over, and the status and reason of the whole read.
struct ScansRead {
    std::vector<MzScan> scans;
    int status = -1;
    std::string reason;
};

ScansRead ReadScans(const std::string& path, double from, double to)
{
    ScansRead r;
    r.status = ForEachMzScan(path, from, to, std::nullopt, [&](const MzScan& s) { r.scans.push_back(s); }, r.reason);
    return r;
}

}  // namespace

TEST(MatchScans, EveryMs1ScanOfTheRunInOrder)
{
    if (!Exists(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    const ScansRead all = ReadScans(BSA1, 0, 1e9);
    ASSERT_EQ(all.status, 0) << all.reason;
    ASSERT_EQ(all.scans.size(), 564u);
    EXPECT_EQ(all.scans.front().index, 1);
    EXPECT_NEAR(all.scans.front().minutes, 1501.41394042969 / 60, 1e-4);
    for (std::size_t i = 1; i < all.scans.size(); ++i) {
        EXPECT_EQ(all.scans[i].index, static_cast<int>(i + 1));
        EXPECT_GT(all.scans[i].minutes, all.scans[i - 1].minutes);
        EXPECT_FALSE(all.scans[i].spectrum.Peaks().empty());
    }
    // A range: the scans of those minutes, numbered as in the whole run.
    const ScansRead some = ReadScans(BSA1, 39, 39.5);
    ASSERT_EQ(some.status, 0) << some.reason;
    ASSERT_FALSE(some.scans.empty());
    std::size_t expected = 0;
    for (const MzScan& s : all.scans) expected += s.minutes >= 39 && s.minutes <= 39.5;
    EXPECT_EQ(some.scans.size(), expected);
    const MzScan& first = some.scans.front();
    const MzScan& same = all.scans[static_cast<std::size_t>(first.index - 1)];
    EXPECT_EQ(first.nativeId, same.nativeId);
    EXPECT_EQ(first.spectrum.Peaks().size(), same.spectrum.Peaks().size());
    EXPECT_EQ(first.nativeId.rfind("spectrum=", 0), 0u) << first.nativeId;
}

// BSA1.mzML with 2,000 bytes in its middle overwritten: its index still
// finds every scan, and the scan there decodes to nonsense.
std::string SpoiledMidway()
{
    std::string run = ReadFile(BSA1);
    run.replace(run.size() / 2, 2000, std::string(2000, 'x'));
    return run;
}

TEST(MatchScans, ARunSpoiledMidwayEndsWithAnErrorAfterTheScansBeforeTheFault)
{
    if (!Exists(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    TempFile spoiled(SpoiledMidway(), "spoiled.mzML");
    const ScansRead r = ReadScans(spoiled.path(), 0, 1e9);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.reason, spoiled.path() + ": MS1 scan 540 (spectrum=1550): peak 431: m/z must be a finite number above 0");
    ASSERT_EQ(r.scans.size(), 539u);
    EXPECT_EQ(r.scans.back().index, 539);
}

TEST(MatchScans, RefusesWhatIsNoRunOrHoldsNoScanInTheRange)
{
    TempFile peaks("500 1\n", "peaks.txt");
    ScansRead r = ReadScans(peaks.path(), 0, 1e9);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.reason, peaks.path() + ": not an mzML or mzXML run (by its name's ending)");
    TempFile bad("this is not XML\n", "bad.mzML");
    r = ReadScans(bad.path(), 0, 1e9);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.reason, bad.path() + ": not a readable mzML or mzXML file (corrupt or truncated)");
    EXPECT_TRUE(r.scans.empty());
    if (!Exists(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    r = ReadScans(BSA1, 1, 2);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.reason, std::string(BSA1) + ": no MS1 scan of the file lies in the range");
}
