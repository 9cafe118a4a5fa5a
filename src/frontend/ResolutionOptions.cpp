#include "frontend/ResolutionOptions.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/Status.h"

namespace morvane {

namespace {

int Fail(std::ostream& err, const std::string& message)
{
    err << "Error: " << message << "\n";
    return OPTION_ERROR_STATUS;
}

// The words given, before they are made into a resolution.
struct Given {
    const char* resolution = nullptr;
    const char* analyzer = nullptr;
    const char* fwhm = nullptr;
};

int MakeResolution(const Given& g, ResolutionOptions& r, std::ostream& err)
{
    if (g.fwhm != nullptr) {
        if (g.resolution != nullptr || g.analyzer != nullptr)
            return Fail(err, "--fwhm is a resolution of its own: leave out --resolution and --analyzer");
        char* end = nullptr;
        const double w = std::strtod(g.fwhm, &end);
        std::string reason;
        if (*end != '\0' || *g.fwhm == '\0') return Fail(err, "peak width must be > 0");
        if (!CheckFwhm(w, reason)) return Fail(err, reason);
        r.resolution = Resolution::ConstantWidth(w);
        return 0;
    }
    if (g.resolution == nullptr) {
        if (g.analyzer != nullptr) return Fail(err, "--analyzer needs --resolution");
        if (r.profile) return Fail(err, "--profile needs --resolution or --fwhm");
        return 0;
    }
    Analyzer analyzer = Analyzer::Orbitrap;
    if (g.analyzer != nullptr && !ParseAnalyzer(g.analyzer, analyzer))
        return Fail(err, "analyzer must be tof, orbitrap or fticr");
    Resolution parsed = Resolution::ConstantWidth(1);
    std::string reason;
    if (!ParseResolution(g.resolution, analyzer, parsed, reason)) return Fail(err, reason);
    r.resolution = parsed;
    return 0;
}

}  // namespace

PatternSettings PatternSettingsOf(const RunSettings& r, const ResolutionOptions& instrument)
{
    PatternSettings p;
    p.charge = r.charge;
    p.masstocharge = r.masstocharge;
    p.threshold = r.threshold;
    if (!r.thresholdGiven) p.coverage = FRONT_END_COVERAGE;
    p.merge = r.merge;
    p.mergeGiven = r.mergeGiven;
    p.normalize = r.normalize;
    p.filter = r.filter;
    p.resolution = instrument.resolution;
    p.profile = instrument.profile;
    return p;
}

int TakeResolutionOptions(std::vector<char*>& words, bool profileAllowed, ResolutionOptions& r, std::ostream& err)
{
    Given g;
    std::vector<char*> rest;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const char* w = words[i];
        const char** value = std::strcmp(w, "--resolution") == 0 ? &g.resolution
                             : std::strcmp(w, "--analyzer") == 0 ? &g.analyzer
                             : std::strcmp(w, "--fwhm") == 0     ? &g.fwhm
                                                                 : nullptr;
        if (profileAllowed && std::strcmp(w, "--profile") == 0) {
            r.profile = true;
        } else if (value == nullptr) {
            rest.push_back(words[i]);
        } else if (i + 1 == words.size()) {
            return Fail(err, std::string(w + 2) + " not specified");
        } else {
            *value = words[++i];
        }
    }
    words.swap(rest);
    return MakeResolution(g, r, err);
}

}  // namespace morvane
