#include "PeakListFile.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <vector>

#include "../core/Status.h"
#include "../resolution/Profile.h"

namespace morvane {

namespace {

// Reads the next line into `line` (without its end). Returns 1 for a line,
// 0 at the end, -1 for a line longer than MAX_SPECTRUM_LINE.
int NextLine(std::istream& in, std::vector<char>& buffer, std::string& line)
{
    buffer.resize(MAX_SPECTRUM_LINE + 2);
    in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize n = in.gcount();
    if (in.fail() && !in.eof()) return n > 0 ? -1 : 0;
    if (n == 0 && in.eof()) return 0;
    line.assign(buffer.data());
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return 1;
}

bool Blank(const std::string& line)
{
    for (char c : line)
        if (!std::isspace(static_cast<unsigned char>(c))) return line[line.find_first_not_of(" \t")] == '#';
    return true;
}

// The first two numbers of a peak line; false when it has none.
bool ReadPair(const std::string& line, isotope& peak)
{
    const char* p = line.c_str();
    double v[2];
    for (double& x : v) {
        while (*p == ' ' || *p == '\t' || *p == ',' || *p == ';') ++p;
        char* end = nullptr;
        x = std::strtod(p, &end);
        if (end == p) return false;
        p = end;
        if (*p != '\0' && *p != ' ' && *p != '\t' && *p != ',' && *p != ';') return false;
    }
    peak = isotope(v[0], v[1]);
    return true;
}

// The peak lines, up to the end or (in MGF) the end of the block asked for.
int ReadPeaks(std::istream& in, const SpectrumReadSettings& s, std::vector<isotope>& peaks, std::string& reason)
{
    std::vector<char> buffer;
    std::string line;
    bool mgf = false, inBlock = false, seenData = false;
    int block = 0;
    for (long long number = 1;; ++number) {
        const int got = NextLine(in, buffer, line);
        const std::string where = "line " + std::to_string(number) + ": ";
        if (got < 0) {
            reason = where + "longer than " + std::to_string(MAX_SPECTRUM_LINE) + " bytes: not a peak list";
            return INPUT_NOT_READ_STATUS;
        }
        if (got == 0) break;
        if (Blank(line)) continue;
        if (!seenData && line.compare(0, 10, "BEGIN IONS") == 0) mgf = true;
        const bool first = !seenData;
        seenData = true;
        if (mgf) {
            if (line.compare(0, 10, "BEGIN IONS") == 0) inBlock = ++block == s.scan;
            if (line.compare(0, 8, "END IONS") == 0 && inBlock) return 0;
            if (!inBlock || line.find('=') != std::string::npos || !std::isdigit(static_cast<unsigned char>(line[0])))
                continue;
        }
        isotope peak;
        if (!ReadPair(line, peak)) {
            if (first && !mgf) continue;  // a header
            reason = where + "expected two numbers, m/z and intensity";
            return INPUT_NOT_READ_STATUS;
        }
        if (peaks.size() == MAX_SPECTRUM_PEAKS) {
            reason = "more than " + std::to_string(MAX_SPECTRUM_PEAKS) + " peaks: refused";
            return INPUT_NOT_READ_STATUS;
        }
        peaks.push_back(peak);
    }
    if (in.bad()) {
        reason = "read error";
        return INPUT_NOT_READ_STATUS;
    }
    if (mgf) {
        reason = inBlock ? "the MGF block " + std::to_string(s.scan) + " has no END IONS"
                         : "the MGF file has " + std::to_string(block) + " blocks, not " + std::to_string(s.scan);
        return INPUT_NOT_READ_STATUS;
    }
    return 0;
}

}  // namespace

int ReadSpectrum(std::istream& in, const SpectrumReadSettings& s, MeasuredSpectrum& spectrum, std::string& reason)
{
    std::vector<isotope> peaks;
    if (const int status = ReadPeaks(in, s, peaks, reason)) return status;
    MeasuredSpectrum checked;
    if (!MeasuredSpectrum::Make(std::move(peaks), checked, reason)) return INPUT_NOT_READ_STATUS;
    if (s.profile) {
        std::vector<isotope> centroids;
        if (!MakeCentroids(checked.Peaks(), *s.profile, DEFAULT_CENTROID_FLOOR, centroids, reason) ||
            !MeasuredSpectrum::Make(std::move(centroids), checked, reason))
            return INPUT_NOT_READ_STATUS;
    }
    spectrum = std::move(checked);
    return 0;
}

int ReadSpectrumFile(const std::string& path, const SpectrumReadSettings& s, MeasuredSpectrum& spectrum,
                     std::string& reason)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = path + ": " + (stat(path.c_str(), &st) != 0 ? std::strerror(errno) : "not a regular file");
        return INPUT_NOT_READ_STATUS;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = path + ": cannot be opened";
        return INPUT_NOT_READ_STATUS;
    }
    if (const int status = ReadSpectrum(in, s, spectrum, reason)) {
        reason = path + ": " + reason;
        return status;
    }
    return 0;
}

}  // namespace morvane
