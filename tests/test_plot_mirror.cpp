// morvane-plot with a measured spectrum (--spectrum) as a user meets it: the
// measured peaks drawn downwards under the calculated pattern, the scan
// chosen as morvane-match chooses it, and the errors of a file that cannot
// be read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

// Glucose [M+H]+ 3 ppm high, with a contaminant and two peaks outside the
// picture of glucose [M+H]+ at -w 0.02 (181.0 to 186.2).
const std::string SHIFTED = std::string(MORVANE_SOURCE_DIR) + "/tests/data/glucose_h_shifted.csv";
const std::vector<std::string> GLUCOSE_H = {"C6H12O6", "-a", "[M+H]+", "-w", "0.02"};

struct Stick {
    double position;
    double height;
};

// The sticks of one class ("stick" or "measured-stick") of an SVG, in
// document order.
std::vector<Stick> Sticks(const std::string& svg, const std::string& kind)
{
    const std::regex stick("class=\"" + kind + "\" data-position=\"([^\"]*)\" data-height=\"([^\"]*)\"");
    std::vector<Stick> sticks;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), stick); it != std::sregex_iterator(); ++it)
        sticks.push_back({std::strtod((*it)[1].str().c_str(), nullptr), std::strtod((*it)[2].str().c_str(), nullptr)});
    return sticks;
}

// Runs morvane-plot with `args` and then "-o" a fresh SVG; the picture is
// empty when none was written.
struct PlotRun {
    RunResult result;
    std::string svg;
};

PlotRun Plot(std::vector<std::string> args)
{
    TempFile out("", "picture.svg");
    std::remove(out.path().c_str());
    args.insert(args.end(), {"-o", out.path()});
    PlotRun run{RunProgram(MORVANE_PLOT_EXE, args, MORVANE_SOURCE_DIR), ReadFile(out.path())};
    return run;
}

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(PlotMirror, MeasuredPeaksOfTheDrawnRangeHangBelowThePattern)
{
    const PlotRun plain = Plot(GLUCOSE_H);
    const PlotRun mirror = Plot(With(GLUCOSE_H, {"--spectrum", SHIFTED}));
    ASSERT_EQ(mirror.result.status, 0) << mirror.result.out;
    EXPECT_EQ(mirror.result.out, "");
    EXPECT_EQ(mirror.result.err, "");
    // Five peaks within 181.0 to 186.2, in percent of the largest of them
    // (200000; the larger one at 150 is outside), drawn downwards.
    const std::vector<Stick> measured = Sticks(mirror.svg, "measured-stick");
    const double expected[][2] = {{181.07121, -100},     {182.07466, -7.05}, {183.07584, -1.395},
                                  {184.07901, -0.09},    {184.5, -0.25}};
    ASSERT_EQ(measured.size(), 5u) << mirror.svg;
    for (std::size_t i = 0; i < measured.size(); ++i) {
        EXPECT_DOUBLE_EQ(measured[i].position, expected[i][0]);
        EXPECT_DOUBLE_EQ(measured[i].height, expected[i][1]);
    }
    // The pattern is the one drawn without the spectrum.
    const std::vector<Stick> calculated = Sticks(mirror.svg, "stick"), alone = Sticks(plain.svg, "stick");
    ASSERT_EQ(calculated.size(), alone.size());
    for (std::size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(calculated[i].position, alone[i].position);
        EXPECT_EQ(calculated[i].height, alone[i].height);
    }
    // The axis runs from -125 to 125 %: 0 % in the middle of the frame
    // (y = 60 + 390 / 2), where the measured sticks start.
    EXPECT_NE(mirror.svg.find("class=\"measured-stick\" data-position=\"181.07121\" data-height=\"-100\" x1=\"92.3026\" "
                              "y1=\"255\" x2=\"92.3026\" y2=\"411\"/>"),
              std::string::npos);
    EXPECT_NE(mirror.svg.find(">abundance (% of largest peak): calculated up, measured down</text>"), std::string::npos);
    EXPECT_NE(mirror.svg.find("\">measured</text>"), std::string::npos);
    for (const char* word : {"measured", "calculated up"})
        EXPECT_EQ(plain.svg.find(word), std::string::npos) << word;
}

