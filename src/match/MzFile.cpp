#include "MzFile.h"

#include <MSReader.h>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "../core/Status.h"
#include "../resolution/Profile.h"
#include "ReaderChild.h"

namespace morvane {

namespace {

const double SUM_MERGE_PPM = 1;

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

void Append(MSToolkit::Spectrum& s, std::vector<isotope>& peaks)
{
    for (int i = 0; i < s.size(); ++i) peaks.emplace_back(s.at(i).mz, s.at(i).intensity);
}

bool Selected(MSToolkit::Spectrum& s, const ScanSelection& sel, int ordinal)
{
    char id[256] = {0};
    switch (sel.kind) {
    case ScanSelection::Kind::Index: return ordinal == sel.index;
    case ScanSelection::Kind::NativeId: return s.getNativeID(id, sizeof id) && sel.nativeId == id;
    case ScanSelection::Kind::RetentionRange: return s.getRTime() >= sel.from && s.getRTime() <= sel.to;
    case ScanSelection::Kind::RetentionTime: return false;
    }
    return false;
}

// The peaks of the selected scans, in scan order.
bool Collect(const std::string& path, const ScanSelection& sel, std::vector<isotope>& peaks, std::string& reason)
{
    MSToolkit::MSReader reader;
    reader.setFilter(MSToolkit::MS1);
    MSToolkit::Spectrum s;
    double bestGap = INFINITY;
    int matched = 0;
    bool more = reader.readFile(path.c_str(), s);
    for (int ordinal = 1; more && s.getScanNumber() != 0; ++ordinal) {
        if (sel.kind == ScanSelection::Kind::RetentionTime) {
            const double gap = std::fabs(s.getRTime() - sel.from);
            if (gap < bestGap) {
                bestGap = gap;
                peaks.clear();
                Append(s, peaks);
                matched = 1;
            }
        } else if (Selected(s, sel, ordinal)) {
            Append(s, peaks);
            ++matched;
            // A range past the bound stops here: the parent refuses it.
            if (sel.kind != ScanSelection::Kind::RetentionRange || peaks.size() > MAX_MZ_PEAKS) break;
        }
        more = reader.readFile(nullptr, s);
    }
    if (matched == 0) reason = "no MS1 scan of the file is the one asked for";
    return matched > 0;
}

// Peaks of summed scans within SUM_MERGE_PPM of their neighbour merged.
std::vector<isotope> MergeClose(std::vector<isotope> peaks)
{
    std::sort(peaks.begin(), peaks.end(), [](const isotope& a, const isotope& b) { return a.mass < b.mass; });
    std::vector<isotope> out;
    for (const isotope& p : peaks) {
        if (!out.empty() && p.mass - out.back().mass <= SUM_MERGE_PPM * 1e-6 * p.mass && out.back().abundance + p.abundance > 0) {
            isotope& q = out.back();
            q.mass = (q.mass * q.abundance + p.mass * p.abundance) / (q.abundance + p.abundance);
            q.abundance += p.abundance;
        } else {
            out.push_back(p);
        }
    }
    return out;
}

// The child's body: writes the peaks' count and the peaks to the pipe.
int ReadInChild(int fd, const std::string& path, const ScanSelection& sel)
{
    std::vector<isotope> peaks;
    std::string reason;
    const bool read = Collect(path, sel, peaks, reason);
    const std::size_t count = read ? std::min(peaks.size(), MAX_MZ_PEAKS + 1) : 0;
    const bool sent = WriteAll(fd, &count, sizeof count) && WriteAll(fd, peaks.data(), count * sizeof(isotope));
    return read && sent ? 0 : 3;
}

// The child's peaks; false with the reason when it failed or sent too many.
// Closes `fd` before waiting, so that a child still writing ends.
bool ReadFromChild(int fd, pid_t child, std::vector<isotope>& peaks, std::string& reason)
{
    std::size_t count = 0;
    bool ok = ReadAll(fd, &count, sizeof count) && count <= MAX_MZ_PEAKS;
    if (ok) {
        peaks.resize(count);
        ok = ReadAll(fd, peaks.data(), count * sizeof(isotope));
    }
    close(fd);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) reason = "no MS1 scan of the file is the one asked for";
    else if (!ok && count > MAX_MZ_PEAKS) reason = "more than " + std::to_string(MAX_MZ_PEAKS) + " peaks: refused";
    else if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) reason = "not a readable mzML or mzXML file (corrupt or truncated)";
    return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool CollectApart(const std::string& path, const ScanSelection& sel, std::vector<isotope>& peaks, std::string& reason)
{
    int fd = -1;
    pid_t child = 0;
    if (!StartReaderChild([&](int out) { return ReadInChild(out, path, sel); }, fd, child, reason)) return false;
    return ReadFromChild(fd, child, peaks, reason);
}

}  // namespace

bool IsMzFile(const std::string& path)
{
    const std::string l = Lower(path);
    auto ends = [&](const std::string& e) { return l.size() >= e.size() && l.compare(l.size() - e.size(), e.size(), e) == 0; };
    return ends(".mzml") || ends(".mzxml");
}

int ReadMzFile(const std::string& path, const ScanSelection& selection, const std::optional<Resolution>& profile,
               MeasuredSpectrum& spectrum, std::string& reason)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = path + ": not a regular file that can be read";
        return INPUT_NOT_READ_STATUS;
    }
    std::vector<isotope> peaks;
    if (!CollectApart(path, selection, peaks, reason)) {
        reason = path + ": " + reason;
        return INPUT_NOT_READ_STATUS;
    }
    if (selection.kind == ScanSelection::Kind::RetentionRange) peaks = MergeClose(std::move(peaks));
    MeasuredSpectrum checked;
    if (!MeasuredSpectrum::Make(std::move(peaks), checked, reason)) {
        reason = path + ": " + reason;
        return INPUT_NOT_READ_STATUS;
    }
    if (profile) {
        std::vector<isotope> centroids;
        if (!MakeCentroids(checked.Peaks(), *profile, DEFAULT_CENTROID_FLOOR, centroids, reason) ||
            !MeasuredSpectrum::Make(std::move(centroids), checked, reason)) {
            reason = path + ": " + reason;
            return INPUT_NOT_READ_STATUS;
        }
    }
    spectrum = std::move(checked);
    return 0;
}

}  // namespace morvane
