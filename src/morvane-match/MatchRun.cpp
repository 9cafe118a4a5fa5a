#include "morvane-match/MatchRun.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "core/ParallelFor.h"
#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "frontend/OutputCheck.h"
#include "frontend/Progress.h"
#include "frontend/ToolInfo.h"
#include "match/MzScans.h"
#include "match/ProfileResolution.h"
#include "morvane-match/MatchEnrichment.h"
#include "morvane-match/MatchOptions.h"
#include "morvane-match/MatchRows.h"

namespace morvane {

namespace {

// Candidates matched between two updates of the progress line.
const std::size_t PROGRESS_STEP = 256;

const char* const USAGE =
    "usage: morvane-match SPECTRUM CANDIDATE... [-f FILE] --resolution R[@m0] [--analyzer A] | --fwhm W\n"
    "       [--ppm X] [--charges A..B] [--theory-floor F] [--noise-floor F] [--sequences]\n"
    "       [--enrichment L=x] [--fixed MOD@R] [--profile-data] [--scan N | --native-id ID | --rt MIN |\n"
    "       --rt-range A..B] [--each-scan] [--peaks] [--mixture] [--fit-enrichment LABEL [--lowest-enrichment X]]\n"
    "       [--csv] [-j THREADS]\n"
    "With --profile-data and no resolution, it is estimated from the profile's peak widths.\n"
    "A candidate is a formula (or with --sequences a ProForma peptide), then optionally an adduct\n"
    "([M+Na]+) or charges (z=2, z=1..10), as one argument or one line of FILE.\n"
    "--each-scan: a row per candidate and MS1 scan of an mzML/mzXML run (of --rt-range A..B).\n"
    "-j: threads calculating the candidates, one per processor by default; the rows are the same.\n"
    "--help, --version: this text, or the version.\n";

// The candidates of the arguments, then of the file. Returns 0, or 1 for
// an unreadable file, 2 for the first candidate that does not parse
// (reported; the others kept).
int CollectCandidates(const MatchRunSettings& s, std::vector<Candidate>& out)
{
    std::vector<std::string> texts(s.candidates.begin(), s.candidates.end());
    if (s.candidateFile != nullptr) {
        std::ifstream in(s.candidateFile);
        if (!in) {
            std::cerr << "Error: cannot read candidate file " << s.candidateFile << "\n";
            return INPUT_NOT_READ_STATUS;
        }
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::size_t start = line.find_first_not_of(" \t");
            if (start != std::string::npos && line[start] != '#') texts.push_back(line);
        }
    }
    int status = 0;
    for (const std::string& t : texts) {
        Candidate c;
        std::string reason;
        if (ParseCandidate(t, s.molecules.sequences, c, reason)) {
            out.push_back(c);
        } else {
            std::cerr << reason << "\n";
            if (status == 0) status = CALC_FORMULA_NOT_PARSED;
        }
    }
    return status;
}

// The proportions of the candidates' best ions fitted together; empty when
// the fit fails, with the reason in `error`.
std::vector<double> FitBestIons(const MeasuredSpectrum& spectrum, const std::vector<CandidateMatch>& matches,
                                const MatchRunSettings& s, std::string& error)
{
    std::vector<Ion> ions;
    for (const CandidateMatch& m : matches)
        if (m.status == 0) ions.push_back(m.fits.front().ion);
    MixtureSettings ms;
    ms.ppm = s.match.envelope.ppm;
    ms.resolution = s.instrument.resolution;
    ms.noiseFloor = s.match.envelope.noiseFloor;
    MixtureFit fit;
    if (ions.empty() || !FitMixture(spectrum, ions, ms, fit, error)) return {};
    std::vector<double> shares;
    for (std::size_t i = 0; i < ions.size(); ++i) shares.insert(shares.end(), {fit.proportions[i], fit.uncertainties[i]});
    return shares;
}

// Profile data read without a resolution: centroided at the resolution
// their peak widths show, which the theory then takes; reported on
// standard error. Returns 0, or 1 when there are too few clean peaks.
int EstimateInstrument(MatchRunSettings& s, MeasuredSpectrum& spectrum)
{
    ResolutionEstimate estimate;
    MeasuredSpectrum centroids;
    std::string reason;
    if (!CentroidAtEstimate(spectrum, *s.estimate, centroids, estimate, reason)) {
        std::cerr << "Error: " << s.spectrum << ": " << reason << ": give --resolution or --fwhm\n";
        return INPUT_NOT_READ_STATUS;
    }
    std::cerr << "the spectrum's resolution: " << estimate.Describe() << "\n";
    spectrum = std::move(centroids);
    s.instrument.resolution = estimate.At();
    return 0;
}

// The theory's settings of the run.
void SetTheory(MatchRunSettings& s)
{
    s.match.pattern.coverage = FRONT_END_COVERAGE;
    s.match.pattern.resolution = s.instrument.resolution;
    ApplyMoleculeOptions(s.molecules, s.match.pattern);
}

bool ShowProgress() { return isatty(STDERR_FILENO) == 1 && isatty(STDOUT_FILENO) != 1; }

// One spectrum (a peak list, an MGF block, a scan or a summed range of a
// run): a row per candidate.
int MatchOneSpectrum(const std::deque<AtomIsoAbun>& table, MatchRunSettings& s)
{
    MeasuredSpectrum spectrum;
    std::string reason;
    const int read = IsMzFile(s.spectrum) ? ReadMzFile(s.spectrum, s.scans, s.read.profile, spectrum, reason)
                                          : ReadSpectrumFile(s.spectrum, s.read, spectrum, reason);
    if (read != 0) {
        std::cerr << "Error: " << reason << "\n";
        return INPUT_NOT_READ_STATUS;
    }
    if (s.estimate && EstimateInstrument(s, spectrum) != 0) return INPUT_NOT_READ_STATUS;
    std::vector<Candidate> candidates;
    int status = CollectCandidates(s, candidates);
    if (status == INPUT_NOT_READ_STATUS) return status;
    SetTheory(s);
    Progress progress(std::cerr, ShowProgress(), 0);
    std::vector<CandidateMatch> matches(candidates.size());
    for (std::size_t from = 0; from < candidates.size(); from += PROGRESS_STEP) {
        const std::size_t to = std::min(candidates.size(), from + PROGRESS_STEP);
        MatchCandidates(table, spectrum, candidates, from, to, s.match, s.threads, matches);
        progress.Update(to, 0);
    }
    progress.Clear();
    if (!s.enrichmentLabel.empty()) return WriteEnrichments(table, spectrum, candidates, matches, s, status);
    std::string error;
    const std::vector<double> shares = s.mixture ? FitBestIons(spectrum, matches, s, error) : std::vector<double>();
    if (!error.empty()) std::cerr << "Error: mixture: " << error << "\n";
    MatchRows rows(std::cout, s.csv, s.peaks, s.mixture);
    rows.Header();
    std::size_t fitted = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (matches[i].status != 0) {
            std::cerr << matches[i].reason << "\n";
            if (status == 0) status = matches[i].status;
            continue;
        }
        rows.Write(candidates[i], matches[i], shares.empty() ? nullptr : &shares[2 * fitted]);
        ++fitted;
    }
    return status;
}

