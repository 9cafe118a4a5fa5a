// morvane-plot against the conventions of the field and of a command-line
// tool: m/z as instruments give it, ions, help and version, a picture file
// that is what its name says, and peak labels that never overlap.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

RunResult RunPlot(const std::vector<std::string>& args) { return RunFrontEndAsMorvane(MORVANE_PLOT_EXE, args); }

std::vector<std::string> Matches(const std::string& text, const std::string& pattern)
{
    const std::regex re(pattern);
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1].str());
    return found;
}

// The stick positions of a picture, as its data attributes give them.
std::vector<std::string> StickPositions(const std::string& svg)
{
    return Matches(svg, "class=\"stick\" data-position=\"([^\"]*)\"");
}

// morvane's positions for the same peaks, without their sign.
std::vector<std::string> MorvanePositions(const std::vector<std::string>& args)
{
    std::vector<std::string> found;
    for (std::string line : Matches(RunMorvane(args).out, "([^\t\n]*)\t")) found.push_back(line[0] == '-' ? line.substr(1) : line);
    return found;
}

TEST(PlotConventions, HelpAndVersionOnStandardOutput)
{
    const RunResult help = RunPlot({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("morvane-plot: draws the isotope pattern of a formula as an SVG, PNG or PDF picture\n", 0), 0u);
    EXPECT_NE(help.out.find("-a adduct"), std::string::npos);
    EXPECT_EQ(RunPlot({"C6H12O6", "--version"}).out, std::string("morvane-plot ") + MORVANE_VERSION + "\n");
}

TEST(PlotConventions, NegativeIonsAtPositiveMz)
{
    TempFile picture("", "angiotensin.svg");
    ASSERT_EQ(RunPlot({"C50H71N13O12", "-mtz", "-1", "-o", picture.path()}).status, 0);
    const std::vector<std::string> sticks = StickPositions(ReadFile(picture.path()));
    EXPECT_EQ(sticks, MorvanePositions({"C50H71N13O12", "-mtz", "-1"}));
    ASSERT_FALSE(sticks.empty());
    EXPECT_EQ(sticks[0], "1045.5351");
}

TEST(PlotConventions, ASequencesChargeSuffixDrawsItsIonAtMz)
{
    TempFile picture("", "peptide.svg");
    for (const std::vector<std::string>& instrument : {std::vector<std::string>{}, {"--resolution", "60000"}}) {
        std::vector<std::string> args = {"LVTDLTK/2", "--sequence", "-o", picture.path()};
        args.insert(args.end(), instrument.begin(), instrument.end());
        ASSERT_EQ(RunPlot(args).status, 0);
        const std::string svg = ReadFile(picture.path());
        EXPECT_NE(svg.find(">m/z<"), std::string::npos);
        EXPECT_EQ(svg.find(">mass (u)<"), std::string::npos);
        EXPECT_NE(svg.find(", charge 2<"), std::string::npos);
    }
}

TEST(PlotConventions, IonsByTheirAdduct)
{
    TempFile picture("", "glucose.svg");
    ASSERT_EQ(RunPlot({"C6H12O6", "-a", "[M+Na]+", "-o", picture.path()}).status, 0);
    const std::string svg = ReadFile(picture.path());
    EXPECT_EQ(StickPositions(svg), MorvanePositions({"C6H12O6Na", "-mtz", "1"}));
    EXPECT_NE(svg.find(">C6H12O6 [M+Na]+ \u2014 threshold 0.001, merge 0.1, FWHM 0.1, charge 1<"), std::string::npos);
    EXPECT_NE(svg.find(">m/z<"), std::string::npos);
    ASSERT_EQ(RunPlot({"C6H12O6", "-a", "[M-H]-", "-o", picture.path()}).status, 0);
    EXPECT_EQ(StickPositions(ReadFile(picture.path())), MorvanePositions({"C6H11O6", "-mtz", "-1"}));

    const struct {
        std::vector<std::string> args;
        std::string out;
        int status;
    } refused[] = {
        {{"-a", "[M+H]+", "-mtz", "1"}, "Error: an adduct sets the charge; leave out -z and -mtz\n", 5},
        {{"-a", "[M+H]+", "-a", "[M+Na]+"}, "Error: a picture shows one ion: give -a once\n", 5},
        {{"-a", "[M+Xx]+"}, "Error: adduct [M+Xx]+: unknown element symbol 'Xx' at position 4 in the group +Xx\n", 5},
        {{"-a", "[M-Cl]-"}, "Error: cannot parse formula: [M-Cl]- of C6H12O6: removes Cl, which C6H12O6 lacks\n", 2},
    };
    TempFile none("", "none.svg");
    std::remove(none.path().c_str());
    for (const auto& c : refused) {
        std::vector<std::string> args = {"C6H12O6", "-o", none.path()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = RunPlot(args);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_FALSE(Exists(none.path()));
    }
}

TEST(PlotConventions, NothingToDrawAndNoSvgNameAreRefused)
{
    TempFile dir("", "x.txt");
    const std::string gif = dir.dir() + "/x.gif", svg = dir.dir() + "/x.svg";
    RunResult r = RunPlot({"C6H12O6", "-o", gif});
    EXPECT_EQ(r.out, "Error: name the output file *.svg, *.png or *.pdf\n");
    EXPECT_EQ(r.status, 5);
    EXPECT_FALSE(Exists(gif));
    r = RunPlot({"C6H12O6", "-mtz", "0", "-o", svg});
    EXPECT_EQ(r.out, "Error: m/z needs a charge other than 0\n");
    EXPECT_EQ(r.status, 5);
    EXPECT_FALSE(Exists(svg));
    EXPECT_EQ(RunPlot({"C6H12O6", "-o", dir.dir() + "/X.SVG"}).status, 0);
}

// Options are known or refused, naming the nearest known one; --opt=value
// is --opt value; the formula and the table are the words that are no
// option.
TEST(PlotConventions, UnknownOptionsAreRefusedAndLongOptionsTakeEquals)
{
    TempFile dir("", "x.txt");
    const std::string svg = dir.dir() + "/x.svg";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"C6H6", "-o", svg, "--fwhn", "0.1"}, "Error: unknown option --fwhn (did you mean --fwhm?)\n"},
        {{"C6H6", "-o", svg, "--sequence=yes"}, "Error: --sequence takes no value\n"},
        {{"C6H6", "-o", svg, "-n"}, "Error: unknown option -n (did you mean -o?)\n"},
        {{"C6H6", "-o", svg, "--fixed", "Carbamidomethyl@C"}, "Error: fixed modifications need --sequence\n"},
        {{"-o", svg}, "Error: formula not specified\n"},
        {{"C6H6", "morvanetable.txt", "extra", "-o", svg}, "Error: unexpected word extra: give a formula and a table file\n"},
    };
    for (const auto& [args, message] : refused) {
        const RunResult r = RunPlot(args);
        EXPECT_EQ(r.out, message) << args[2];
        EXPECT_EQ(r.status, 5) << args[2];
        EXPECT_FALSE(Exists(svg));
    }
    ASSERT_EQ(RunPlot({"C6H6", "-o", svg, "--fwhm", "0.2"}).status, 0);
    const std::string spaced = ReadFile(svg);
    ASSERT_EQ(RunPlot({"-o", svg, "--fwhm=0.2", "C6H6", "morvanetable.txt"}).status, 0);
    EXPECT_EQ(ReadFile(svg), spaced);
}

