#include "frontend/SpectrumOptions.h"

#include <cmath>

#include "frontend/Options.h"

namespace morvane {

namespace {

// The latest retention time taken, in minutes: some 700 days.
const double MAX_MINUTES = 1e6;

// Minutes from `lo` to MAX_MINUTES, the whole (non-empty) word read.
bool ReadMinutes(const std::string& w, double lo, double& minutes)
{
    double v = 0;
    if (w.empty() || !ConvertReal(w.c_str(), v) || !std::isfinite(v) || v < lo || v > MAX_MINUTES) return false;
    minutes = v;
    return true;
}

// "--rt MIN" or "--rt-range A..B" into `scans`; false when the value is bad.
bool ReadRetention(bool range, const std::string& value, ScanSelection& scans)
{
    const std::size_t dots = value.find("..");
    if (range && dots == std::string::npos) return false;
    double from = 0, to = 0;
    if (!ReadMinutes(value.substr(0, range ? dots : value.size()), 0, from) ||
        (range && !ReadMinutes(value.substr(dots + 2), from, to)))
        return false;
    scans.kind = range ? ScanSelection::Kind::RetentionRange : ScanSelection::Kind::RetentionTime;
    scans.from = from;
    if (range) scans.to = to;
    return true;
}

}  // namespace

bool IsScanOption(const std::string& option)
{
    return option == "--scan" || option == "--native-id" || option == "--rt" || option == "--rt-range";
}

ScanOptionUse TakeScanOption(const std::string& option, const char* value, SpectrumReadSettings& read,
                             ScanSelection& scans, std::ostream& err)
{
    if (option == "--scan") {
        int n = 0;
        if (!ConvertInt(value, n) || n < 1) {
            err << "Error: --scan must be an integer >= 1\n";
            return ScanOptionUse::Refused;
        }
        read.scan = n;
        scans.index = n;
    } else if (option == "--native-id") {
        scans.kind = ScanSelection::Kind::NativeId;
        scans.nativeId = value;
    } else if (option == "--rt" || option == "--rt-range") {
        const bool range = option == "--rt-range";
        if (!ReadRetention(range, value, scans)) {
            err << "Error: " << option << (range ? " must be A..B" : " must be") << " minutes from 0, ascending\n";
            return ScanOptionUse::Refused;
        }
    } else {
        return ScanOptionUse::Other;
    }
    return ScanOptionUse::Taken;
}

}  // namespace morvane