// The candidates' ions, calculated once for every scan (on s.threads
// threads); the failures reported and left out (`status` set to the first
// one's).
void CalculateTheories(const std::deque<AtomIsoAbun>& table, const MatchRunSettings& s,
                       std::vector<Candidate>& candidates, std::vector<CandidateTheory>& theories, int& status)
{
    std::vector<CandidateTheory> all(candidates.size());
    ParallelFor(candidates.size(), s.threads, nullptr,
                [&](std::size_t i) { all[i] = CalculateCandidate(table, candidates[i], s.match); });
    std::vector<Candidate> kept;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (all[i].status != 0) {
            std::cerr << all[i].reason << "\n";
            if (status == 0) status = all[i].status;
            continue;
        }
        kept.push_back(candidates[i]);
        theories.push_back(std::move(all[i]));
    }
    candidates = std::move(kept);
}

// Whether any candidate's best ion paired a peak: in a scan where none
// does, there is no mixture to fit, and its proportions stay blank.
bool AnyPeakFound(const std::vector<CandidateMatch>& matches)
{
    for (const CandidateMatch& m : matches)
        if (!m.fits.empty() && m.fits.front().fit.found > 0) return true;
    return false;
}

// Every MS1 scan of the run (of --rt-range): a row per candidate and scan,
// written as each scan is read.
int MatchEachScan(const std::deque<AtomIsoAbun>& table, MatchRunSettings& s)
{
    std::vector<Candidate> candidates;
    int status = CollectCandidates(s, candidates);
    if (status == INPUT_NOT_READ_STATUS) return status;
    SetTheory(s);
    std::vector<CandidateTheory> theories;
    CalculateTheories(table, s, candidates, theories, status);
    const bool range = s.scans.kind == ScanSelection::Kind::RetentionRange;
    MatchRows rows(std::cout, s.csv, s.peaks, s.mixture, true);
    Progress progress(std::cerr, ShowProgress(), 0, "scans");
    unsigned long long done = 0;
    std::vector<CandidateMatch> matches(candidates.size());
    auto each = [&](const MzScan& scan) {
        if (done == 0) rows.Header();
        for (std::size_t i = 0; i < candidates.size(); ++i)
            matches[i] = FitCandidate(scan.spectrum, theories[i], s.match.envelope);
        std::string error;
        const std::vector<double> shares =
            s.mixture && AnyPeakFound(matches) ? FitBestIons(scan.spectrum, matches, s, error) : std::vector<double>();
        if (!error.empty()) {
            progress.Clear();
            std::cerr << "Error: mixture: MS1 scan " << scan.index << " (" << scan.nativeId << "): " << error << "\n";
        }
        for (std::size_t i = 0; i < candidates.size(); ++i)
            rows.Write(candidates[i], matches[i], shares.empty() ? nullptr : &shares[2 * i], &scan);
        progress.Update(++done, 0);
    };
    std::string reason;
    const int read = ForEachMzScan(s.spectrum, range ? s.scans.from : 0, range ? s.scans.to : INFINITY,
                                   s.read.profile, each, reason);
    progress.Clear();
    if (read != 0) {
        std::cerr << "Error: " << reason << "\n";
        return INPUT_NOT_READ_STATUS;
    }
    return status;
}

int Run(MatchRunSettings& s)
{
    std::deque<AtomIsoAbun> table;
    std::string reason;
    if (LoadIsotopeTable(DefaultTablePath(), table, reason) != 0) {
        std::cerr << TABLE_NOT_READ_MESSAGE << reason << "\n";
        return INPUT_NOT_READ_STATUS;
    }
    if (ResolveMoleculeOptions(s.molecules, table, std::cerr) != 0) return OPTION_ERROR_STATUS;
    return s.eachScan ? MatchEachScan(table, s) : MatchOneSpectrum(table, s);
}

}  // namespace

int MatchMain(int argc, char** argv)
{
    if (AnswerHelpOrVersion(argc, argv, "morvane-match", USAGE, std::cout)) return 0;
    MatchRunSettings s;
    if (ScanMatchOptions(argc, argv, s, std::cerr) != 0) return OPTION_ERROR_STATUS;
    return Run(s);
}

}  // namespace morvane
