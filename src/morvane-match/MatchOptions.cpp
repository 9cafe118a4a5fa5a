#include "morvane-match/MatchOptions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Status.h"
#include "formula/AtomCounts.h"
#include "frontend/FrontEndWords.h"
#include "frontend/Options.h"
#include "frontend/SpectrumOptions.h"

namespace morvane {

namespace {

const std::vector<KnownOption> MATCH_OPTIONS = {
    {"-f", true},           {"-j", true},           {"--ppm", true},        {"--charges", true},       {"--theory-floor", true},
    {"--noise-floor", true}, {"--resolution", true}, {"--analyzer", true},     {"--fwhm", true},
    {"--sequences", false}, {"--enrichment", true}, {"--fixed", true},         {"--profile-data", false},
    {"--scan", true},       {"--native-id", true}, {"--rt", true},       {"--rt-range", true},
    {"--csv", false},       {"--peaks", false},        {"--mixture", false},   {"--each-scan", false},
    {"--fit-enrichment", true}, {"--lowest-enrichment", true},
    {"--help", false},      {"--version", false}};

// A finite number from lo to hi, the whole (non-empty) word read.
bool ReadNumber(const char* w, double lo, double hi, double& value)
{
    double v = 0;
    if (*w == '\0' || !ConvertReal(w, v) || !std::isfinite(v) || v < lo || v > hi) return false;
    value = v;
    return true;
}

// The options of an enrichment fit; false after writing the message.
bool TakeEnrichmentValue(const std::string& o, const char* value, MatchRunSettings& s, std::ostream& err)
{
    std::string key;
    if (o == "--fit-enrichment" && !LabelKeyOf(value, key)) {
        err << "Error: --fit-enrichment must be an isotope label, such as 13C, 15N or 2H\n";
        return false;
    }
    if (o == "--fit-enrichment") s.enrichmentLabel = value;
    if (o == "--lowest-enrichment" &&
        (!ReadNumber(value, 0, 1, s.lowestEnrichment) || s.lowestEnrichment <= 0 || s.lowestEnrichment >= 1)) {
        err << "Error: --lowest-enrichment must be a fraction above 0 and below 1\n";
        return false;
    }
    return true;
}

// --profile-data without --resolution or --fwhm: the resolution is
// estimated, and --analyzer (taken out of `words`) names its law. Returns
// 0, or 5 after writing the message.
int TakeEstimatedAnalyzer(std::vector<char*>& words, MatchRunSettings& s, std::ostream& err)
{
    auto given = [&](const char* o) {
        return std::find_if(words.begin(), words.end(), [o](const char* w) { return std::strcmp(w, o) == 0; });
    };
    if (given("--profile-data") == words.end() || given("--resolution") != words.end() ||
        given("--fwhm") != words.end())
        return 0;
    s.estimate = Analyzer::Orbitrap;
    const auto a = given("--analyzer");
    if (a == words.end() || a + 1 == words.end()) return 0;
    if (!ParseAnalyzer(*(a + 1), *s.estimate)) {
        err << "Error: analyzer must be tof, orbitrap or fticr\n";
        return OPTION_ERROR_STATUS;
    }
    words.erase(a, a + 2);
    return 0;
}

// One option with its value; false after writing the message.
bool TakeValue(const char* option, const char* value, MatchRunSettings& s, std::ostream& err)
{
    const std::string o = option;
    if (o == "-f") s.candidateFile = value;
    if (o == "-j") {
        int n = 0;
        if (!ConvertInt(value, n) || n < 1 || n > MAX_MATCH_THREADS) {
            err << "Error: -j must be a number of threads from 1 to " << MAX_MATCH_THREADS << "\n";
            return false;
        }
        s.threads = static_cast<unsigned>(n);
    }
    if (!TakeEnrichmentValue(o, value, s, err)) return false;
    if (o == "--ppm" && !ReadNumber(value, 1e-3, 1e4, s.match.envelope.ppm)) {
        err << "Error: --ppm must be a number from 0.001 to 10000\n";
        return false;
    }
    if ((o == "--theory-floor" && !ReadNumber(value, 0, 0.5, s.match.envelope.theoryFloor)) ||
        (o == "--noise-floor" && !ReadNumber(value, 0, 0.5, s.match.envelope.noiseFloor))) {
        err << "Error: " << o << " must be a fraction from 0 to 0.5\n";
        return false;
    }
    if (TakeScanOption(o, value, s.read, s.scans, err) == ScanOptionUse::Refused) return false;
    if (o == "--charges") {
        Candidate c;
        std::string reason;
        if (!ParseCandidate(std::string("M z=") + value, false, c, reason) || c.minCharge == 0) {
            err << "Error: --charges must be N or A..B, charges of one sign from 1 to " << MAX_MATCH_CHARGE
                << " in size\n";
            return false;
        }
        s.match.minCharge = c.minCharge;
        s.match.maxCharge = c.maxCharge;
    }
    return true;
}

// --each-scan scans an mzML or mzXML run, all of it or a --rt-range: not
// one scan. False after writing the message.
bool CheckEachScan(const std::vector<char*>& words, const MatchRunSettings& s, std::ostream& err)
{
    if (!IsMzFile(s.spectrum)) {
        err << "Error: --each-scan needs an mzML or mzXML run\n";
        return false;
    }
    if (s.estimate) {
        err << "Error: --each-scan needs the resolution, --resolution or --fwhm: it is estimated from one spectrum\n";
        return false;
    }
    if (!s.enrichmentLabel.empty()) {
        err << "Error: --fit-enrichment fits one spectrum: a scan or a summed --rt-range, not --each-scan\n";
        return false;
    }
    for (const char* w : words) {
        const std::string o = w;
        if (o == "--scan" || o == "--native-id" || o == "--rt") {
            err << "Error: --each-scan takes every MS1 scan, or those of --rt-range A..B: not " << o << "\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int ScanMatchOptions(int argc, char** argv, MatchRunSettings& s, std::ostream& err)
{
    std::vector<char*> words(argv + 1, argv + argc), plain;
    if (SortFrontEndWords(words, MATCH_OPTIONS, plain, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeEstimatedAnalyzer(words, s, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeResolutionOptions(words, false, s.instrument, err) != 0) return OPTION_ERROR_STATUS;
    if (TakeMoleculeOptions(words, "--sequences", s.molecules, err) != 0) return OPTION_ERROR_STATUS;
    bool profileData = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string w = words[i];
        bool* flag = w == "--csv" ? &s.csv : w == "--peaks" ? &s.peaks : w == "--mixture" ? &s.mixture
                   : w == "--profile-data" ? &profileData : w == "--each-scan" ? &s.eachScan : nullptr;
        if (flag != nullptr) {
            *flag = true;
            continue;
        }
        if (i + 1 == words.size()) {
            err << "Error: " << w << " needs a value\n";
            return OPTION_ERROR_STATUS;
        }
        if (!TakeValue(words[i], words[i + 1], s, err)) return OPTION_ERROR_STATUS;
        ++i;
    }
    if (!s.instrument.resolution && !s.estimate) {
        err << "Error: the spectrum's resolution is needed: --resolution R[@m0] (--analyzer) or --fwhm W, "
               "or profile data (--profile-data) to estimate it from\n";
        return OPTION_ERROR_STATUS;
    }
    if (!s.enrichmentLabel.empty() && (s.peaks || s.mixture)) {
        err << "Error: --fit-enrichment writes rows of its own: leave out --peaks and --mixture\n";
        return OPTION_ERROR_STATUS;
    }
    if (profileData) s.read.profile = s.instrument.resolution;
    if (plain.empty()) {
        err << "Error: no spectrum file given\n";
        return OPTION_ERROR_STATUS;
    }
    s.spectrum = plain[0];
    s.candidates.assign(plain.begin() + 1, plain.end());
    if (s.eachScan && !CheckEachScan(words, s, err)) return OPTION_ERROR_STATUS;
    if (s.candidates.empty() && s.candidateFile == nullptr) {
        err << "Error: no candidate given: name them after the spectrum, or in a file with -f\n";
        return OPTION_ERROR_STATUS;
    }
    return 0;
}

}  // namespace morvane
