// morvane-plot as a user meets it: a well-formed SVG that a real renderer
// draws, whose sticks sit exactly where morvane prints the peaks.
#include <gtest/gtest.h>


#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "morvane-plot/PlotPicture.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

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

// The numbers of every coordinate and data attribute, in document order;
// an attribute word that is neither a number nor a path or transform word
// (such as nan or inf) is returned as NaN. (Scanned by hand: std::regex
// recurses per character and overflows the stack on a long path.)
std::vector<double> AttributeNumbers(const std::string& svg)
{
    const std::set<std::string> numeric = {"x", "y", "x1", "y1", "x2", "y2", "width", "height", "d", "transform",
                                           "data-position", "data-height"};
    const std::set<std::string> pathWords = {"translate", "rotate"};
    std::vector<double> numbers;
    for (std::size_t eq = svg.find("=\""); eq != std::string::npos; eq = svg.find("=\"", eq + 1)) {
        const std::size_t nameStart = svg.rfind(' ', eq) + 1, end = svg.find('"', eq + 2);
        if (!numeric.count(svg.substr(nameStart, eq - nameStart))) continue;
        const std::string name = svg.substr(nameStart, eq - nameStart);
        std::string value = svg.substr(eq + 2, end - eq - 2);
        for (char& c : value)
            if (c == '(' || c == ')' || c == '%' || (name == "d" && (c == 'M' || c == 'L' || c == 'Z'))) c = ' ';
        std::istringstream words(value);
        std::string word;
        while (words >> word) {
            if (pathWords.count(word)) continue;
            char* rest = nullptr;
            const double v = std::strtod(word.c_str(), &rest);
            numbers.push_back(*rest == '\0' && !std::isalpha(static_cast<unsigned char>(word[0])) ? v : NAN);
        }
    }
    return numbers;
}

// The texts of the tick labels under the x axis (y = 472).
std::vector<std::string> TickLabels(const std::string& svg)
{
    const std::regex tick("<text x=\"[^\"]*\" y=\"472\" text-anchor=\"middle\">([^<]*)</text>");
    std::vector<std::string> labels;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tick); it != std::sregex_iterator(); ++it)
        labels.push_back((*it)[1].str());
    return labels;
}

class Plot : public ::testing::Test {
protected:
    RunResult Draw(std::vector<std::string> args)
    {
        args.push_back("-o");
        args.push_back(picture.path());
        return RunFrontEndAsMorvane(MORVANE_PLOT_EXE, args);
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
        // m/z is mass over |z|: a negative ion's lines without morvane's sign.
        std::string expected = RunMorvane(printed).out;
        if (args.size() > 2 && args[1] == "-mtz" && args[2][0] == '-')
            expected = std::regex_replace(expected, std::regex("^-", std::regex::multiline), "");
        EXPECT_EQ(Sticks(svg), expected) << args[0];

        if (!HaveSvgTools()) continue;
        const std::string png = picture.dir() + "/pattern.png";
        EXPECT_EQ(std::system(("xmllint --noout " + picture.path()).c_str()), 0) << args[0];
        EXPECT_EQ(std::system(("rsvg-convert -o " + png + " " + picture.path()).c_str()), 0) << args[0];
        EXPECT_EQ(ReadFile(png).substr(1, 3), "PNG");
        std::remove(png.c_str());
    }
}

// The front-ends' language: groups, hydrates and labels draw the sticks of
// the formula written out; --sequence reads a peptide.
TEST_F(Plot, FormulaLanguageAndSequencesDrawTheWrittenOutSticks)
{
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"Ca(OH)2"}, {"CaO2H2"}},
        {{"CuSO4.5H2O", "-r", "0.01"}, {"CuSO9H10", "-r", "0.01"}},
        {{"[13C]6H12O6", "--enrichment", "13C=0.99"}, {"[13C]6H12O6", "--enrichment", "[13C]=0.99"}},
        {{"VHLTPEEK/2", "--sequence"}, {"C42H71N11O14", "-mtz", "2"}},
    };
    for (const auto& [mine, written] : cases) {
        ASSERT_EQ(Draw(mine).status, 0) << mine[0];
        const std::string a = Sticks(ReadFile(picture.path()));
        ASSERT_EQ(Draw(written).status, 0) << written[0];
        EXPECT_EQ(a, Sticks(ReadFile(picture.path()))) << mine[0];
        EXPECT_NE(a, "") << mine[0];
    }
}