// A picture named as the table it reads, through a symbolic or a hard
// link, would destroy the table: refused, the table untouched.
TEST(PlotConventions, OutputThatIsTheTableIsRefusedUntouched)
{
    TempFile table(ReadFile(ShippedTable()), "mytable.txt");
    const std::string symbolic = table.dir() + "/link.svg", hard = table.dir() + "/hard.svg";
    ASSERT_EQ(symlink("mytable.txt", symbolic.c_str()), 0);
    ASSERT_EQ(link(table.path().c_str(), hard.c_str()), 0);
    for (const std::string& out : {symbolic, hard}) {
        const RunResult r = RunPlot({"C6H12O6", table.path(), "-o", out});
        EXPECT_EQ(r.out, "Error: output file " + out + " is the isotope table; name another file\n");
        EXPECT_EQ(r.status, 5);
        EXPECT_EQ(ReadFile(table.path()), ReadFile(ShippedTable()));
    }
    unlink(symbolic.c_str());
    unlink(hard.c_str());
}

// The labels' texts and their boxes (px) as the renderer sets them at most:
// digits at 0.6 of the 12 px font, from 12 px above the baseline down to it.
struct Label {
    std::string text;
    double lo, hi, top, baseline;
};

std::vector<Label> Labels(const std::string& svg)
{
    const std::regex re("class=\"peak-label\" x=\"([^\"]*)\" y=\"([^\"]*)\">([^<]*)<");
    std::vector<Label> found;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator(); ++it) {
        const double x = std::atof((*it)[1].str().c_str()), y = std::atof((*it)[2].str().c_str());
        const double half = (*it)[3].str().size() * 12 * 0.6 / 2;
        found.push_back({(*it)[3].str(), x - half, x + half, y - 12, y});
    }
    return found;
}

// A stick: its position, height (percent), x and top (px).
struct Stick {
    double position, height, x, top;
};

std::vector<Stick> Sticks(const std::string& svg)
{
    const std::regex re("data-position=\"([^\"]*)\" data-height=\"([^\"]*)\" x1=\"([^\"]*)\" "
                        "y1=\"[^\"]*\" x2=\"[^\"]*\" y2=\"([^\"]*)\"");
    std::vector<Stick> found;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back({std::atof((*it)[1].str().c_str()), std::atof((*it)[2].str().c_str()),
                         std::atof((*it)[3].str().c_str()), std::atof((*it)[4].str().c_str())});
    return found;
}

