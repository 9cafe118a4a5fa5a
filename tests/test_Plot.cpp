// morvane-plot as a user meets it: a well-formed SVG that a real renderer
// draws, whose sticks sit exactly where morvane prints the peaks.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/RunMorvane.h"

namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The sticks as "position<TAB>height" lines, in document order.
std::string Sticks(const std::string& svg)
{
    const std::regex stick("class=\"stick\" data-position=\"([^\"]*)\" data-height=\"([^\"]*)\"");
    std::string lines;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), stick); it != std::sregex_iterator(); ++it)
        lines += (*it)[1].str() + "\t" + (*it)[2].str() + "\n";
    return lines;
}

// xmllint (libxml2-utils) and rsvg-convert (librsvg2-bin), which .ci/run
// installs; without them the document checks are left out, with a note.
bool HaveSvgTools()
{
    static const bool have = std::system("command -v xmllint >/dev/null && command -v rsvg-convert >/dev/null") == 0;
    if (!have) std::printf("note: xmllint or rsvg-convert missing, SVG not validated\n");
    return have;
}

class Plot : public ::testing::Test {
protected:
    RunResult Draw(std::vector<std::string> args)
    {
        args.push_back("-o");
        args.push_back(picture.path());
        return RunProgram(MORVANE_PLOT_EXE, args, MORVANE_SOURCE_DIR);
    }
    TempFile picture{"", "pattern.svg"};
};

TEST_F(Plot, SticksMatchThePrintedPeaksAndTheSvgRenders)
{
    const std::vector<std::vector<std::string>> cases = {
        {"C6H12O6"}, {"C254H377N65O75S6", "-w", "0.05"}, {"Br2", "-r", "0.5"}, {"C6H12O6", "-mtz", "-2", "-f", "1"}};
    for (const auto& args : cases) {
        std::remove(picture.path().c_str());
        const RunResult r = Draw(args);
        ASSERT_EQ(r.status, 0) << args[0] << r.out;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        const std::string svg = ReadFile(picture.path());

        std::vector<std::string> printed(args.begin(), args.end());
        if (printed.size() > 1 && printed[1] == "-w") printed.erase(printed.begin() + 1, printed.begin() + 3);
        printed.push_back("-n");
        EXPECT_EQ(Sticks(svg), RunMorvane(printed).out) << args[0];

        if (!HaveSvgTools()) continue;
        const std::string png = picture.dir() + "/pattern.png";
        EXPECT_EQ(std::system(("xmllint --noout " + picture.path()).c_str()), 0) << args[0];
        EXPECT_EQ(std::system(("rsvg-convert -o " + png + " " + picture.path()).c_str()), 0) << args[0];
        EXPECT_EQ(ReadFile(png).substr(1, 3), "PNG");
        std::remove(png.c_str());
    }
}

TEST_F(Plot, ErrorsAsMorvaneReportsThemAndNoFile)
{
    std::remove(picture.path().c_str());
    RunResult r = Draw({"Xx"});
    EXPECT_EQ(r.out, "Error: cannot parse formula\n");
    EXPECT_EQ(r.status, 2);
    r = Draw({"C6H6", "nosuchtable.txt"});
    EXPECT_EQ(r.out, "Error: cannot read isotope table\n");
    EXPECT_EQ(r.status, 1);
    r = Draw({"C6H6", "-t", "2"});
    EXPECT_EQ(r.out, "Error: threshold must be between 0 and 1\n");
    EXPECT_EQ(r.status, 5);
    r = Draw({"C100000"});
    EXPECT_EQ(r.out, "Error: cannot calculate distributions\n");
    EXPECT_EQ(r.status, 6);
    r = Draw({"C6H6", "-w", "0"});
    EXPECT_EQ(r.out, "Error: peak width must be > 0\n");
    EXPECT_EQ(r.status, 5);
    EXPECT_FALSE(Exists(picture.path()));

    r = RunProgram(MORVANE_PLOT_EXE, {"C6H6"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.out, "Error: output file not specified\n");
    EXPECT_EQ(r.status, 5);
    r = RunProgram(MORVANE_PLOT_EXE, {"C6H6", "-o", "/nonexistent/dir/x.svg"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.out, "Error: cannot write plot file\n");
    EXPECT_EQ(r.status, 8);
    r = RunProgram(MORVANE_PLOT_EXE, {}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: morvane-plot"), std::string::npos);
}

}  // namespace
