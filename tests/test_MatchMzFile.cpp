// mzML and mzXML through MSToolkit: a measured spectrum from a Debian
// package, scan selection, and files that are corrupt, truncated or empty.
#include <gtest/gtest.h>


#include <algorithm>

#include "match/MzFile.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// A MALDI-TOF profile (Bruker autoflex, linear mode, m/z 1000 to 10000)
// shipped by Debian's r-cran-readmzxmldata (readMzXmlData 2.8.2, Sebastian
// Gibb, GPL-3) as Examples/A1-0_A1.mzXML. Its scan element documents the
// content: one MS1 scan, peaksCount 22431, basePeakMz 4210.26107431,
// basePeakIntensity 32594 (stored as 32-bit floats).
const char* const MALDI = "/usr/lib/R/site-library/readMzXmlData/Examples/A1-0_A1.mzXML";

}  // namespace

TEST(MatchMzFile, ReadsTheDocumentedMaldiScan)
{
    if (!Exists(MALDI)) GTEST_SKIP() << MALDI << " missing (Debian: r-cran-readmzxmldata)";
    MeasuredSpectrum s;
    std::string reason;
    ASSERT_EQ(ReadMzFile(MALDI, ScanSelection(), std::nullopt, s, reason), 0) << reason;
    EXPECT_EQ(s.Peaks().size(), 22431u);
    const auto top = std::max_element(s.Peaks().begin(), s.Peaks().end(),
                                      [](const isotope& a, const isotope& b) { return a.abundance < b.abundance; });
    EXPECT_NEAR(top->mass, 4210.26107431, 1e-3);
    EXPECT_EQ(top->abundance, 32594);
    ScanSelection rt;
    rt.kind = ScanSelection::Kind::RetentionTime;
    rt.from = 5;
    ASSERT_EQ(ReadMzFile(MALDI, rt, std::nullopt, s, reason), 0) << reason;
    EXPECT_EQ(s.Peaks().size(), 22431u);
}

TEST(MatchMzFile, AScanThatIsNotThereIsAnError)
{
    if (!Exists(MALDI)) GTEST_SKIP() << MALDI << " missing (Debian: r-cran-readmzxmldata)";
    MeasuredSpectrum s;
    std::string reason;
    ScanSelection second;
    second.index = 2;
    EXPECT_EQ(ReadMzFile(MALDI, second, std::nullopt, s, reason), 1);
    EXPECT_EQ(reason, std::string(MALDI) + ": no MS1 scan of the file is the one asked for");
}

TEST(MatchMzFile, CorruptTruncatedAndEmptyFilesEndWithAnError)
{
    const std::string whole = Exists(MALDI) ? ReadFile(MALDI) : std::string("<mzXML>");
    const struct {
        std::string content, name, reason;
    } cases[] = {
        {"this is not XML\n", "bad.mzML", "not a readable mzML or mzXML file (corrupt or truncated)"},
        {whole.substr(0, whole.size() / 3), "cut.mzXML", "no MS1 scan of the file is the one asked for"},
        {"", "empty.mzML", "no MS1 scan of the file is the one asked for"},
    };
    for (const auto& c : cases) {
        TempFile file(c.content, c.name);
        MeasuredSpectrum s;
        std::string reason;
        EXPECT_EQ(ReadMzFile(file.path(), ScanSelection(), std::nullopt, s, reason), 1) << c.name;
        EXPECT_EQ(reason, file.path() + ": " + c.reason);
    }
    EXPECT_TRUE(IsMzFile("run.MZML"));
    EXPECT_TRUE(IsMzFile("a.mzXML"));
    EXPECT_FALSE(IsMzFile("peaks.txt"));
}
