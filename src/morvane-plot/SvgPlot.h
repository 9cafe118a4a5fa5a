#ifndef MORVANE_PLOT_SVGPLOT_H
#define MORVANE_PLOT_SVGPLOT_H

#include <string>
#include <vector>

namespace morvane {

// What a picture of an isotope pattern shows: the peaks as sticks, in
// percent of the largest, and the profile an instrument of the given peak
// width would record, sampled on a grid, in percent of its own maximum.
struct PatternPicture {
    std::string title;
    std::string xlabel;
    std::vector<double> positions;   // stick positions (u or m/z)
    std::vector<double> heights;     // stick heights, percent
    std::string stickName = "peaks"; // what the sticks are, for the legend
    std::vector<double> profilex;    // profile grid, ascending
    std::vector<double> profiley;    // profile, percent
    // Where to label the pattern, in percent, when centroidLabels is set;
    // otherwise the sticks are labelled.
    bool centroidLabels = false;
    std::vector<double> labelx;
    std::vector<double> labely;
    // A measured spectrum drawn downwards under the pattern, when `mirror`
    // is set: its peaks' positions and heights (percent of the largest,
    // negative), within [xmin, xmax]. The frame then runs from -125 to 125 %.
    bool mirror = false;
    std::vector<double> measuredx;
    std::vector<double> measuredy;
    double xmin = 0;
    double xmax = 1;
    int precision = 8;               // digits of the positions in the data attributes
};

// The picture as a standalone SVG document, with a legend when it draws
// sticks and a profile or a mirror. Every stick, calculated or measured,
// carries its position and height in data-position and data-height
// attributes, written like morvane's table. The coordinates are finite when every number of the
// picture is and xmin < xmax are distinct at the precision of the positions
// (the frame spans at least 1e-9 of its largest position).
std::string RenderSvg(const PatternPicture& p);

}  // namespace morvane

#endif
