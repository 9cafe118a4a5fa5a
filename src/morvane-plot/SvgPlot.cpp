#include "morvane-plot/SvgPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace morvane {

namespace {

const double WIDTH = 900, HEIGHT = 520;
const double LEFT = 80, RIGHT = 30, TOP = 60, BOTTOM = 70;
const double PLOT_W = WIDTH - LEFT - RIGHT, PLOT_H = HEIGHT - TOP - BOTTOM;
// Percent at the top of the frame: above the largest peak there is room
// for four rows of labels.
const double YMAX = 125;
const double LABEL_FONT = 12;  // px
const double LABEL_GAP = 4;    // px between a label and the sticks beneath it
// The measured spectrum's sticks, grey as in Python's mirror plots.
const char* const MEASURED_COLOUR = "#737373";
// NiceStep gives at most 20 intervals; this only bounds the loop.
const int MAX_TICKS = 100;

// Text as XML character data. Control characters, which XML does not allow
// (or which would break the line of a title), are dropped.
std::string Escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) continue;
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Number(double v, int digits)
{
    std::ostringstream s;
    s.precision(digits);
    s << v;
    return s.str();
}

// Tick spacing of 1, 2 or 5 times a power of ten giving about `target`
// intervals over [lo, hi].
double NiceStep(double lo, double hi, int target)
{
    const double raw = (hi - lo) / target;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

class Frame {
public:
    explicit Frame(const PatternPicture& p) : lo_(p.xmin), hi_(p.xmax), bottom_(p.mirror ? -YMAX : 0) {}
    double X(double position) const { return LEFT + (position - lo_) / (hi_ - lo_) * PLOT_W; }
    double Y(double percent) const { return TOP + PLOT_H - (percent - bottom_) / (YMAX - bottom_) * PLOT_H; }

private:
    double lo_, hi_;
    double bottom_;  // percent at the bottom of the frame
};

void Axes(std::ostringstream& svg, const PatternPicture& p, const Frame& f)
{
    svg << "<g class=\"axes\" stroke=\"#333\" stroke-width=\"1\" fill=\"none\">\n"
        << "<rect x=\"" << LEFT << "\" y=\"" << TOP << "\" width=\"" << PLOT_W << "\" height=\"" << PLOT_H
        << "\"/>\n</g>\n<g class=\"ticks\" font-family=\"sans-serif\" font-size=\"13\" fill=\"#333\">\n";
    const double step = NiceStep(p.xmin, p.xmax, 8);
    const int digits = static_cast<int>(std::max(0.0, -std::floor(std::log10(step)))) + 1;
    // Enough significant digits to tell neighbouring ticks apart however
    // large the positions are.
    const double largest = std::max(std::fabs(p.xmin), std::fabs(p.xmax));
    const int significant = static_cast<int>(std::floor(std::log10(largest / step))) + 3;
    const int precision = std::max(digits + 6, significant);
    // Tick k sits at k * step: computed by index, never by adding up steps.
    const double first = std::ceil(p.xmin / step), last = std::floor(p.xmax / step);
    for (int i = 0; i <= MAX_TICKS && first + i <= last; ++i) {
        const double t = (first + i) * step;
        const double x = f.X(t);
        svg << "<line x1=\"" << x << "\" y1=\"" << TOP + PLOT_H << "\" x2=\"" << x << "\" y2=\"" << TOP + PLOT_H + 6
            << "\" stroke=\"#333\"/>\n<text x=\"" << x << "\" y=\"" << TOP + PLOT_H + 22
            << "\" text-anchor=\"middle\">" << Number(std::fabs(t) < step / 2 ? 0 : t, precision) << "</text>\n";
    }
    // With a mirror, the measured percent downwards are written as positive.
    const int percentStep = p.mirror ? 50 : 20;
    for (int percent = p.mirror ? -100 : 0; percent <= 100; percent += percentStep) {
        const double y = f.Y(percent);
        svg << "<line x1=\"" << LEFT - 6 << "\" y1=\"" << y << "\" x2=\"" << LEFT << "\" y2=\"" << y
            << "\" stroke=\"#333\"/>\n<line x1=\"" << LEFT << "\" y1=\"" << y << "\" x2=\"" << LEFT + PLOT_W
            << "\" y2=\"" << y << "\" stroke=\"#ddd\"/>\n<text x=\"" << LEFT - 10 << "\" y=\"" << y + 4
            << "\" text-anchor=\"end\">" << std::abs(percent) << "</text>\n";
    }
    svg << "<text x=\"" << LEFT + PLOT_W / 2 << "\" y=\"" << HEIGHT - 18 << "\" text-anchor=\"middle\" font-size=\"15\">"
        << Escape(p.xlabel) << "</text>\n<text transform=\"translate(22 " << TOP + PLOT_H / 2
        << ") rotate(-90)\" text-anchor=\"middle\" font-size=\"15\">abundance (% of largest peak)"
        << (p.mirror ? ": calculated up, measured down" : "") << "</text>\n</g>\n";
}

void Profile(std::ostringstream& svg, const PatternPicture& p, const Frame& f)
{
    if (p.profilex.empty()) return;
    svg << "<path class=\"profile\" fill=\"#f4a261\" fill-opacity=\"0.35\" stroke=\"#e76f51\" stroke-width=\"1.5\" d=\"M"
        << f.X(p.profilex.front()) << ' ' << f.Y(0);
    for (std::size_t i = 0; i < p.profilex.size(); ++i) svg << " L" << f.X(p.profilex[i]) << ' ' << f.Y(p.profiley[i]);
    svg << " L" << f.X(p.profilex.back()) << ' ' << f.Y(0) << " Z\"/>\n";
}

void Sticks(std::ostringstream& svg, const PatternPicture& p, const Frame& f)
{
    svg << "<g class=\"sticks\" stroke=\"#1d3557\" stroke-width=\"2\">\n";
    for (std::size_t i = 0; i < p.positions.size(); ++i) {
        const double x = f.X(p.positions[i]);
        svg << "<line class=\"stick\" data-position=\"" << Number(p.positions[i], p.precision) << "\" data-height=\""
            << Number(p.heights[i], p.precision) << "\" x1=\"" << x << "\" y1=\"" << f.Y(0) << "\" x2=\"" << x
            << "\" y2=\"" << f.Y(p.heights[i]) << "\"/>\n";
    }
    svg << "</g>\n";
}

// The measured peaks as grey sticks downwards from a line at 0 %.
void Mirror(std::ostringstream& svg, const PatternPicture& p, const Frame& f)
{
    if (!p.mirror) return;
    svg << "<line class=\"zero\" x1=\"" << LEFT << "\" y1=\"" << f.Y(0) << "\" x2=\"" << LEFT + PLOT_W << "\" y2=\""
        << f.Y(0) << "\" stroke=\"#333\" stroke-width=\"1\"/>\n<g class=\"measured\" stroke=\"" << MEASURED_COLOUR
        << "\" stroke-width=\"1.5\">\n";
    for (std::size_t i = 0; i < p.measuredx.size(); ++i) {
        const double x = f.X(p.measuredx[i]);
        svg << "<line class=\"measured-stick\" data-position=\"" << Number(p.measuredx[i], p.precision)
            << "\" data-height=\"" << Number(p.measuredy[i], p.precision) << "\" x1=\"" << x << "\" y1=\"" << f.Y(0)
            << "\" x2=\"" << x << "\" y2=\"" << f.Y(p.measuredy[i]) << "\"/>\n";
    }
    svg << "</g>\n";
}

// The width (px) a label takes: digits of sans-serif type are at most 0.6
// of the font size wide; a margin keeps neighbours apart.
double LabelWidth(const std::string& text) { return static_cast<double>(text.size()) * LABEL_FONT * 0.6 + 8; }

// The place of a label's text (px): its span across and from its top down
// to its baseline.
struct Box {
    double lo, hi, top, baseline;
    bool Overlaps(const Box& o) const
    {
        return lo < o.hi && hi > o.lo && top < o.baseline + LABEL_GAP && baseline + LABEL_GAP > o.top;
    }
};

// The baseline just above the top of `height` and of every stick that
// stands beneath the span [lo, hi] (a stick is 2 px wide).
double BaselineAbove(const PatternPicture& p, const Frame& f, double lo, double hi, double height)
{
    double top = f.Y(height);
    for (std::size_t i = 0; i < p.positions.size(); ++i) {
        const double x = f.X(p.positions[i]);
        if (x + 1 > lo && x - 1 < hi) top = std::min(top, f.Y(p.heights[i]));
    }
    return top - LABEL_GAP;
}

// Raises `b` above every label it would overlap; false when it no longer
// fits beneath the top of the frame.
bool Lift(Box& b, const std::vector<Box>& placed)
{
    for (bool moved = true; moved;) {
        moved = false;
        for (const Box& o : placed) {
            if (!b.Overlaps(o)) continue;
            b.baseline = o.top - LABEL_GAP;
            b.top = b.baseline - LABEL_FONT;
            moved = true;
        }
    }
    return b.top >= TOP;
}

// The peaks (or the picture's own label places) from the tallest down.
std::vector<std::size_t> TallestFirst(const std::vector<double>& heights)
{
    std::vector<std::size_t> order(heights.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return heights[a] > heights[b]; });
    return order;
}

