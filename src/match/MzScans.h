#ifndef MORVANE_MATCH_MZSCANS_H
#define MORVANE_MATCH_MZSCANS_H

#include <functional>
#include <optional>
#include <string>

#include "../resolution/Resolution.h"
#include "MeasuredSpectrum.h"

namespace morvane {

// One MS1 scan of an LC-MS run.
struct MzScan {
    int index = 0;              // its place among the run's MS1 scans, from 1 (as ScanSelection's index)
    std::string nativeId;       // mzML's id ("spectrum=1487", "controllerType=0 controllerNumber=1 scan=42"), else "scan=N"
    double minutes = 0;         // retention time
    MeasuredSpectrum spectrum;  // no peaks when the scan holds none of intensity above 0
};

// Reads the MS1 scans of an mzML or mzXML run (by its name's ending) whose
// retention time is from `from` to `to` minutes, and hands each to `each`
// in the run's order, one at a time: the reader runs in a child process
// (ReaderChild.h says why) that sends one scan's peaks through a pipe as this
// process takes them, so that memory holds one scan whatever the run's
// size. A scan brings at most MAX_MZ_PEAKS peaks. Profile scans are
// centroided at `profile` as ReadMzFile does.
// Returns 0 after the last scan; or 1 with the reason (the file named, and
// the scan when one is at fault) when the file cannot be read or is named
// as no mzML or mzXML run, no MS1 scan
// lies in the range, a scan has too many peaks or a bad one (MeasuredSpectrum's
// checks), or the file turns out corrupt or truncated midway. `each` has
// then been called for every scan before the fault. An exception from
// `each` leaves through this function after the reader has ended.
int ForEachMzScan(const std::string& path, double from, double to, const std::optional<Resolution>& profile,
                  const std::function<void(const MzScan&)>& each, std::string& reason);

}  // namespace morvane

#endif