TEST_F(Plot, ErrorsAsMorvaneReportsThemAndNoFile)
{
    std::remove(picture.path().c_str());
    RunResult r = Draw({"Xx"});
    EXPECT_EQ(r.out, "Error: cannot parse formula: unknown element symbol 'Xx' at position 1\n");
    EXPECT_EQ(r.status, 2);
    r = Draw({"Fe0.95O"});
    EXPECT_EQ(r.out, "Error: cannot parse formula: count 0.95 at position 3 is not a whole number\n");
    EXPECT_EQ(r.status, 2);
    r = Draw({"C6H6", "--enrichment", "13C=0.5"});
    EXPECT_EQ(r.out, "Error: cannot parse formula: enrichment of [13C]: the formula holds no [13C] label\n");
    EXPECT_EQ(r.status, 2);
    r = Draw({"C6H6", "nosuchtable.txt"});
    EXPECT_EQ(r.out, "Error: cannot read isotope table\n");
    EXPECT_EQ(r.status, 1);
    r = Draw({"C6H6", "-t", "2"});
    EXPECT_EQ(r.out, "Error: threshold must be between 0 and 1\n");
    EXPECT_EQ(r.status, 5);
    r = Draw({"S5000", "-t", "0"});
    EXPECT_EQ(r.out, "Error: cannot calculate distributions\n");
    EXPECT_EQ(r.status, 6);
    r = Draw({"C6H6", "-z", "1000000"});
    EXPECT_EQ(r.out, "Error: charge must be between -1000 and 1000\n");
    EXPECT_EQ(r.status, 5);
    r = Draw({"C6H6", "-mtz", "2147483647", "--fwhm", "0.1"});
    EXPECT_EQ(r.out, "Error: charge must be between -1000 and 1000\n");
    EXPECT_EQ(r.status, 5);
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

// Peak widths whose picture has no finite, distinct coordinates beside
// ordinary masses are refused; the accepted range is named.
TEST_F(Plot, WidthsThatCannotBeDrawnAreRefused)
{
    for (const char* width : {"1e-14", "1e-16", "1e-10", "2e9", "1e308", "inf"}) {
        std::remove(picture.path().c_str());
        const RunResult r = Draw({"C6H12O6", "-f", "50", "-w", width});
        EXPECT_EQ(r.out, "Error: peak width must be between 1e-9 and 1e9\n") << width;
        EXPECT_EQ(r.status, 5) << width;
        EXPECT_FALSE(Exists(picture.path())) << width;
    }
    for (const char* width : {"nan", "-1", "0x"}) {
        const RunResult r = Draw({"C6H12O6", "-w", width});
        EXPECT_EQ(r.out, "Error: peak width must be > 0\n") << width;
        EXPECT_EQ(r.status, 5) << width;
    }
}

// The edges of what is drawn: the narrowest and widest widths, masses near
// the largest double and near zero from a table of one's own, every variant
// of a large molecule unmerged, and a formula holding the blanks \v and \f.
// Each gives a well-formed document of finite coordinates, with tick labels
// that tell the ticks apart.
TEST_F(Plot, ExtremeInputsGiveFiniteWellFormedPictures)
{
    TempFile table("X 1 1e300 0.5 1.0000001e300 0.5\nY 2 1e-300 1\nZ 3 1.7e308 1\n");
    const std::vector<std::vector<std::string>> cases = {
        {"C6H12O6", "-f", "50", "-w", "1e-9"},
        {"C6H12O6", "-w", "1e9"},
        {"Br2", "-mtz", "-2", "-w", "1e9"},
        {"X2", table.path(), "-w", "1e-9"},
        {"Y", table.path(), "-w", "1e-9"},
        {"Z", table.path(), "-w", "1e9"},
        {"Z", table.path(), "-w", "1e-9"},
        {"C100H202", "-r", "0", "-t", "1e-9", "-w", "1e-3"},
        {"C6\v H12\fO6"},
    };
    for (const auto& args : cases) {
        std::remove(picture.path().c_str());
        const RunResult r = Draw(args);
        ASSERT_EQ(r.status, 0) << args[0] << r.out;
        const std::string svg = ReadFile(picture.path());
        for (double v : AttributeNumbers(svg)) ASSERT_TRUE(std::isfinite(v)) << args[0] << " " << args.back();
        const std::vector<std::string> labels = TickLabels(svg);
        EXPECT_GE(labels.size(), 3u) << args[0] << " " << args.back();
        EXPECT_EQ(std::set<std::string>(labels.begin(), labels.end()).size(), labels.size()) << args.back();
        EXPECT_EQ(svg.find('\v'), std::string::npos);
        EXPECT_EQ(svg.find('\f'), std::string::npos);
        if (HaveSvgTools()) {
            EXPECT_EQ(std::system(("xmllint --noout " + picture.path()).c_str()), 0) << args[0] << args.back();
        }
    }
}

// The sampled profile against the Gaussian sum written out: peaks of area
// a and full width at half maximum w are a * exp(-4 ln2 d^2) high at d widths
// from their position (the common factor drops out in percent). Sharing
// each peak between two grid positions 1/8 width apart changes the
// picture by well under 1 % of its top.
TEST(PlotProfile, AgreesWithTheGaussianSum)
{
    const std::vector<isotope> peaks = {{100.0, 100.0}, {100.37, 40.0}, {101.05, 7.0}, {101.1, 3.0}};
    const double w = 0.1, lo = 99.6, hi = 101.5;
    const std::size_t points = static_cast<std::size_t>((hi - lo) / w * 8) + 1;
    const std::vector<double> profile = SampledProfile(peaks, lo, hi, points, w);
    ASSERT_EQ(profile.size(), points);
    double top = 0;
    for (double y : profile) top = std::max(top, y);
    for (std::size_t i = 0; i < points; ++i) {
        const double x = lo + (hi - lo) * static_cast<double>(i) / static_cast<double>(points - 1);
        double sum = 0;
        for (const isotope& p : peaks) sum += p.abundance * std::exp(-4 * std::log(2.0) * std::pow((x - p.mass) / w, 2));
        EXPECT_NEAR(profile[i] / top, sum / 100.0, 0.01) << x;
    }
}

}  // namespace