TEST(PlotMirror, RangeKeepsItsOwnPeaksScaledToTheirLargest)
{
    const PlotRun r = Plot(With(GLUCOSE_H, {"--spectrum", SHIFTED, "--range", "182:185"}));
    ASSERT_EQ(r.result.status, 0) << r.result.out;
    const std::vector<Stick> measured = Sticks(r.svg, "measured-stick");
    ASSERT_EQ(measured.size(), 4u);
    EXPECT_DOUBLE_EQ(measured[0].height, -100);  // 182.07466, 14100 counts
    EXPECT_DOUBLE_EQ(measured[1].height, -19.787234);
    EXPECT_DOUBLE_EQ(measured[3].position, 184.5);
}

// A pattern and a spectrum that share no m/z: the mirror's axis, no stick.
TEST(PlotMirror, SpectrumOutsideThePictureLeavesTheMirrorEmpty)
{
    TempFile far("1000 5\n1001 3\n", "far.txt");
    const PlotRun r = Plot(With(GLUCOSE_H, {"--spectrum", far.path()}));
    ASSERT_EQ(r.result.status, 0) << r.result.out;
    EXPECT_TRUE(Sticks(r.svg, "measured-stick").empty());
    EXPECT_NE(r.svg.find("measured down"), std::string::npos);
}

TEST(PlotMirror, ScanOfAnMgfFileAndProfileData)
{
    TempFile mgf("BEGIN IONS\nTITLE=first\n181.0712 10\nEND IONS\nBEGIN IONS\n181.0712 40\n182.0747 4\nEND IONS\n",
                 "two.mgf");
    const PlotRun second = Plot(With(GLUCOSE_H, {"--spectrum", mgf.path(), "--scan=2"}));
    ASSERT_EQ(second.result.status, 0) << second.result.out;
    const std::vector<Stick> sticks = Sticks(second.svg, "measured-stick");
    ASSERT_EQ(sticks.size(), 2u);
    EXPECT_DOUBLE_EQ(sticks[1].height, -10);

    // Two Gaussian peaks of the picture's width 0.02, sampled every 0.001:
    // as points, each is a stick; centroided, one stick per peak.
    std::ostringstream points;
    points.precision(10);
    const Stick peaks[] = {{181.0712, 1000}, {182.0747, 70}};
    for (int i = 0; i <= 1400; ++i) {
        const double x = 180.9 + i * 0.001;
        double y = 0;
        for (const Stick& peak : peaks) {
            const double d = (x - peak.position) / 0.02;
            y += peak.height * std::exp(-4 * std::log(2.0) * d * d);
        }
        points << x << ' ' << y << '\n';
    }
    TempFile profile(points.str(), "profile.txt");
    const PlotRun raw = Plot(With(GLUCOSE_H, {"--spectrum", profile.path()}));
    ASSERT_EQ(raw.result.status, 0) << raw.result.out;
    EXPECT_GT(Sticks(raw.svg, "measured-stick").size(), 500u);
    const PlotRun centroided = Plot(With(GLUCOSE_H, {"--spectrum", profile.path(), "--profile-data"}));
    ASSERT_EQ(centroided.result.status, 0) << centroided.result.out;
    const std::vector<Stick> centroids = Sticks(centroided.svg, "measured-stick");
    ASSERT_EQ(centroids.size(), 2u) << centroided.svg;
    EXPECT_NEAR(centroids[0].position, 181.0712, 1e-4);
    EXPECT_NEAR(centroids[1].position, 182.0747, 1e-4);
    EXPECT_NEAR(centroids[1].height, -7, 0.1);
}

