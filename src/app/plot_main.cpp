// morvane-plot: the isotope pattern of a formula as an SVG picture, sticks
// of the peaks beside the profile of an instrument of a given peak width.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Driver.h"
#include "app/MemoryCap.h"
#include "app/Options.h"
#include "app/OutputCheck.h"
#include "app/SvgPlot.h"

namespace {

// Widths of grid steps per peak width: enough for a smooth Gaussian.
const double STEPS_PER_WIDTH = 8;
const std::size_t MIN_POINTS = 200, MAX_POINTS = 20000;
// The profile extends this many widths beyond the outer peaks.
const double MARGIN_WIDTHS = 4;

void PrintUsage(std::ostream& out)
{
    out << "morvane-plot: draws the isotope pattern of a formula as an SVG picture\n\n"
           "Usage: morvane-plot formula (massfile.txt) -o picture.svg [-w width] [morvane options]\n"
           "\t-o file\tThe SVG file to write (required)\n"
           "\t-w width\tPeak width (full width at half maximum) of the profile, defaults to 0.1\n"
           "The options -z, -mtz, -t, -r, -f and the table file work as for morvane\n";
}

struct PlotSettings {
    std::string output;
    double width = 0.1;
};

// Takes "-o file" and "-w width" out of the arguments, leaving the rest in
// `rest` for the option scan that morvane uses. Returns 0, or 5 with the
// message written.
int TakePlotOptions(int argc, char** argv, PlotSettings& p, std::vector<char*>& rest, std::ostream& out)
{
    bool haveOutput = false;
    rest.assign(argv, argv + 2);
    for (int i = 2; i < argc; ++i) {
        const bool last = i == argc - 1;
        if (std::strcmp(argv[i], "-o") == 0) {
            if (last) break;
            p.output = argv[++i];
            haveOutput = true;
        } else if (std::strcmp(argv[i], "-w") == 0) {
            if (last) {
                out << "Error: peak width not specified\n";
                return 5;
            }
            char* end = nullptr;
            p.width = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(p.width > 0) || !std::isfinite(p.width)) {
                out << "Error: peak width must be > 0\n";
                return 5;
            }
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (!haveOutput || p.output.empty()) {
        out << "Error: output file not specified\n";
        return 5;
    }
    rest.push_back(nullptr);
    return 0;
}

std::string Title(const RunSettings& s, const PlotSettings& p)
{
    std::ostringstream t;
    const char* unit = s.masstocharge ? "" : " u";
    t << s.formula << " \u2014 threshold " << s.threshold << ", merge " << s.merge << unit << ", FWHM " << p.width << unit;
    if (s.charge != 0) t << ", charge " << s.charge;
    if (s.filter > 0) t << ", peaks from " << s.filter << " %";
    return t.str();
}

PatternPicture Picture(IsoCalc& calc, const RunSettings& s, const PlotSettings& p)
{
    PatternPicture pic;
    pic.title = Title(s, p);
    pic.xlabel = s.masstocharge ? "m/z" : "mass (u)";
    pic.precision = std::min(s.precision, 17);
    calc.Normalize();
    int n = 0;
    calc.GetNPeaks(n);
    for (int i = 0; i < n; ++i) {
        double m, a;
        calc.Peak(i, m, a);
        if (a < s.filter) continue;
        pic.positions.push_back(m);
        pic.heights.push_back(a);
    }
    if (pic.positions.empty()) return pic;
    const auto range = std::minmax_element(pic.positions.begin(), pic.positions.end());
    pic.xmin = *range.first - MARGIN_WIDTHS * p.width;
    pic.xmax = *range.second + MARGIN_WIDTHS * p.width;
    const double wanted = (pic.xmax - pic.xmin) / p.width * STEPS_PER_WIDTH;
    const std::size_t points = static_cast<std::size_t>(
        std::min(static_cast<double>(MAX_POINTS), std::max(static_cast<double>(MIN_POINTS), wanted)));
    double highest = 0;
    for (std::size_t i = 0; i < points; ++i) {
        const double x = pic.xmin + (pic.xmax - pic.xmin) * static_cast<double>(i) / static_cast<double>(points - 1);
        double y = 0;
        calc.Intensity(x, y);
        pic.profilex.push_back(x);
        pic.profiley.push_back(y);
        highest = std::max(highest, y);
    }
    if (highest > 0)
        for (double& y : pic.profiley) y = y * 100.0 / highest;
    return pic;
}

int Plot(int argc, char** argv)
{
    std::ostream& out = std::cout;
    PlotSettings p;
    std::vector<char*> rest;
    if (TakePlotOptions(argc, argv, p, rest, out) != 0) return 5;
    RunSettings s;
    if (ScanOptions(static_cast<int>(rest.size()) - 1, rest.data(), s, out) != 0) return 5;
    IsoCalc calc;
    const int status = CalculateAsAsked(calc, s, out);
    if (status != 0) return status;
    calc.SetFwhm(p.width);
    const std::string svg = RenderSvg(Picture(calc, s, p));
    std::string reason;
    if (!ReplaceFile(p.output, svg, reason)) {
        out << "Error: cannot write plot file\n";
        return OUTPUT_FAILURE_STATUS;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CheckStandardOutput();
    CapAddressSpace();
    const int status = RunGuarded([&] {
        if (argc < 2) {
            PrintUsage(std::cout);
            return 0;
        }
        return Plot(argc, argv);
    });
    return FinishStandardOutput(status, "morvane-plot");
}
