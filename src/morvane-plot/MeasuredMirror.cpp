#include "morvane-plot/MeasuredMirror.h"

#include <algorithm>
#include <cstring>

#include "core/Status.h"
#include "frontend/SpectrumOptions.h"

namespace morvane {

int TakeMeasuredOptions(std::vector<char*>& words, MeasuredOptions& m, std::ostream& out)
{
    std::vector<char*> rest;
    std::string chooser;  // the first option that needs the file
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string w = words[i];
        if (w == "--profile-data") {
            m.profileData = true;
            if (chooser.empty()) chooser = w;
            continue;
        }
        if (w != "--spectrum" && !IsScanOption(w)) {
            rest.push_back(words[i]);
            continue;
        }
        if (i + 1 == words.size() || (w == "--spectrum" && *words[i + 1] == '\0')) {
            out << "Error: " << w << " needs a value\n";
            return OPTION_ERROR_STATUS;
        }
        const char* value = words[++i];
        if (w == "--spectrum") m.file = value;
        else if (TakeScanOption(w, value, m.read, m.scans, out) == ScanOptionUse::Refused) return OPTION_ERROR_STATUS;
        else if (chooser.empty()) chooser = w;
    }
    if (m.file.empty() && !chooser.empty()) {
        out << "Error: " << chooser << " needs --spectrum FILE\n";
        return OPTION_ERROR_STATUS;
    }
    words.swap(rest);
    return 0;
}

int AddMeasured(const MeasuredOptions& m, const Resolution& plotResolution, PatternPicture& pic, std::ostream& out)
{
    SpectrumReadSettings read = m.read;
    if (m.profileData) read.profile = plotResolution;
    MeasuredSpectrum spectrum;
    std::string reason;
    const int status = IsMzFile(m.file) ? ReadMzFile(m.file, m.scans, read.profile, spectrum, reason)
                                        : ReadSpectrumFile(m.file, read, spectrum, reason);
    if (status != 0) {
        out << "Error: " << reason << "\n";
        return INPUT_NOT_READ_STATUS;
    }
    const std::vector<isotope>& peaks = spectrum.Peaks();
    const auto drawn = spectrum.Between(pic.xmin, pic.xmax);
    double largest = 0;
    for (std::size_t i = drawn.first; i < drawn.second; ++i) largest = std::max(largest, peaks[i].abundance);
    pic.mirror = true;
    pic.measuredx.clear();
    pic.measuredy.clear();
    for (std::size_t i = drawn.first; i < drawn.second; ++i) {
        pic.measuredx.push_back(peaks[i].mass);
        pic.measuredy.push_back(-peaks[i].abundance * 100.0 / largest);
    }
    return 0;
}

}  // namespace morvane
