// morvane-plot with an instrument's resolution, as a user meets it: the
// profile of that instrument over the variants, its centroids labelled with
// the numbers morvane-batch gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

// The texts of the labels, in document order.
std::vector<std::string> Labels(const std::string& svg)
{
    const std::size_t from = svg.find("<g class=\"labels\"");
    const std::string group = svg.substr(from, svg.find("</g>", from) - from);
    const std::regex text(">([-0-9.]+)</text>");
    std::vector<std::string> labels;
    for (auto it = std::sregex_iterator(group.begin(), group.end(), text); it != std::sregex_iterator(); ++it)
        labels.push_back((*it)[1].str());
    return labels;
}

// morvane-batch's centroids of one formula, written as the labels are.
std::set<std::string> BatchCentroids(const std::string& formula, const std::vector<std::string>& options)
{
    TempFile input(formula + "\n", "formulas.txt");
    std::vector<std::string> args = {"-i", input.path(), "-p", "17"};
    args.insert(args.end(), options.begin(), options.end());
    const RunResult r = RunProgram(MORVANE_BATCH_EXE, args, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> positions;
    const std::regex row("\\t-?[0-9]+\\t[0-9]+\\t([-0-9.e+]+)\\t");  // charge, peak, position
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), row); it != std::sregex_iterator(); ++it) {
        char text[64];
        std::snprintf(text, sizeof text, "%.4f", std::stod((*it)[1].str()));
        positions.insert(text);
    }
    return positions;
}

TEST(PlotResolution, InsulinIonLabelledAtTheBatchToolsCentroids)
{
    // [M+5H]5+ written out: C254H382N65O75S6 at charge 5, m/z about 1162,
    // isotope peaks 0.2 apart, each a centroid at 60000 @ 200.
    TempFile svg("", "insulin.svg");
    const std::vector<std::string> resolution = {"--resolution", "60000", "-mtz", "5"};
    std::vector<std::string> args = {"C254H382N65O75S6", "-o", svg.path()};
    args.insert(args.end(), resolution.begin(), resolution.end());
    const RunResult r = RunProgram(MORVANE_PLOT_EXE, args, MORVANE_SOURCE_DIR);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
    const std::string picture = ReadFile(svg.path());
    EXPECT_NE(picture.find("C254H382N65O75S6 \u2014 coverage 0.999999, orbitrap R 60000 @ 200, charge 5"),
              std::string::npos);
    const std::vector<std::string> labels = Labels(picture);
    ASSERT_GE(labels.size(), 4u);
    const std::set<std::string> centroids = BatchCentroids("C254H382N65O75S6", resolution);
    for (const std::string& label : labels) EXPECT_EQ(centroids.count(label), 1u) << label;
}

TEST(PlotResolution, AdductIonAtResolutionAsTheBatchTool)
{
    // The ion named with -a: the same centroids as morvane-batch -a gives.
    TempFile svg("", "insulin.svg");
    const RunResult r = RunProgram(MORVANE_PLOT_EXE,
                                   {"C257H383N65O77S6", "-a", "[M+5H]5+", "-o", svg.path(), "--resolution", "60000"},
                                   MORVANE_SOURCE_DIR);
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string picture = ReadFile(svg.path());
    EXPECT_NE(picture.find("C257H383N65O77S6 [M+5H]5+ \u2014 coverage 0.999999, orbitrap R 60000 @ 200, charge 5"),
              std::string::npos);
    const std::vector<std::string> labels = Labels(picture);
    ASSERT_GE(labels.size(), 4u);
    const std::set<std::string> centroids =
        BatchCentroids("C257H383N65O77S6", {"-a", "[M+5H]5+", "--resolution", "60000"});
    for (const std::string& label : labels) EXPECT_EQ(centroids.count(label), 1u) << label;
    EXPECT_EQ(centroids.count("1162.3362"), 1u);
}

TEST(PlotResolution, ConstantWidthStaysWithW)
{
    TempFile svg("", "x.svg");
    const RunResult r = RunProgram(MORVANE_PLOT_EXE, {"C6H12O6", "-o", svg.path(), "-w", "0.1", "--resolution", "1e5"},
                                   MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out, "Error: -w is the constant width of the plain profile: leave it out with a resolution\n");
    const RunResult bad = RunProgram(MORVANE_PLOT_EXE, {"C6H12O6", "-o", svg.path(), "--analyzer", "ion trap"},
                                     MORVANE_SOURCE_DIR);
    EXPECT_EQ(bad.status, 5);
    EXPECT_EQ(bad.out, "Error: --analyzer needs --resolution\n");
}

// A width past the bound would put every centroid at 0 (1e20) or below
// (1e50): refused as an option.
TEST(PlotResolution, WidthsAndResolvingPowersAreBounded)
{
    TempFile svg("", "x.svg");
    for (const char* w : {"1e20", "1e50", "10000.001"}) {
        const RunResult r = RunProgram(MORVANE_PLOT_EXE, {"C6H12O6", "-o", svg.path(), "--fwhm", w}, MORVANE_SOURCE_DIR);
        EXPECT_EQ(r.status, 5) << w;
        EXPECT_EQ(r.out, "Error: peak width must be at most 10000\n") << w;
    }
    const RunResult r =
        RunProgram(MORVANE_PLOT_EXE, {"C6H12O6", "-o", svg.path(), "--resolution", "2e9"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out, "Error: resolution must be between 1 and 1e9\n");
    EXPECT_EQ(RunProgram(MORVANE_PLOT_EXE, {"C6H12O6", "-o", svg.path(), "--fwhm", "10000"}, MORVANE_SOURCE_DIR).status,
              0);
}

TEST(PlotResolution, ProfileTooFineForAnyGridIsAnError)
{
    // A constant width of 1e-7 u over glucose's 4 u is 4e8 points.
    TempFile svg("", "x.svg");
    const RunResult r =
        RunProgram(MORVANE_PLOT_EXE, {"C6H12O6", "-o", svg.path(), "--fwhm", "1e-7"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.out.rfind("Error: the profile would need more than 10000000 points", 0), 0u) << r.out;
}

}  // namespace
