#include "morvane-plot/PlotPicture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "frontend/Driver.h"
#include "frontend/FrontEndWords.h"
#include "frontend/OutputCheck.h"
#include "frontend/Options.h"
#include "morvane-plot/PlotPattern.h"
#include "morvane-plot/ResolvedPicture.h"
#include "morvane-plot/SvgPlot.h"

namespace morvane {

namespace {

// Grid steps per peak width: enough for a smooth Gaussian.
const double STEPS_PER_WIDTH = 8;
const std::size_t MIN_POINTS = 200, MAX_POINTS = 20000;
// The frame extends this many widths beyond the outer peaks.
const double MARGIN_WIDTHS = 4;
// The profile of a peak is drawn this many widths to each side; beyond it
// the Gaussian is below 1e-30 of its top.
const double REACH_WIDTHS = 5;
// The frame spans at least this fraction of its largest position, so that
// all grid positions and tick marks are distinct doubles.
const double MIN_RELATIVE_SPAN = 1e-9;

// Every option of morvane-plot: its own and those of morvane that change a
// picture (not -n, as the picture is always in percent, nor -c).
const std::vector<KnownOption> PLOT_OPTIONS = {
    {"-o", true},       {"-w", true},          {"-a", true},         {"--resolution", true}, {"--analyzer", true},
    {"--fwhm", true},   {"--sequence", false}, {"--enrichment", true}, {"--fixed", true},  {"--help", false},
    {"--version", false}, {"-z", true},        {"-mtz", true},       {"-t", true},           {"-r", true},
    {"-f", true},       {"-p", true},              {"--range", true},      {"--spectrum", true},
    {"--scan", true},   {"--native-id", true}, {"--rt", true},       {"--rt-range", true},   {"--profile-data", false}};

// "lo:hi", two finite numbers with lo < hi and a finite span, no blanks.
bool ReadRange(const char* text, PlotSettings& p)
{
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr || std::isspace(static_cast<unsigned char>(text[0])) ||
        std::isspace(static_cast<unsigned char>(colon[1])))
        return false;
    const std::string low(text, colon);
    char* end = nullptr;
    p.rangeLo = std::strtod(low.c_str(), &end);
    if (low.empty() || *end != '\0') return false;
    p.rangeHi = std::strtod(colon + 1, &end);
    if (colon[1] == '\0' || *end != '\0') return false;
    return std::isfinite(p.rangeLo) && std::isfinite(p.rangeHi) && p.rangeLo < p.rangeHi &&
           std::isfinite(p.rangeHi - p.rangeLo);
}

// Takes "--range lo:hi" out of `words`. Returns 0, or OPTION_ERROR_STATUS
// with the message written.
int TakeRange(std::vector<char*>& words, PlotSettings& p, std::ostream& out)
{
    std::vector<char*> rest;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (std::strcmp(words[i], "--range") != 0) {
            rest.push_back(words[i]);
            continue;
        }
        if (i + 1 == words.size() || !ReadRange(words[++i], p)) {
            out << "Error: range must be lo:hi, finite numbers with lo < hi (as 66400:66460)\n";
            return OPTION_ERROR_STATUS;
        }
        p.rangeGiven = true;
    }
    words.swap(rest);
    return 0;
}

