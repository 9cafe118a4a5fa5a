#include "MzScans.h"

#include <MSReader.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "../core/Status.h"
#include "../resolution/Profile.h"
#include "MzFile.h"
#include "ReaderChild.h"

namespace morvane {

namespace {

// What the child sends ahead of each scan: then the native id's bytes and
// the peaks.
struct ScanHeader {
    std::int32_t index;
    std::uint32_t idLength;
    double minutes;
    std::uint64_t count;  // MAX_MZ_PEAKS + 1, without the peaks, for a scan past the bound
};

const std::uint32_t MAX_ID_LENGTH = 1024;
// The child's statuses besides 0; any other end is a file it could not parse.
const int NO_SCAN_IN_RANGE = 3;
const int TOO_MANY_PEAKS = 4;
const int PIPE_CLOSED = 5;

// Sends one scan; the status to end with, or 0 to go on.
int SendScan(int fd, MSToolkit::Spectrum& s, int index)
{
    char id[MAX_ID_LENGTH] = {0};
    std::string nativeId = s.getNativeID(id, sizeof id) && id[0] != '\0' ? id : "scan=" + std::to_string(s.getScanNumber());
    const std::size_t size = static_cast<std::size_t>(s.size());
    const ScanHeader h{index, static_cast<std::uint32_t>(nativeId.size()), s.getRTime(),
                       std::min<std::uint64_t>(size, MAX_MZ_PEAKS + 1)};
    if (!WriteAll(fd, &h, sizeof h) || !WriteAll(fd, nativeId.data(), nativeId.size())) return PIPE_CLOSED;
    if (size > MAX_MZ_PEAKS) return TOO_MANY_PEAKS;
    std::vector<isotope> peaks;
    peaks.reserve(size);
    for (std::size_t i = 0; i < size; ++i) peaks.emplace_back(s.at(static_cast<int>(i)).mz, s.at(static_cast<int>(i)).intensity);
    return WriteAll(fd, peaks.data(), size * sizeof(isotope)) ? 0 : PIPE_CLOSED;
}

// The child's body: every MS1 scan in the range, in the run's order.
int SendScans(int fd, const std::string& path, double from, double to)
{
    MSToolkit::MSReader reader;
    reader.setFilter(MSToolkit::MS1);
    MSToolkit::Spectrum s;
    bool sent = false;
    bool more = reader.readFile(path.c_str(), s);
    for (int ordinal = 1; more && s.getScanNumber() != 0; ++ordinal) {
        if (s.getRTime() >= from && s.getRTime() <= to) {
            if (const int status = SendScan(fd, s, ordinal)) return status;
            sent = true;
        }
        more = reader.readFile(nullptr, s);
    }
    return sent ? 0 : NO_SCAN_IN_RANGE;
}

// The scan's peaks checked (and centroided); false with the reason. A
// scan without signal (no peak, or every one of intensity 0) is kept empty.
bool MakeScan(std::vector<isotope>& peaks, const std::optional<Resolution>& profile, MzScan& scan,
              std::string& reason)
{
    scan.spectrum = MeasuredSpectrum();
    if (std::all_of(peaks.begin(), peaks.end(),
                    [](const isotope& p) { return p.abundance == 0 && std::isfinite(p.mass) && p.mass > 0; }))
        return true;
    if (!MeasuredSpectrum::Make(std::move(peaks), scan.spectrum, reason)) return false;
    if (!profile) return true;
    std::vector<isotope> centroids;
    return MakeCentroids(scan.spectrum.Peaks(), *profile, DEFAULT_CENTROID_FLOOR, centroids, reason) &&
           MeasuredSpectrum::Make(std::move(centroids), scan.spectrum, reason);
}

// Takes the child's scans until its pipe ends; false with the reason at
// the first fault.
bool TakeScans(ReaderEnd& reader, const std::optional<Resolution>& profile,
               const std::function<void(const MzScan&)>& each, std::string& reason)
{
    const int fd = reader.fd();
    MzScan scan;
    std::vector<isotope> peaks;
    ScanHeader h{};
    bool ok = true;
    while (ok && ReadAll(fd, &h, sizeof h)) {
        scan.index = h.index;
        scan.minutes = h.minutes;
        scan.nativeId.assign(std::min(h.idLength, MAX_ID_LENGTH), '\0');
        ok = h.idLength <= MAX_ID_LENGTH && ReadAll(fd, &scan.nativeId[0], scan.nativeId.size());
        if (ok && h.count > MAX_MZ_PEAKS) {
            reason = "more than " + std::to_string(MAX_MZ_PEAKS) + " peaks: refused";
            ok = false;
        } else if (ok) {
            peaks.resize(h.count);
            ok = ReadAll(fd, peaks.data(), peaks.size() * sizeof(isotope)) && MakeScan(peaks, profile, scan, reason);
        }
        if (ok) each(scan);
        else if (!reason.empty()) reason = "MS1 scan " + std::to_string(h.index) + " (" + scan.nativeId + "): " + reason;
    }
    const int status = reader.Finish();
    if (!ok && !reason.empty()) return false;
    if (WIFEXITED(status) && WEXITSTATUS(status) == NO_SCAN_IN_RANGE) reason = "no MS1 scan of the file lies in the range";
    else if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        reason = "not a readable mzML or mzXML file (corrupt or truncated)";
    return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int ForEachMzScan(const std::string& path, double from, double to, const std::optional<Resolution>& profile,
                  const std::function<void(const MzScan&)>& each, std::string& reason)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = path + ": not a regular file that can be read";
        return INPUT_NOT_READ_STATUS;
    }
    if (!IsMzFile(path)) {
        reason = path + ": not an mzML or mzXML run (by its name's ending)";
        return INPUT_NOT_READ_STATUS;
    }
    int fd = -1;
    pid_t child = 0;
    if (!StartReaderChild([&](int out) { return SendScans(out, path, from, to); }, fd, child, reason)) {
        reason = path + ": " + reason;
        return INPUT_NOT_READ_STATUS;
    }
    ReaderEnd reader(fd, child);
    if (!TakeScans(reader, profile, each, reason)) {
        reason = path + ": " + reason;
        return INPUT_NOT_READ_STATUS;
    }
    return 0;
}

}  // namespace morvane
