#ifndef MORVANE_BATCH_REPORTOPTIONS_H
#define MORVANE_BATCH_REPORTOPTIONS_H

#include <ostream>
#include <vector>

#include "resolution/Profile.h"

namespace morvane {

// What morvane-batch reports of each pattern beyond its peaks: --coverage p
// (the smallest set of variants holding p of the probability instead of a
// threshold), --nominal (bins by extra neutrons instead of merging),
// --composition (each peak's make-up, two more columns) and --summary (one
// row per pattern instead of its peaks), --centroid-intensity sum|area
// (what a centroid's intensity is: resolution/Profile.h).
struct ReportOptions {
    double coverage = 0;  // 0: the threshold decides
    bool nominal = false;
    bool composition = false;
    bool summary = false;
    bool centroidIntensityGiven = false;
    CentroidIntensity centroidIntensity = CentroidIntensity::Sum;
};

// Takes these options, with the values of --coverage and
// --centroid-intensity, out of `words`, leaving
// the others in order. Returns 0, or 5 after writing the message of the
// first bad option to `err`.
int TakeReportOptions(std::vector<char*>& words, ReportOptions& r, std::ostream& err);

}  // namespace morvane

#endif
