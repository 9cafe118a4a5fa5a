#include "morvane-batch/ReportOptions.h"

#include <cstdlib>
#include <cstring>

#include "core/Status.h"

namespace morvane {

namespace {

int Fail(std::ostream& err, const char* message)
{
    err << "Error: " << message << "\n";
    return OPTION_ERROR_STATUS;
}

bool IsWord(const char* w, const char* option) { return std::strcmp(w, option) == 0; }

}  // namespace

int TakeReportOptions(std::vector<char*>& words, ReportOptions& r, std::ostream& err)
{
    std::vector<char*> rest;
    bool threshold = false, merge = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const char* w = words[i];
        if (IsWord(w, "--nominal")) {
            r.nominal = true;
        } else if (IsWord(w, "--composition")) {
            r.composition = true;
        } else if (IsWord(w, "--summary")) {
            r.summary = true;
        } else if (IsWord(w, "--coverage")) {
            if (i + 1 == words.size()) return Fail(err, "coverage not specified");
            const char* value = words[++i];
            char* end = nullptr;
            r.coverage = std::strtod(value, &end);
            if (*value == '\0' || *end != '\0' || !(r.coverage > 0 && r.coverage < 1))
                return Fail(err, "coverage must be between 0 and 1");
        } else if (IsWord(w, "--centroid-intensity")) {
            if (i + 1 == words.size()) return Fail(err, "centroid intensity not specified");
            const char* value = words[++i];
            if (!IsWord(value, "sum") && !IsWord(value, "area")) return Fail(err, "centroid intensity must be sum or area");
            r.centroidIntensityGiven = true;
            r.centroidIntensity = IsWord(value, "area") ? CentroidIntensity::Area : CentroidIntensity::Sum;
        } else {
            threshold = threshold || IsWord(w, "-t");
            merge = merge || IsWord(w, "-r");
            rest.push_back(words[i]);
        }
    }
    words.swap(rest);
    if (r.coverage > 0 && threshold) return Fail(err, "give -t or --coverage, not both");
    if (r.nominal && merge) return Fail(err, "--nominal bins by neutrons; leave out -r");
    if (r.summary && r.composition) return Fail(err, "--summary prints no peaks; leave out --composition");
    return 0;
}

}  // namespace morvane
