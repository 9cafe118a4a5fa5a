#ifndef MORVANE_PLOT_PLOTPICTURE_H
#define MORVANE_PLOT_PLOTPICTURE_H

#include <ostream>
#include <string>
#include <vector>

#include "elements/isotope.h"
#include "frontend/MoleculeOptions.h"
#include "frontend/ResolutionOptions.h"
#include "morvane-plot/MeasuredMirror.h"
#include "morvane-plot/PictureFile.h"
#include "morvane-plot/SvgPlot.h"

namespace morvane {

// What morvane-plot adds to morvane's options.
struct PlotSettings {
    std::string output;  // -o: the picture file
    PictureFormat format = PictureFormat::SVG;  // as the name of -o asks
    double width = 0.1;  // -w: full width at half maximum of the profile
    std::string adduct;  // -a: the ion to draw, or empty for the molecule
    bool widthGiven = false;
    // --resolution with --analyzer, or --fwhm: the profile of that
    // instrument over the variants (fine structure unless -r is given), its
    // centroids labelled.
    ResolutionOptions instrument;
    // --sequence, --enrichment, --fixed: how the formula is read.
    MoleculeOptions molecules;
    // --range lo:hi: the positions drawn, when given.
    bool rangeGiven = false;
    double rangeLo = 0, rangeHi = 0;
    // --spectrum FILE, the scan options and --profile-data: a measured
    // spectrum drawn as a mirror under the pattern.
    MeasuredOptions measured;
};

// Keeps of `pic` only what lies in [lo, hi] (sticks, profile points, label
// places) and makes that range its frame, widened about its middle where it
// is too narrow to draw.
void KeepRange(PatternPicture& pic, double lo, double hi);

// Narrowest and widest accepted -w: a narrower peak has no distinct
// coordinates beside masses of hundreds of u, a wider one pushes the frame
// beyond any mass.
const double MIN_PLOT_WIDTH = 1e-9, MAX_PLOT_WIDTH = 1e9;

// The profile of `peaks` (positions in any order) as an instrument of full
// width at half maximum `width` records it, at `points` (at least 2) evenly
// spaced positions from lo to hi, which enclose every peak. Each peak's
// height is shared between its two neighbouring grid positions (keeping its
// centroid), and the grid is convolved with the Gaussian of that width cut
// at a few widths: the cost is one step per peak plus a bounded number of
// steps per position, however many peaks there are.
std::vector<double> SampledProfile(const std::vector<isotope>& peaks, double lo, double hi, std::size_t points,
                                   double width);

// Everything of one morvane-plot run short of writing the file: scans the
// arguments (argv[0] the program name, argc >= 2), calculates and renders the
// picture into `svg`, and fills `p`. Returns 0, or the exit status with its
// message written to `out` (5 for an option, 1 for a measured spectrum that
// cannot be read, otherwise as morvane) and `svg` left as it was.
int DrawPlot(int argc, char** argv, PlotSettings& p, std::string& svg, std::ostream& out);

}  // namespace morvane

#endif