void LabelNote(std::ostringstream& svg, bool own, std::size_t labelled, std::size_t all)
{
    const std::string what = own ? "centroid" : "peak";
    svg << "<text class=\"label-note\" x=\"" << LEFT + PLOT_W << "\" y=\"" << TOP - 8
        << "\" text-anchor=\"end\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#555\">"
        << (labelled == all ? "every " + what + " labelled"
                            : "labels on the " + std::to_string(labelled) + " tallest of " + std::to_string(all) + " " +
                                  what + "s, as many as fit")
        << "</text>\n";
}

// Labels the peaks (or the picture's own label places) tallest first, each
// clear of the sticks beneath it and of the labels already placed, raised
// above them where it must; the first that does not fit below the top of
// the frame ends the labels, so that the labelled peaks are always the
// tallest. A note says how many carry labels.
void Labels(std::ostringstream& svg, const PatternPicture& p, const Frame& f)
{
    const bool own = p.centroidLabels;
    const std::vector<double>& positions = own ? p.labelx : p.positions;
    const std::vector<double>& heights = own ? p.labely : p.heights;
    std::vector<Box> placed;
    svg << "<g class=\"labels\" font-family=\"sans-serif\" font-size=\"" << LABEL_FONT
        << "\" fill=\"#1d3557\" text-anchor=\"middle\">\n";
    for (std::size_t i : TallestFirst(heights)) {
        // Four decimals, as masses are quoted.
        std::ostringstream label;
        label.setf(std::ios::fixed);
        label.precision(4);
        label << positions[i];
        const double half = LabelWidth(label.str()) / 2;
        const double x = std::min(std::max(f.X(positions[i]), LEFT + half), LEFT + PLOT_W - half);
        const double baseline = BaselineAbove(p, f, x - half, x + half, heights[i]);
        Box b{x - half, x + half, baseline - LABEL_FONT, baseline};
        if (!Lift(b, placed)) break;
        placed.push_back(b);
        svg << "<text class=\"peak-label\" x=\"" << x << "\" y=\"" << b.baseline << "\">" << label.str() << "</text>\n";
    }
    svg << "</g>\n";
    if (!positions.empty()) LabelNote(svg, own, placed.size(), positions.size());
}

