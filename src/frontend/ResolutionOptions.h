#ifndef MORVANE_FRONTEND_RESOLUTIONOPTIONS_H
#define MORVANE_FRONTEND_RESOLUTIONOPTIONS_H

#include <optional>
#include <ostream>
#include <vector>

#include "calc/Pattern.h"
#include "frontend/Options.h"
#include "resolution/Resolution.h"

namespace morvane {

// The instrument a front-end shows the pattern with: --resolution R[@m0]
// with --analyzer tof|orbitrap|fticr (default orbitrap), or --fwhm W; and,
// where the tool offers it, --profile for the profile's points instead of
// its centroids.
struct ResolutionOptions {
    std::optional<Resolution> resolution;  // none given: the peaks as morvane merges them
    bool profile = false;
};

// Takes the resolution options, with their values, out of `words`, leaving
// the others in order. `profileAllowed` says whether --profile is one of
// the tool's options (else it is left in `words`). Returns 0, or 5 after
// writing the message of the first bad option to `err`.
int TakeResolutionOptions(std::vector<char*>& words, bool profileAllowed, ResolutionOptions& r, std::ostream& err);

// The library's settings of a front-end's command line: without -t, the
// pattern of the front-ends' coverage target (FRONT_END_COVERAGE).
PatternSettings PatternSettingsOf(const RunSettings& r, const ResolutionOptions& instrument);

}  // namespace morvane

#endif