// Sorts the arguments into the formula, the table file name (null when not
// given) and the options; takes "-o file", "-w width", "-a adduct", the
// resolution and the molecule options out, leaving morvane's in `rest`.
// Returns 0, or OPTION_ERROR_STATUS with the message written.
int TakePlotOptions(int argc, char** argv, PlotSettings& p, RunSettings& s, std::vector<char*>& rest,
                    std::ostream& out)
{
    std::vector<char*> words(argv + 1, argv + argc), plain;
    if (SortFrontEndWords(words, PLOT_OPTIONS, plain, out) != 0) return OPTION_ERROR_STATUS;
    if (plain.empty() || plain.size() > 2) {
        out << (plain.empty() ? "Error: formula not specified\n"
                              : "Error: unexpected word " + std::string(plain[2]) + ": give a formula and a table file\n");
        return OPTION_ERROR_STATUS;
    }
    s.formula = plain[0];
    s.tablefile = plain.size() == 2 ? plain[1] : nullptr;
    if (TakeResolutionOptions(words, false, p.instrument, out) != 0) return OPTION_ERROR_STATUS;
    if (TakeMoleculeOptions(words, "--sequence", p.molecules, out) != 0) return OPTION_ERROR_STATUS;
    if (TakeRange(words, p, out) != 0) return OPTION_ERROR_STATUS;
    if (TakeMeasuredOptions(words, p.measured, out) != 0) return OPTION_ERROR_STATUS;
    if (!p.molecules.fixedWords.empty() && !p.molecules.sequences) {
        out << "Error: fixed modifications need --sequence\n";
        return OPTION_ERROR_STATUS;
    }
    bool haveOutput = false;
    rest.clear();
    for (std::size_t i = 0; i < words.size(); ++i) {
        const bool last = i + 1 == words.size();
        if (std::strcmp(words[i], "-o") == 0) {
            if (last) break;
            p.output = words[++i];
            haveOutput = true;
        } else if (std::strcmp(words[i], "-w") == 0) {
            if (last) {
                out << "Error: peak width not specified\n";
                return OPTION_ERROR_STATUS;
            }
            char* end = nullptr;
            p.width = std::strtod(words[++i], &end);
            p.widthGiven = true;
            if (*end != '\0' || !(p.width > 0)) {
                out << "Error: peak width must be > 0\n";
                return OPTION_ERROR_STATUS;
            }
            if (!(p.width >= MIN_PLOT_WIDTH && p.width <= MAX_PLOT_WIDTH)) {
                out << "Error: peak width must be between 1e-9 and 1e9\n";
                return OPTION_ERROR_STATUS;
            }
        } else if (std::strcmp(words[i], "-a") == 0) {
            if (last || !p.adduct.empty()) {
                out << (last ? "Error: adduct not specified\n" : "Error: a picture shows one ion: give -a once\n");
                return OPTION_ERROR_STATUS;
            }
            p.adduct = words[++i];
        } else {
            rest.push_back(words[i]);
        }
    }
    if (!haveOutput || p.output.empty()) {
        out << "Error: output file not specified\n";
        return OPTION_ERROR_STATUS;
    }
    if (p.widthGiven && p.instrument.resolution) {
        out << "Error: -w is the constant width of the plain profile: leave it out with a resolution\n";
        return OPTION_ERROR_STATUS;
    }
    p.format = FormatOfName(p.output);
    if (p.format == PictureFormat::NONE) {
        out << "Error: name the output file *.svg, *.png or *.pdf\n";
        return OPTION_ERROR_STATUS;
    }
    return 0;
}

std::string Title(const RunSettings& s, const PlotSettings& p)
{
    std::ostringstream t;
    const char* unit = s.masstocharge ? "" : " u";
    t << s.formula << (p.adduct.empty() ? "" : " " + p.adduct) << " \u2014 " << SelectionText(s) << ", merge " << s.merge << unit << ", FWHM " << p.width << unit;
    if (s.charge != 0) t << ", charge " << s.charge;
    if (s.filter > 0) t << ", peaks from " << s.filter << " %";
    return t.str();
}

// Widens [lo, hi] about its middle to at least MIN_RELATIVE_SPAN of its
// largest position.
void WidenToDrawable(double& lo, double& hi)
{
    const double least = MIN_RELATIVE_SPAN * std::max(std::fabs(lo), std::fabs(hi));
    if (hi - lo >= least) return;
    const double middle = lo / 2 + hi / 2;
    lo = middle - least / 2;
    hi = middle + least / 2;
}

PatternPicture Picture(const std::vector<isotope>& peaks, const RunSettings& s, const PlotSettings& p)
{
    PatternPicture pic;
    pic.title = Title(s, p);
    pic.xlabel = s.masstocharge ? "m/z" : "mass (u)";
    pic.precision = std::min(s.precision, 17);
    for (const isotope& peak : peaks) {
        if (peak.abundance < s.filter) continue;
        pic.positions.push_back(peak.mass);
        pic.heights.push_back(peak.abundance);
    }
    if (pic.positions.empty()) return pic;
    const auto range = std::minmax_element(pic.positions.begin(), pic.positions.end());
    pic.xmin = *range.first - MARGIN_WIDTHS * p.width;
    pic.xmax = *range.second + MARGIN_WIDTHS * p.width;
    WidenToDrawable(pic.xmin, pic.xmax);
    const double wanted = (pic.xmax - pic.xmin) / p.width * STEPS_PER_WIDTH;
    const std::size_t points = static_cast<std::size_t>(
        std::min(static_cast<double>(MAX_POINTS), std::max(static_cast<double>(MIN_POINTS), wanted)));
    pic.profiley = SampledProfile(peaks, pic.xmin, pic.xmax, points, p.width);
    for (std::size_t i = 0; i < points; ++i)
        pic.profilex.push_back(pic.xmin + (pic.xmax - pic.xmin) * static_cast<double>(i) /
                                              static_cast<double>(points - 1));
    const double highest = *std::max_element(pic.profiley.begin(), pic.profiley.end());
    if (highest > 0)
        for (double& y : pic.profiley) y = y * 100.0 / highest;
    return pic;
}

