#ifndef MORVANE_MATCH_PEAKLISTFILE_H
#define MORVANE_MATCH_PEAKLISTFILE_H

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

#include "../resolution/Resolution.h"
#include "MeasuredSpectrum.h"

namespace morvane {

// A peak list holding more peaks (or profile points) than this is refused
// as it is read, before its memory grows further (16 bytes a peak).
const std::size_t MAX_SPECTRUM_PEAKS = 20000000;
// A line longer than this is refused: no peak list has one.
const std::size_t MAX_SPECTRUM_LINE = 4096;

// How a spectrum file is read.
struct SpectrumReadSettings {
    // The data are profile points, centroided here at this resolution by
    // resolution/Profile.h's MakeCentroids (each point a Gaussian of the
    // local width, so noise within a width is smoothed), the centroid's
    // intensity the points' sum between its valleys; none: they are centroids.
    std::optional<Resolution> profile;
    // For MGF, the block (BEGIN IONS ... END IONS) to read, counted from 1.
    int scan = 1;
};

// Reads a spectrum: either an MGF file (its first line that is neither
// blank nor a comment is BEGIN IONS; the block `scan`'s peak lines are read,
// its KEY=value lines skipped), or a peak list of two numeric columns, m/z
// and intensity, separated by blanks, tabs, a comma or a semicolon, with an
// optional header line first; blank lines and lines starting with # are
// skipped, further columns ignored. Returns 0, or 1 with the reason
// (the line number and what is wrong, a count beyond MAX_SPECTRUM_PEAKS,
// a missing MGF block, MeasuredSpectrum's checks, the centroider's refusal);
// `spectrum` is then unchanged.
int ReadSpectrum(std::istream& in, const SpectrumReadSettings& s, MeasuredSpectrum& spectrum, std::string& reason);

// The same from a file, which must be a regular file that can be opened.
int ReadSpectrumFile(const std::string& path, const SpectrumReadSettings& s, MeasuredSpectrum& spectrum,
                     std::string& reason);

}  // namespace morvane

#endif