// OpenMS's BSA digest (Debian openms-doc), as tests/test_MatchMeasured.cpp
// reads it: LVTDLTK 2+ in the MS1 scan closest to 32.223 min.
TEST(PlotMirror, ScanOfAnMzmlRunByRetentionTime)
{
    const char* const bsa = "/usr/share/doc/openms/examples/BSA/BSA1.mzML";
    if (!std::ifstream(bsa)) GTEST_SKIP() << bsa << " missing (Debian: openms-doc)";
    const PlotRun r = Plot({"LVTDLTK", "--sequence", "-a", "[M+2H]2+", "--resolution", "60000@400", "--spectrum", bsa,
                            "--rt", "32.223"});
    ASSERT_EQ(r.result.status, 0) << r.result.out;
    const std::vector<Stick> measured = Sticks(r.svg, "measured-stick");
    ASSERT_GE(measured.size(), 3u);
    // The monoisotopic peak is the spectrum's largest there, within 3 ppm of
    // the calculated one.
    EXPECT_DOUBLE_EQ(measured[0].height, -100);
    EXPECT_NEAR(measured[0].position, Sticks(r.svg, "stick")[0].position, 3e-6 * 395.24);
}

// Errors end with a message on standard output (as morvane-plot's others)
// and no picture.
TEST(PlotMirror, UnreadableSpectraAndMissingScansEndWithStatusOne)
{
    TempFile mgf("BEGIN IONS\n181.0712 10\nEND IONS\n", "one.mgf");
    TempFile negative("181.07 5\n182.07 -1\n", "negative.txt");
    const std::string missing = std::string(MORVANE_SOURCE_DIR) + "/tests/data/no-such-spectrum.txt";
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"--spectrum", missing}, "Error: " + missing + ": No such file or directory\n"},
        {{"--spectrum", mgf.path(), "--scan", "2"}, "Error: " + mgf.path() + ": the MGF file has 1 blocks, not 2\n"},
        {{"--spectrum", negative.path()},
         "Error: " + negative.path() + ": peak 2: intensity must be a finite number of at least 0\n"},
    };
    for (const auto& c : cases) {
        const PlotRun r = Plot(With(GLUCOSE_H, c.args));
        EXPECT_EQ(r.result.status, 1) << c.out;
        EXPECT_EQ(r.result.out, c.out);
        EXPECT_EQ(r.svg, "");
    }
}

// The scan options are morvane-match's: the same values refused with the
// same words; without --spectrum they are refused too.
TEST(PlotMirror, OptionsAreRefusedAsMorvaneMatchRefusesThem)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> shared = {
        {{"--scan", "0"}, "Error: --scan must be an integer >= 1\n"},
        {{"--scan", "1.5"}, "Error: --scan must be an integer >= 1\n"},
        {{"--rt", "-1"}, "Error: --rt must be minutes from 0, ascending\n"},
        {{"--rt", "1e7"}, "Error: --rt must be minutes from 0, ascending\n"},
        {{"--rt-range", "3"}, "Error: --rt-range must be A..B minutes from 0, ascending\n"},
        {{"--rt-range", "3..2"}, "Error: --rt-range must be A..B minutes from 0, ascending\n"},
        {{"--rt-range=..2"}, "Error: --rt-range must be A..B minutes from 0, ascending\n"},
        {{"--native-id"}, "Error: --native-id needs a value\n"},
    };
    for (const auto& c : shared) {
        const PlotRun plot = Plot(With(GLUCOSE_H, With({"--spectrum", SHIFTED}, c.first)));
        EXPECT_EQ(plot.result.status, 5);
        EXPECT_EQ(plot.result.out, c.second);
        const RunResult match =
            RunProgram(MORVANE_MATCH_EXE, With({SHIFTED, "C6H12O6", "--fwhm", "0.02"}, c.first), MORVANE_SOURCE_DIR);
        EXPECT_EQ(match.status, 5);
        EXPECT_EQ(match.err, c.second);
    }
    const std::vector<std::pair<std::vector<std::string>, std::string>> own = {
        {{"--rt", "3"}, "Error: --rt needs --spectrum FILE\n"},
        {{"--profile-data", "--scan", "2"}, "Error: --profile-data needs --spectrum FILE\n"},
        {{"--spectrum="}, "Error: --spectrum needs a value\n"},
    };
    for (const auto& c : own) {
        const PlotRun plot = Plot(With(GLUCOSE_H, c.first));
        EXPECT_EQ(plot.result.status, 5);
        EXPECT_EQ(plot.result.out, c.second);
    }
}

}  // namespace
