#ifndef MORVANE_PLOT_MEASUREDMIRROR_H
#define MORVANE_PLOT_MEASUREDMIRROR_H

#include <ostream>
#include <string>
#include <vector>

#include "match/MzFile.h"
#include "match/PeakListFile.h"
#include "morvane-plot/SvgPlot.h"
#include "resolution/Resolution.h"

namespace morvane {

// The measured spectrum morvane-plot draws as a mirror under the pattern.
struct MeasuredOptions {
    std::string file;           // --spectrum: none drawn when empty
    SpectrumReadSettings read;  // --scan's MGF block; the profile's resolution with --profile-data
    ScanSelection scans;        // --scan, --native-id, --rt, --rt-range of an mzML or mzXML run
    bool profileData = false;   // --profile-data: the file holds profile points
};

// Takes --spectrum FILE, --profile-data and the scan options
// (frontend/SpectrumOptions.h), with their values, out of `words`, leaving
// the others in order. Returns 0, or 5 after writing the message to `out`
// for a missing or bad value, or a scan option or --profile-data without
// --spectrum; `m` may then hold part of the options.
int TakeMeasuredOptions(std::vector<char*>& words, MeasuredOptions& m, std::ostream& out);

// Reads the spectrum of `m` (profile points centroided at `plotResolution`,
// the width the pattern is drawn with) and sets it into `pic` as a mirror:
// its peaks within pic.xmin..pic.xmax, downwards in percent of the largest
// of them. Returns 0, or 1 after writing "Error: " and the reader's reason
// to `out` when the file cannot be read, holds no such scan or is refused;
// `pic` is then unchanged.
int AddMeasured(const MeasuredOptions& m, const Resolution& plotResolution, PatternPicture& pic, std::ostream& out);

}  // namespace morvane

#endif
