// Spectrum files: two-column lists in their usual forms, MGF blocks,
// profiles, and the inputs that are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "match/PeakListFile.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

int Read(const std::string& text, MeasuredSpectrum& s, std::string& reason, SpectrumReadSettings settings = {})
{
    std::istringstream in(text);
    return ReadSpectrum(in, settings, s, reason);
}

}  // namespace

TEST(MatchPeakList, ReadsColumnsInTheirUsualForms)
{
    const char* texts[] = {"500.1 10\n501.1 5\n", "mz,intensity\r\n500.1,10\r\n501.1,5\r\n",
                           "# exported\n\nm/z\tI\tnote\n501.1\t5\tx\n500.1\t10\ty\n", "500.1;10\n501.1;5"};
    for (const char* text : texts) {
        MeasuredSpectrum s;
        std::string reason;
        ASSERT_EQ(Read(text, s, reason), 0) << text << reason;
        ASSERT_EQ(s.Peaks().size(), 2u) << text;
        EXPECT_EQ(s.Peaks()[0].mass, 500.1);
        EXPECT_EQ(s.Peaks()[1].abundance, 5);
    }
}

TEST(MatchPeakList, ReadsTheMgfBlockAskedFor)
{
    const std::string mgf =
        "BEGIN IONS\nTITLE=scan 1\nMSLEVEL=1\n100 1\n101 2\nEND IONS\n"
        "BEGIN IONS\nTITLE=scan 2\nRTINSECONDS=60\n200 3\n201 4\n202 5\nEND IONS\n";
    MeasuredSpectrum s;
    std::string reason;
    SpectrumReadSettings second;
    second.scan = 2;
    ASSERT_EQ(Read(mgf, s, reason, second), 0) << reason;
    ASSERT_EQ(s.Peaks().size(), 3u);
    EXPECT_EQ(s.Peaks()[2].mass, 202);
    SpectrumReadSettings third;
    third.scan = 3;
    EXPECT_EQ(Read(mgf, s, reason, third), 1);
    EXPECT_EQ(reason, "the MGF file has 2 blocks, not 3");
    EXPECT_EQ(Read("BEGIN IONS\n100 1\n", s, reason), 1);
    EXPECT_EQ(reason, "the MGF block 1 has no END IONS");
}

TEST(MatchPeakList, CentroidsAProfile)
{
    // Two Gaussian peaks of width 0.01 sampled every 0.001.
    std::ostringstream text;
    for (int i = 0; i <= 2000; ++i) {
        const double x = 500 + i * 0.001;
        const double y = 100 * std::exp(-2.772588722239781 * std::pow((x - 500.5) / 0.01, 2)) +
                         40 * std::exp(-2.772588722239781 * std::pow((x - 501.5) / 0.01, 2));
        text << x << ' ' << y << '\n';
    }
    SpectrumReadSettings profile;
    profile.profile = Resolution::ConstantWidth(0.01);
    MeasuredSpectrum s;
    std::string reason;
    ASSERT_EQ(Read(text.str(), s, reason, profile), 0) << reason;
    ASSERT_EQ(s.Peaks().size(), 2u);
    EXPECT_NEAR(s.Peaks()[0].mass, 500.5, 1e-6);
    EXPECT_NEAR(s.Peaks()[1].mass, 501.5, 1e-6);
    EXPECT_NEAR(s.Peaks()[1].abundance / s.Peaks()[0].abundance, 0.4, 1e-6);
}

TEST(MatchPeakList, RefusesBadInputWithItsLine)
{
    struct Case {
        std::string text;
        const char* reason;
    } cases[] = {
        {"500 1\n501 x\n", "line 2: expected two numbers, m/z and intensity"},
        {"500 1\n501\n", "line 2: expected two numbers, m/z and intensity"},
        {"mz intensity\n", "the spectrum has no peak of intensity above 0"},
        {"", "the spectrum has no peak of intensity above 0"},
        {"500 1\n501 nan\n", "peak 2: intensity must be a finite number of at least 0"},
        {"500 1\n501 -3\n", "peak 2: intensity must be a finite number of at least 0"},
        {"500 1\n" + std::string(5000, '7') + "\n", "line 2: longer than 4096 bytes: not a peak list"},
    };
    for (const Case& c : cases) {
        MeasuredSpectrum s;
        std::string reason;
        EXPECT_EQ(Read(c.text, s, reason), 1) << c.text;
        EXPECT_EQ(reason, c.reason);
    }
}

TEST(MatchPeakList, FilesThatCannotBeRead)
{
    MeasuredSpectrum s;
    std::string reason;
    EXPECT_EQ(ReadSpectrumFile("/nonexistent/peaks.txt", {}, s, reason), 1);
    EXPECT_EQ(reason, "/nonexistent/peaks.txt: No such file or directory");
    EXPECT_EQ(ReadSpectrumFile("/tmp", {}, s, reason), 1);
    EXPECT_EQ(reason, "/tmp: not a regular file");
    TempFile file("500 1\n", "peaks.txt");
    EXPECT_EQ(ReadSpectrumFile(file.path(), {}, s, reason), 0) << reason;
}
