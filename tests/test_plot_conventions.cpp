// morvane-plot against the conventions of the field and of a command-line
// tool: m/z as instruments give it, ions, help and version, a picture file
// that is what its name says, and peak labels that never overlap.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

RunResult RunPlot(const std::vector<std::string>& args) { return RunFrontEndAsMorvane(MORVANE_PLOT_EXE, args); }

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

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
    EXPECT_EQ(help.out.rfind("morvane-plot: draws the isotope pattern of a formula as an SVG picture\n", 0), 0u);
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
    const std::string png = dir.dir() + "/x.png", svg = dir.dir() + "/x.svg";
    RunResult r = RunPlot({"C6H12O6", "-o", png});
    EXPECT_EQ(r.out, "Error: the picture is SVG: name the output file *.svg\n");
    EXPECT_EQ(r.status, 5);
    EXPECT_FALSE(Exists(png));
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

// The labels' texts and their spans (px) as the renderer sets them at most:
// digits at 0.6 of the 12 px font.
struct Label {
    std::string text;
    double lo, hi;
};

std::vector<Label> Labels(const std::string& svg)
{
    const std::regex re("class=\"peak-label\" x=\"([^\"]*)\" y=\"[^\"]*\">([^<]*)<");
    std::vector<Label> found;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), re); it != std::sregex_iterator(); ++it) {
        const double x = std::atof((*it)[1].str().c_str()), half = (*it)[2].str().size() * 12 * 0.6 / 2;
        found.push_back({(*it)[2].str(), x - half, x + half});
    }
    return found;
}

TEST(PlotConventions, LabelsOnTheTallestPeaksThatFitWithoutOverlap)
{
    // Glucose: all three peaks labelled, M+2 at 1.4 % too.
    TempFile glucose("", "glucose.svg");
    ASSERT_EQ(RunPlot({"C6H12O6", "-o", glucose.path()}).status, 0);
    std::string svg = ReadFile(glucose.path());
    std::vector<Label> labels = Labels(svg);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[2].text, "182.0679");
    EXPECT_NE(svg.find(">every peak labelled<"), std::string::npos);

    // A 66 kDa protein: 67 peaks, labels 10 characters long.
    TempFile protein("", "protein.svg");
    ASSERT_EQ(RunPlot({"C2934H4615N781O897S39", "-o", protein.path()}).status, 0);
    svg = ReadFile(protein.path());
    labels = Labels(svg);
    ASSERT_GE(labels.size(), 5u);
    EXPECT_EQ(labels[0].text, "66431.9639");  // the tallest first
    for (std::size_t i = 0; i < labels.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_TRUE(labels[i].hi <= labels[j].lo || labels[i].lo >= labels[j].hi)
                << labels[i].text << " overlaps " << labels[j].text;
    EXPECT_NE(svg.find(">labels on " + std::to_string(labels.size()) + " of 67 peaks: the tallest, where the text fits<"),
              std::string::npos);
}

}  // namespace