// No two labels overlap, no stick reaches into a label, and the labelled
// peaks are the tallest: none left without a label is taller than one with.
void ExpectLabelsClearOnTheTallest(const std::string& svg)
{
    const std::vector<Label> labels = Labels(svg);
    const std::vector<Stick> sticks = Sticks(svg);
    for (std::size_t i = 0; i < labels.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_TRUE(labels[i].hi <= labels[j].lo || labels[i].lo >= labels[j].hi ||
                        labels[i].baseline <= labels[j].top || labels[i].top >= labels[j].baseline)
                << labels[i].text << " overlaps " << labels[j].text;
    double lowestLabelled = 1e300, tallestOther = 0;
    for (const Stick& s : sticks) {
        bool labelled = false;
        for (const Label& l : labels) {
            labelled = labelled || std::fabs(std::atof(l.text.c_str()) - s.position) < 1e-3 * (1 + s.position * 1e-6);
            EXPECT_FALSE(s.x + 1 > l.lo && s.x - 1 < l.hi && s.top < l.baseline) << s.position << " crosses " << l.text;
        }
        if (labelled)
            lowestLabelled = std::min(lowestLabelled, s.height);
        else
            tallestOther = std::max(tallestOther, s.height);
    }
    EXPECT_GE(lowestLabelled, tallestOther);
}

TEST(PlotConventions, LabelsOnTheTallestPeaksClearOfTheSticks)
{
    // Glucose: all its peaks labelled, M+2 at 1.4 % too.
    TempFile glucose("", "glucose.svg");
    ASSERT_EQ(RunPlot({"C6H12O6", "-o", glucose.path()}).status, 0);
    std::string svg = ReadFile(glucose.path());
    std::vector<Label> labels = Labels(svg);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[2].text, "182.0679");
    EXPECT_NE(svg.find(">every peak labelled<"), std::string::npos);
    ExpectLabelsClearOnTheTallest(svg);

    // A 66 kDa protein, 86 peaks a nominal mass apart, labels 10 characters
    // long: the labels of the tallest stack above the top; none goes to a
    // peak of the tail while one near 100 % has none.
    TempFile protein("", "protein.svg");
    const std::vector<std::string> args = {"C2934H4615N781O897S39", "-o", protein.path()};
    ASSERT_EQ(RunProgram(MORVANE_PLOT_EXE, args, MORVANE_SOURCE_DIR).status, 0);  // the default coverage
    svg = ReadFile(protein.path());
    labels = Labels(svg);
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(labels[0].text, "66431.9638");  // the tallest first
    ExpectLabelsClearOnTheTallest(svg);
    EXPECT_NE(svg.find(">labels on the " + std::to_string(labels.size()) + " tallest of 86 peaks, as many as fit<"),
              std::string::npos);
}

TEST(PlotConventions, RangeDrawsOnlyThosePositions)
{
    TempFile picture("", "protein.svg");
    const std::vector<std::string> protein = {"C2934H4615N781O897S39", "-o", picture.path()};
    ASSERT_EQ(RunPlot(protein).status, 0);
    const std::vector<Stick> all = Sticks(ReadFile(picture.path()));
    for (const char* range : {"66420:66440", "--range=66420:66440"}) {
        std::vector<std::string> args = protein;
        args.insert(args.end(), {"--range", range});
        if (range[0] == '-') args.erase(args.end() - 2);
        ASSERT_EQ(RunPlot(args).status, 0) << range;
        const std::string svg = ReadFile(picture.path());
        std::vector<std::string> expected;
        for (const Stick& s : all)
            if (s.position >= 66420 && s.position <= 66440) expected.push_back(std::to_string(s.height));
        std::vector<std::string> drawn;
        for (const Stick& s : Sticks(svg)) drawn.push_back(std::to_string(s.height));
        EXPECT_EQ(drawn, expected);  // the same heights, in percent of the whole pattern
        EXPECT_EQ(drawn.size(), 20u);
        EXPECT_NE(svg.find(">66420</text>"), std::string::npos);  // the frame spans the range
        EXPECT_NE(svg.find(">66440</text>"), std::string::npos);
        ExpectLabelsClearOnTheTallest(svg);
    }
}

TEST(PlotConventions, RangeIsTwoFiniteNumbersInOrder)
{
    TempFile dir("", "x.txt");
    const std::string svg = dir.dir() + "/x.svg";
    for (const char* range : {"5:5", "6:5", "nan:5", "1:inf", "-inf:1", "1:", ":2", "1:2:3", "12", "a:b", " 1:2",
                              "1:\t2", "-1e308:1e308", ""}) {
        const RunResult r = RunPlot({"C6H12O6", "-o", svg, "--range", range});
        EXPECT_EQ(r.out, "Error: range must be lo:hi, finite numbers with lo < hi (as 66400:66460)\n") << range;
        EXPECT_EQ(r.status, 5) << range;
        EXPECT_FALSE(Exists(svg)) << range;
    }
    EXPECT_EQ(RunPlot({"C6H12O6", "-o", svg, "--range"}).status, 5);
    // A range holding no peak draws an empty frame.
    EXPECT_EQ(RunPlot({"C6H12O6", "-o", svg, "--range", "1000:1001"}).status, 0);
    EXPECT_TRUE(Sticks(ReadFile(svg)).empty());
}

}  // namespace