// A key to the sticks, the profile and the measured mirror when the sticks
// and either of the others are drawn: in the margin above the frame at its
// left, on the line of the label note (which stands at the right), where no
// peak label reaches (labels stay below the top of the frame) and clear of
// the title.
void Legend(std::ostringstream& svg, const PatternPicture& p)
{
    const bool profile = !p.profilex.empty();
    if (p.positions.empty() || (!profile && !p.mirror)) return;
    const double baseline = TOP - 8;
    const std::string name = Escape(p.stickName);
    double x = LEFT + 13 + LabelWidth(name) + 10;  // where the next key begins
    svg << "<g class=\"legend\" font-family=\"sans-serif\" font-size=\"" << LABEL_FONT << "\" fill=\"#333\">\n"
        << "<line x1=\"" << LEFT + 5 << "\" y1=\"" << baseline - 11 << "\" x2=\"" << LEFT + 5 << "\" y2=\"" << baseline + 1
        << "\" stroke=\"#1d3557\" stroke-width=\"2\"/>\n<text x=\"" << LEFT + 13 << "\" y=\"" << baseline << "\">"
        << name << "</text>\n";
    if (profile) {
        svg << "<rect x=\"" << x << "\" y=\"" << baseline - 10 << "\" width=\"16\" height=\"10\" "
            << "fill=\"#f4a261\" fill-opacity=\"0.35\" stroke=\"#e76f51\" stroke-width=\"1.5\"/>\n<text x=\"" << x + 22
            << "\" y=\"" << baseline << "\">profile</text>\n";
        x += 22 + LabelWidth("profile") + 10;
    }
    if (p.mirror)
        svg << "<line x1=\"" << x + 5 << "\" y1=\"" << baseline - 11 << "\" x2=\"" << x + 5 << "\" y2=\"" << baseline + 1
            << "\" stroke=\"" << MEASURED_COLOUR << "\" stroke-width=\"1.5\"/>\n<text x=\"" << x + 13 << "\" y=\""
            << baseline << "\">measured</text>\n";
    svg << "</g>\n";
}

}  // namespace

std::string RenderSvg(const PatternPicture& p)
{
    const Frame f(p);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << WIDTH << "\" height=\"" << HEIGHT << "\" viewBox=\"0 0 "
        << WIDTH << ' ' << HEIGHT << "\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
        << "<text x=\"" << WIDTH / 2 << "\" y=\"32\" text-anchor=\"middle\" font-family=\"sans-serif\" font-size=\"17\">"
        << Escape(p.title) << "</text>\n"
        << "<defs><clipPath id=\"plot\"><rect x=\"" << LEFT << "\" y=\"" << TOP << "\" width=\"" << PLOT_W
        << "\" height=\"" << PLOT_H << "\"/></clipPath></defs>\n";
    Axes(svg, p, f);
    svg << "<g clip-path=\"url(#plot)\">\n";
    Profile(svg, p, f);
    Mirror(svg, p, f);
    Sticks(svg, p, f);
    svg << "</g>\n";
    Labels(svg, p, f);
    Legend(svg, p);
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace morvane
