#ifndef MORVANE_FRONTEND_SPECTRUMOPTIONS_H
#define MORVANE_FRONTEND_SPECTRUMOPTIONS_H

#include <ostream>
#include <string>

#include "match/MzFile.h"
#include "match/PeakListFile.h"

namespace morvane {

// The options that choose the scan of a measured spectrum file, as the
// front-ends that read one (morvane-match, morvane-plot) take them:
// --scan N (the Nth MS1 scan of an mzML or mzXML run, the Nth block of an
// MGF file), --native-id ID, --rt MIN (the MS1 scan closest in retention
// time) and --rt-range A..B (the MS1 scans from A to B minutes, summed).

// What TakeScanOption made of an option.
enum class ScanOptionUse {
    Other,    // not a scan option: nothing read
    Taken,    // its value read
    Refused,  // its value is bad: the message written
};

// Reads `value` as the value of `option` when it is one of the scan options:
// into `read` (the MGF block of --scan) and `scans`. A refused value
// leaves both as they were.
ScanOptionUse TakeScanOption(const std::string& option, const char* value, SpectrumReadSettings& read,
                             ScanSelection& scans, std::ostream& err);

// Whether `option` is one of the scan options.
bool IsScanOption(const std::string& option);

}  // namespace morvane

#endif
