// morvane-plot: the isotope pattern of a formula as an SVG picture (or that
// picture as PNG or PDF), sticks of the peaks beside the profile of an
// instrument of a given peak width, and a measured spectrum mirrored beneath.
#include <iostream>
#include <string>

#include "core/Status.h"
#include "frontend/Driver.h"
#include "frontend/MemoryCap.h"
#include "frontend/OutputCheck.h"
#include "frontend/ToolInfo.h"
#include "morvane-plot/PictureFile.h"
#include "morvane-plot/PlotPicture.h"

using namespace morvane;

namespace {

const char* const USAGE =
    "morvane-plot: draws the isotope pattern of a formula as an SVG, PNG or PDF picture\n\n"
    "Usage: morvane-plot formula (massfile.txt) -o picture.svg [-w width] [-a adduct] [morvane options]\n"
    "\t-o file\tThe picture to write (required): *.svg, or *.png (1800 x 1040 pixels) or *.pdf (one\n"
    "\t\tpage of 675 x 390 points) rendered from that SVG by librsvg and cairo\n"
    "\t-w width\tPeak width (full width at half maximum) of the profile, defaults to 0.1\n"
    "\t-a adduct\tDraw the ion [nM+A-B...]z+ ([M+H]+, [M-H]-, [M+2H]2+) at m/z\n"
    "\t--resolution R[@m0]\tThe profile of an instrument of resolving power R (1 to 1e9) at m/z m0, its centroids\n"
    "\t\tlabelled (the variants' fine structure unless -r is given); instead of -w\n"
    "\t--analyzer a\tHow its width grows with m/z: tof, orbitrap (default; m0 200) or fticr (m0 400)\n"
    "\t--fwhm W\tAn instrument of one width W (1e-9 to 10000), its centroids labelled\n"
    "\t--sequence\tThe formula is a ProForma peptide (PEM[Oxidation]K/2)\n"
    "\t--enrichment 13C=0.99\tEnrichment of an isotope label; labels are pure without it\n"
    "\t--fixed Mod@X\tA fixed modification of a peptide (Carbamidomethyl@C)\n"
    "\t--range lo:hi\tDraw only the positions from lo to hi (finite, lo < hi), in percent of the whole pattern\n"
    "\t--spectrum file\tA measured spectrum (peak list, MGF, mzML or mzXML) drawn downwards as a mirror under the\n"
    "\t\tpattern, its peaks within the drawn range in percent of their largest\n"
    "\t--scan N, --native-id ID, --rt MIN, --rt-range A..B\tIts scan: the Nth MS1 scan (or MGF block), the one\n"
    "\t\tof that native id, the closest in retention time, or a range of them summed (minutes)\n"
    "\t--profile-data\tIts data are profile points, centroided at the width or resolution of the picture\n"
    "\t--help, --version\tShow this text, or the version, and end\n"
    "Options may stand anywhere, long ones also as --name=value; unknown options are refused.\n"
    "The formula may have groups (Ca(OH)2), hydrates (CuSO4.5H2O) and labels ([13C]6H12O6, D2O)\n"
    "The options -z, -mtz, -t, -r, -f and the table file work as for morvane, but without -t the\n"
    "pattern holds 0.999999 of the probability, accurate where morvane's 0.001 cuts; -p gives the digits\n"
    "of the positions and heights the picture records in its data attributes (default 8, at most 17);\n"
    "the charge is held to -1000..1000, and m/z is mass divided by the magnitude of the charge\n";

int Plot(int argc, char** argv)
{
    std::ostream& out = std::cout;
    PlotSettings p;
    std::string svg;
    const int status = DrawPlot(argc, argv, p, svg, out);
    if (status != 0) return status;  // an option error, or the calculator's status passed through
    std::string bytes;
    std::string reason;
    if (!PictureBytes(svg, p.format, bytes, reason)) {
        out << "Error: cannot render the picture: " << reason << '\n';
        return OUTPUT_FAILURE_STATUS;
    }
    if (!ReplaceFile(p.output, bytes, reason)) {
        out << PLOT_NOT_WRITTEN_MESSAGE;
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
            std::cout << USAGE;
            return 0;
        }
        if (AnswerHelpOrVersion(argc, argv, "morvane-plot", USAGE, std::cout)) return 0;
        return Plot(argc, argv);
    });
    return FinishStandardOutput(status, "morvane-plot");
}
