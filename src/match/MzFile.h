#ifndef MORVANE_MATCH_MZFILE_H
#define MORVANE_MATCH_MZFILE_H

#include <cstddef>
#include <optional>
#include <string>

#include "../resolution/Resolution.h"
#include "MeasuredSpectrum.h"

namespace morvane {

// The most peaks one spectrum of a run may bring, summed scans included.
inline constexpr std::size_t MAX_MZ_PEAKS = 20000000;

// Which MS1 scans of an mzML or mzXML run make the spectrum.
struct ScanSelection {
    enum class Kind {
        Index,           // the index-th MS1 scan, from 1
        NativeId,        // the scan of this native id (mzML's id, as "scan=42")
        RetentionTime,   // the MS1 scan closest in retention time
        RetentionRange,  // every MS1 scan from `from` to `to`, summed
    };
    Kind kind = Kind::Index;
    int index = 1;
    std::string nativeId;
    double from = 0;  // minutes
    double to = 0;
};

// Reads MS1 scans of an mzML or mzXML file (by its name's ending) through
// MSToolkit's reader, one scan in memory at a time, in a child process: the
// reader ends its process on a file it cannot parse, and this one then
// reports the file as corrupt or truncated instead. At most 20,000,000
// peaks are taken. A summed range merges
// peaks of the scans within 1 ppm of each other (intensity-weighted m/z,
// summed intensity). Profile scans are centroided at `profile` as peak lists
// are (PeakListFile.h). Returns 0, or 1 with the reason when the file cannot
// be read, holds no such scan, or the spectrum is refused
// (MeasuredSpectrum's checks); `spectrum` is then unchanged.
int ReadMzFile(const std::string& path, const ScanSelection& selection, const std::optional<Resolution>& profile,
               MeasuredSpectrum& spectrum, std::string& reason);

// Whether a file name ends in .mzML or .mzXML (any case).
bool IsMzFile(const std::string& path);

}  // namespace morvane

#endif