// The picture of the pattern as morvane merges its peaks, its profile that
// of the constant width -w; the status of PlotPattern.
int PlainPicture(RunSettings s, PlotSettings& p, PatternPicture& pic, std::ostream& out)
{
    PatternResult r;
    const int status = PlotPattern(s, p, true, r, out);
    if (status != 0) return status;
    TakeIonCharge(p, r, s);
    pic = Picture(r.peaks, s, p);
    return 0;
}

// Keeps the entries of xs (and their ys) within [lo, hi], and with `beyond`
// the nearest one outside at each end too.
void KeepWithin(std::vector<double>& xs, std::vector<double>& ys, double lo, double hi, bool beyond)
{
    std::vector<double> keptx, kepty;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const bool near = beyond && ((i + 1 < xs.size() && xs[i + 1] >= lo && xs[i] < lo) ||
                                     (i > 0 && xs[i - 1] <= hi && xs[i] > hi));
        if ((xs[i] >= lo && xs[i] <= hi) || near) {
            keptx.push_back(xs[i]);
            kepty.push_back(ys[i]);
        }
    }
    xs.swap(keptx);
    ys.swap(kepty);
}

}  // namespace

void KeepRange(PatternPicture& pic, double lo, double hi)
{
    KeepWithin(pic.positions, pic.heights, lo, hi, false);
    KeepWithin(pic.profilex, pic.profiley, lo, hi, true);  // the frame clips the profile's ends
    KeepWithin(pic.labelx, pic.labely, lo, hi, false);
    pic.xmin = lo;
    pic.xmax = hi;
    WidenToDrawable(pic.xmin, pic.xmax);
}

std::vector<double> SampledProfile(const std::vector<isotope>& peaks, double lo, double hi, std::size_t points,
                                   double width)
{
    const double step = (hi - lo) / static_cast<double>(points - 1);
    std::vector<double> binned(points, 0.0);
    for (const isotope& peak : peaks) {
        const double u = std::min(std::max((peak.mass - lo) / step, 0.0), static_cast<double>(points - 1));
        const std::size_t i = std::min(static_cast<std::size_t>(u), points - 2);
        const double share = u - static_cast<double>(i);
        binned[i] += peak.abundance * (1 - share);
        binned[i + 1] += peak.abundance * share;
    }
    const std::size_t reach = static_cast<std::size_t>(
        std::min(static_cast<double>(points - 1), std::ceil(REACH_WIDTHS * width / step)));
    std::vector<double> kernel(reach + 1);
    for (std::size_t k = 0; k <= reach; ++k) {
        const double d = static_cast<double>(k) * step / width;
        kernel[k] = std::exp(d * d * -2.772588722);
    }
    std::vector<double> profile(points, 0.0);
    for (std::size_t j = 0; j < points; ++j) {
        const std::size_t from = j < reach ? 0 : j - reach, to = std::min(points - 1, j + reach);
        double y = 0;
        for (std::size_t i = from; i <= to; ++i) y += binned[i] * kernel[i < j ? j - i : i - j];
        profile[j] = y;
    }
    return profile;
}

int DrawPlot(int argc, char** argv, PlotSettings& p, std::string& svg, std::ostream& out)
{
    std::vector<char*> rest;
    RunSettings s;
    if (TakePlotOptions(argc, argv, p, s, rest, out) != 0) return OPTION_ERROR_STATUS;
    // Only options are left: the formula and the table stay as sorted.
    if (ScanTableAndOptions(static_cast<int>(rest.size()), rest.data(), s, out) != 0) return OPTION_ERROR_STATUS;
    if (IsSameFile(p.output, s.tablefile != nullptr ? s.tablefile : DefaultTablePath())) {
        out << "Error: output file " << p.output << " is the isotope table; name another file\n";
        return OPTION_ERROR_STATUS;
    }
    if (!p.adduct.empty() && (s.charge != 0 || s.masstocharge)) {
        out << "Error: an adduct sets the charge; leave out -z and -mtz\n";
        return OPTION_ERROR_STATUS;
    }
    if (const char* fault = SettingFault(PatternSettingsOf(s, p.instrument))) {
        out << "Error: " << fault << "\n";
        return OPTION_ERROR_STATUS;
    }
    PatternPicture pic;
    const int status = p.instrument.resolution ? ResolvedPicture(s, p, pic, out) : PlainPicture(s, p, pic, out);
    if (status != 0) return status;  // the calculation's status is the exit status
    if (p.rangeGiven) KeepRange(pic, p.rangeLo, p.rangeHi);
    if (!p.measured.file.empty()) {
        const Resolution drawn = p.instrument.resolution ? *p.instrument.resolution : Resolution::ConstantWidth(p.width);
        if (const int read = AddMeasured(p.measured, drawn, pic, out)) return read;
    }
    svg = RenderSvg(pic);
    return 0;
}

}  // namespace morvane
