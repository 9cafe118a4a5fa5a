#include "calc/Pattern.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "calc/Normalize.h"
#include "core/Status.h"
#include "elements/TableReader.h"
#include "engine/MolDistribution.h"
#include "engine/MolEnsemble.h"
#include "formula/FormulaLanguage.h"
#include "resolution/Profile.h"
#include "spectrum/BaseSpectrum.h"
#include "spectrum/CalculateSpectrum.h"

namespace morvane {

namespace {

// The peak list of one pattern: the spectrum assembly appends to a vector.
class PeakVector : public BaseSpectrum {
public:
    explicit PeakVector(std::vector<isotope>& peaks) : peaks_(peaks) {}
    int size() override { return static_cast<int>(peaks_.size()); }
    void resize(int n) override { peaks_.resize(static_cast<std::size_t>(n)); }
    double intensity(double) override { return 0.0; }
    void push_back(isotope& p) override { peaks_.push_back(p); }

private:
    std::vector<isotope>& peaks_;
};

// The message of morvane's option scan for a value it refuses, without
// "Error: "; null when every setting is in range.
const char* SettingFault(const PatternSettings& s)
{
    if (!(s.filter >= 0 && s.filter < 100)) return "filter must be between 0 and 100";
    if (!(s.threshold >= 0 && s.threshold < 1)) return "threshold must be between 0 and 1";
    if (!(s.merge >= 0)) return "peak merge must be >= 0";
    if (!(s.centroidFloor >= 0 && s.centroidFloor < 1)) return "centroid floor must be between 0 and 1";
    return nullptr;
}

PatternResult Failure(int status, const std::string& reason)
{
    PatternResult r;
    r.status = status;
    r.reason = reason;
    return r;
}

// The smallest distance from 0 a variant's position can have: that of the
// molecule of every element's lightest isotope.
double LightestPosition(const MolComposition& molecule, bool masstocharge)
{
    double mass = 0;
    for (int i = 0; i < molecule.totalnat; ++i) {
        const AtomIsoAbun& atom = molecule.atom[i];
        double lightest = atom.iso[0].mass;
        for (int k = 1; k < atom.niso; ++k) lightest = std::min(lightest, atom.iso[k].mass);
        mass += molecule.nat[i] * lightest;
    }
    mass += molecule.charge * ELECTRON_MASS_FACTOR;
    return std::fabs(masstocharge && molecule.charge != 0 ? mass / molecule.charge : mass);
}

// Moves the variants of `peaks` to `variants` and makes the peaks what an
// instrument of the settings' resolution shows of them: the profile's
// points, or its centroids. Returns 0, or 6 with the reason.
int SeeAtResolution(const PatternSettings& s, std::vector<isotope>& peaks, std::vector<isotope>& variants,
                    std::string& reason)
{
    std::vector<isotope> seen;
    if (s.profile) {
        Profile p;
        if (!MakeProfile(peaks, *s.resolution, p, reason)) return EXCEPTION_STATUS;
        for (std::size_t i = 0; i < p.x.size(); ++i) seen.emplace_back(p.x[i], p.y[i]);
    } else if (!MakeCentroids(peaks, *s.resolution, s.centroidFloor, seen, reason)) {
        return EXCEPTION_STATUS;
    }
    variants.swap(peaks);
    peaks.swap(seen);
    return 0;
}

// Parse (and make the ion of an adduct), calculate, normalise and filter as
// morvane's run does.
PatternResult Calculate(const std::deque<AtomIsoAbun>& table, const std::string& formula, const PatternSettings& s)
{
    PatternResult r;
    MolComposition composition;
    int sequenceCharge = 0;
    if (ReadMolecule(table, formula, s, composition, sequenceCharge, r.reason) != 0)
        return Failure(CALC_FORMULA_NOT_PARSED, r.reason);
    composition.charge = sequenceCharge != 0 ? sequenceCharge : s.charge;
    if (sequenceCharge != 0 && (s.charge != 0 || s.masstocharge || s.adduct != nullptr))
        return Failure(CALC_FORMULA_NOT_PARSED, "the sequence's charge suffix and " +
                                                    std::string(s.adduct != nullptr ? "an adduct" : "-z or -mtz") +
                                                    " both set the charge");
    MolComposition ion;
    if (s.adduct != nullptr && s.adduct->MakeIon(composition, ion, r.reason) != 0) {
        r.status = CALC_FORMULA_NOT_PARSED;
        return r;
    }
    MolComposition& molecule = s.adduct != nullptr ? ion : composition;
    const bool masstocharge = s.adduct != nullptr || s.masstocharge || sequenceCharge != 0;
    MolEnsemble ensemble;
    PeakVector spectrum(r.peaks);
    double merge = s.merge;
    if (s.resolution && !s.mergeGiven)
        merge = s.resolution->Fwhm(LightestPosition(molecule, masstocharge)) * FINE_MERGE_FRACTION;
    // The generation's own status is the exit status.
    r.status = CalculateSpectrum(molecule, s.threshold, masstocharge, merge, ensemble, &spectrum, s.threads);
    if (r.status != 0)
        return Failure(r.status,
                       "cannot calculate distributions: the work bound was reached, no variant has a "
                       "probability above 0, or a peak is not finite (a larger threshold needs less work)");
    if (s.resolution && (r.status = SeeAtResolution(s, r.peaks, r.variants, r.reason)) != 0) return Failure(r.status, r.reason);
    if (s.normalize || s.filter > 0) NormalizeToLargest(r.peaks, static_cast<int>(r.peaks.size()));
    std::size_t kept = 0;
    for (const isotope& p : r.peaks)
        if (p.abundance >= s.filter) r.peaks[kept++] = p;
    r.peaks.resize(kept);
    return r;
}

}  // namespace

int LoadIsotopeTable(const std::string& path, std::deque<AtomIsoAbun>& table, std::string& reason)
{
    table.clear();
    // Only a regular file: opening a named pipe would wait for a writer.
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(path, statusError);
    if (statusError) {
        reason = "cannot open " + path + ": " + statusError.message();
        return CALC_TABLE_NOT_READ;
    }
    if (!std::filesystem::is_regular_file(status)) {
        reason = path + " is not a regular file";
        return CALC_TABLE_NOT_READ;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        reason = "cannot open " + path;
        return CALC_TABLE_NOT_READ;
    }
    TableError error;
    if (ReadIsotopeTable(in, table, &error) != 0) {
        reason = DescribeTableError(error);
        return CALC_TABLE_NOT_READ;
    }
    return 0;
}

int ReadMolecule(const std::deque<AtomIsoAbun>& table, const std::string& text, const PatternSettings& s,
                  MolComposition& molecule, int& sequenceCharge, std::string& reason)
{
    if (!s.sequence) return ParseFrontEndFormula(text, table, s.enrichment, molecule, reason);
    static const std::vector<FixedMod> none;
    return SequenceComposition(text, table, s.fixed != nullptr ? *s.fixed : none, s.enrichment, molecule,
                               sequenceCharge, reason);
}

PatternResult CalculatePattern(const std::deque<AtomIsoAbun>& table, const std::string& formula,
                               const PatternSettings& settings)
{
    if (const char* fault = SettingFault(settings)) return Failure(OPTION_ERROR_STATUS, fault);
    try {
        return Calculate(table, formula, settings);
    } catch (const std::bad_alloc&) {
        return Failure(EXCEPTION_STATUS, "too many variants for the available memory");
    } catch (const std::exception& e) {
        return Failure(EXCEPTION_STATUS, std::string("calculation too large: ") + e.what());
    }
}

std::vector<PatternResult> CalculatePatterns(const std::deque<AtomIsoAbun>& table,
                                             const std::vector<std::string>& formulas, const PatternSettings& settings,
                                             unsigned threads)
{
    std::vector<PatternResult> results(formulas.size());
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    PatternSettings single = settings;
    single.threads = 1;
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next++) < formulas.size();)
            results[i] = CalculatePattern(table, formulas[i], single);
    };
    std::vector<std::thread> pool;
    pool.reserve(std::min<std::size_t>(threads, formulas.size()));
    for (unsigned t = 1; t < threads && t < formulas.size(); ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: those started share the work
        }
    }
    work();
    for (std::thread& t : pool) t.join();
    return results;
}

}  // namespace morvane
