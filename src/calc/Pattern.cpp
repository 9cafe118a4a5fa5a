#include "calc/Pattern.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "calc/Normalize.h"
#include "core/ParallelFor.h"
#include "core/Status.h"
#include "elements/TableReader.h"
#include <memory>

#include "engine/ElementCache.h"
#include "engine/KeptVariants.h"
#include "engine/MolEnsemble.h"
#include "engine/VariantEstimate.h"
#include "formula/FormulaMasses.h"
#include "formula/FormulaLanguage.h"
#include "resolution/Profile.h"
#include "spectrum/BaseSpectrum.h"
#include "spectrum/CalculateSpectrum.h"
#include "spectrum/CoverageSpectrum.h"
#include "spectrum/NominalSpectrum.h"

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

}  // namespace

const char* SettingFault(const PatternSettings& s)
{
    if (s.charge > Adduct::MAX_CHARGE || s.charge < -Adduct::MAX_CHARGE) return "charge must be between -1000 and 1000";
    if (!(s.filter >= 0 && s.filter < 100)) return "filter must be between 0 and 100";
    if (!(s.threshold >= 0 && s.threshold < 1)) return "threshold must be between 0 and 1";
    if (!(s.merge >= 0)) return "peak merge must be >= 0";
    if (!(s.centroidFloor >= 0 && s.centroidFloor < 1)) return "centroid floor must be between 0 and 1";
    if (!(s.coverage == 0 || (s.coverage > 0 && s.coverage < 1))) return "coverage must be between 0 and 1";
    if (s.resolution && (s.nominal || s.composition))
        return "a resolution does not go with nominal binning or composition";
    if (s.adduct == nullptr && s.masstocharge && s.charge == 0) return "m/z needs a charge other than 0";
    return nullptr;
}

namespace {

// Whether `text` holds an uppercase letter, which every element symbol
// begins with.
bool HasCapital(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

// m/z as instruments give it, mass over |z|: a negative ion's positions,
// all below 0 and in the order of their masses, change sign, which makes
// them ascending. Negation is exact, so each keeps its magnitude bit for bit.
void ToPositiveMz(std::vector<isotope>& peaks)
{
    for (isotope& p : peaks) p.mass = -p.mass;
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
// points, or its centroids. Without a merge given, the variants (each
// position's own) are grouped first by GroupFineStructure, and those groups
// are the variants kept. Returns 0, or 6 with the reason.
int SeeAtResolution(const PatternSettings& s, std::vector<isotope>& peaks, std::vector<isotope>& variants,
                    std::string& reason)
{
    std::vector<isotope> seen;
    if (!s.mergeGiven) peaks = GroupFineStructure(peaks, *s.resolution);
    if (s.profile) {
        Profile p;
        if (!MakeProfile(peaks, *s.resolution, p, reason)) return EXCEPTION_STATUS;
        for (std::size_t i = 0; i < p.x.size(); ++i) seen.emplace_back(p.x[i], p.y[i]);
    } else if (!MakeCentroids(peaks, *s.resolution, s.centroidFloor, seen, reason, s.centroidIntensity)) {
        return EXCEPTION_STATUS;
    }
    variants.swap(peaks);
    peaks.swap(seen);
    return 0;
}

const char* const CALCULATION_FAILED =
    "cannot calculate distributions: the work bound was reached, no variant has a "
    "probability above 0, or the peaks "
    "are not finite or sum above what the table's abundances allow (a larger threshold needs "
    "less work)";

// A position as the peaks have it: the mass less the charge's electrons,
// divided by the charge for m/z, and that made positive for a negative ion.
double Position(double neutral, int charge, bool masstocharge)
{
    const double mass = charge * ELECTRON_MASS_FACTOR + neutral;
    if (!masstocharge) return mass;
    const double mz = mass / static_cast<double>(charge);
    return charge < 0 ? -mz : mz;
}

// The element combinations met by this thread's earlier patterns: a run of
// formulas on one thread enumerates each element and atom count once.
ElementCache& ThreadElementCache()
{
    thread_local ElementCache cache;
    return cache;
}

// Room for the variants a coverage target holds, kept from one molecule to
// the next on a thread unless it grew beyond HELD_ROOM (16 MB).
std::vector<HeldVariant>& ThreadHeldVariants()
{
    thread_local std::vector<HeldVariant> held;
    return held;
}
const std::size_t HELD_ROOM = std::size_t(1) << 20;

// Whether peaks of the resolution's width, at least 1 u (1/|z| in m/z)
// wide, blur the fine structure within a nominal bin (a few hundredths of a
// u in a large protein) so that the bins' means show the same envelope.
bool BlursFineStructure(const Resolution& r, const MolComposition& molecule, bool masstocharge)
{
    const double unit = masstocharge && molecule.charge != 0 ? 1.0 / std::abs(molecule.charge) : 1.0;
    return r.Fwhm(LightestPosition(molecule, masstocharge)) >= unit;
}

// The reason for a molecule estimated beyond reach at `thr`, the threshold
// of the settings or the one their coverage target needs.
std::string BeyondReachReason(const MolComposition& molecule, double thr, double coverage)
{
    char estimate[32], target[32];
    std::snprintf(estimate, sizeof estimate, "%.2g", EstimatedVariants(molecule, thr));
    std::snprintf(target, sizeof target, "%.16g", coverage);
    return std::string("the fine structure") + (coverage > 0 ? std::string(" of coverage ") + target : "") +
           " is beyond reach: about " + estimate + " variants lie above the threshold" +
           (coverage > 0 ? " it needs" : "") +
           "; nominal binning, or a resolution whose peaks are at least 1 u wide, gives the envelope without them";
}

// Nominal binning: the bins of the distribution over extra neutrons as the
// peaks, and each one's neutrons; for composition, the variants the
// threshold or the coverage target keeps too. Returns 0 or the status, with
// the reason set for a coverage target out of reach.
int MakeNominalPeaks(MolComposition& molecule, bool masstocharge, const PatternSettings& s, MolEnsemble& ensemble,
                     BaseSpectrum& spectrum, std::unique_ptr<KeptVariants>& kept, std::vector<long long>& neutrons,
                     std::string& reason)
{
    std::vector<NominalPeak> bins;
    if (const int status = NominalPeaks(molecule, masstocharge, bins)) return status;
    for (const NominalPeak& b : bins) {
        isotope peak(b.position, b.probability);
        spectrum.push_back(peak);
        neutrons.push_back(b.neutrons);
    }
    if (!s.composition) return 0;
    if (s.coverage > 0) {
        CoverageCut cut;
        std::vector<HeldVariant> held;
        if (const int status = FindCoverage(molecule, s.coverage, ensemble, cut, held, reason)) return status;
        kept.reset(new KeptVariants(ensemble, molecule.charge, cut.thr, true, cut.floor));
        return 0;
    }
    if (const int status = ensemble.GenerateElements(molecule, s.threshold)) return status;
    kept.reset(new KeptVariants(ensemble, molecule.charge, s.threshold));
    return 0;
}

// The peaks of the molecule by the settings' method, and (for composition)
// the variants they were made of and the peak of each. Returns 0 or the
// status, with the reason set for a coverage target out of reach.
int MakePeaks(MolComposition& molecule, bool masstocharge, double merge, const PatternSettings& s,
              MolEnsemble& ensemble, std::vector<isotope>& peaks, std::unique_ptr<KeptVariants>& kept, std::vector<PeakSpan>& spans,
              std::vector<long long>& neutrons, std::string& reason)
{
    PeakVector spectrum(peaks);
    if (s.nominal) return MakeNominalPeaks(molecule, masstocharge, s, ensemble, spectrum, kept, neutrons, reason);
    std::vector<PeakSpan>* wanted = s.composition ? &spans : nullptr;
    const int charge = molecule.charge;
    int status = 0;
    double thr = s.threshold;
    if (s.coverage > 0) {
        CoverageCut cut;
        std::vector<HeldVariant>& held = ThreadHeldVariants();
        status = FindCoverage(molecule, s.coverage, ensemble, cut, held, reason);
        if (status == 0)
            status = CalculateSpectrum(molecule, cut, ensemble, held, masstocharge, merge, &spectrum, s.threads, wanted);
        if (held.capacity() > HELD_ROOM) std::vector<HeldVariant>().swap(held);
        if (status == 0 && s.composition) kept.reset(new KeptVariants(ensemble, charge, cut.thr, true, cut.floor));
        thr = cut.thr;
    } else {
        // The composition of the peaks needs the ensemble's element lists;
        // the peaks alone take them from this thread's cache.
        status = s.composition
                     ? CalculateSpectrum(molecule, thr, masstocharge, merge, ensemble, &spectrum, s.threads, wanted)
                     : CalculateSpectrum(molecule, thr, masstocharge, merge, ThreadElementCache(), &spectrum, s.threads);
        if (status == 0 && s.composition) kept.reset(new KeptVariants(ensemble, charge, thr));
    }
    // A molecule estimated beyond reach fails at once, before any work:
    // only then is the estimate made again, for the coarse resolution that
    // sees nominal bins instead, or for the reason.
    if (status != CALC_GENERATION_FAILED || !BeyondReach(molecule, thr)) return status;
    if (s.resolution && BlursFineStructure(*s.resolution, molecule, masstocharge))
        return MakeNominalPeaks(molecule, masstocharge, s, ensemble, spectrum, kept, neutrons, reason);
    reason = BeyondReachReason(molecule, thr, s.coverage);
    return status;
}

// The make-up of each peak, from the variants the peaks were made of.
bool Compose(const KeptVariants& kept, const MolEnsemble& ensemble, const PatternSettings& s, bool masstocharge,
             int charge, const std::vector<PeakSpan>& spans, const std::vector<long long>& neutrons, PatternResult& r)
{
    PeakOf peakOf;
    const SpanIndex index(spans);
    if (s.nominal) {
        peakOf = [&neutrons](double, long long n) {
            const auto at = std::lower_bound(neutrons.begin(), neutrons.end(), n);
            return at != neutrons.end() && *at == n ? static_cast<long long>(at - neutrons.begin()) : -1LL;
        };
    } else {
        const double z = masstocharge ? static_cast<double>(charge) : 1.0;
        peakOf = [&index, z](double mass, long long) { return index.Find(mass / z); };
    }
    return ComposePeaks(kept, ensemble, r.peaks, peakOf, r.composition);
}

// Parse (and make the ion of an adduct), calculate, normalise and filter as
// morvane's run does.
PatternResult Calculate(const std::deque<AtomIsoAbun>& table, const std::string& formula, const PatternSettings& s)
{
    PatternResult r;
    MolComposition composition;
    int sequenceCharge = 0;
    if (ReadMolecule(table, formula, s, composition, sequenceCharge, r.reason) != 0) {
        if (!s.sequence && !HasCapital(formula) && r.reason.rfind("unknown element symbol", 0) == 0)
            r.reason += " (element symbols begin with a capital letter, as in C6H12O6)";
        return Failure(CALC_FORMULA_NOT_PARSED, r.reason);
    }
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
    r.charge = molecule.charge;
    const bool masstocharge = s.adduct != nullptr || s.masstocharge || sequenceCharge != 0;
    MolEnsemble ensemble;
    // A resolution without a merge of its own takes the variants apart, only
    // those of one position together, and groups them by their span after.
    const double merge = s.resolution && !s.mergeGiven ? 0 : s.merge;
    std::unique_ptr<KeptVariants> kept;
    std::vector<PeakSpan> spans;
    std::vector<long long> neutrons;
    std::string reason;
    // The generation's own status is the exit status.
    r.status = MakePeaks(molecule, masstocharge, merge, s, ensemble, r.peaks, kept, spans, neutrons, reason);
    for (const isotope& p : r.peaks)
        if (r.status == 0 && !(std::isfinite(p.mass) && std::isfinite(p.abundance))) r.status = CALC_GENERATION_FAILED;
    if (r.status == 0 && s.composition && !Compose(*kept, ensemble, s, masstocharge, molecule.charge, spans, neutrons, r))
        r.status = CALC_GENERATION_FAILED;
    if (r.status != 0) return Failure(r.status, reason.empty() ? CALCULATION_FAILED : reason);
    const FormulaMasses masses = MassesOf(molecule);
    r.monoisotopic = Position(masses.monoisotopic, molecule.charge, masstocharge);
    r.average = Position(masses.average, molecule.charge, masstocharge);
    r.nominal = masses.nominal;
    for (const isotope& p : r.peaks) r.coverage += p.abundance;
    if (masstocharge && molecule.charge < 0) ToPositiveMz(r.peaks);
    if (s.resolution && (r.status = SeeAtResolution(s, r.peaks, r.variants, r.reason)) != 0) return Failure(r.status, r.reason);
    if (s.normalize || s.filter > 0) NormalizeToLargest(r.peaks, static_cast<int>(r.peaks.size()));
    std::size_t count = 0;
    for (std::size_t i = 0; i < r.peaks.size(); ++i) {
        if (!(r.peaks[i].abundance >= s.filter)) continue;
        if (s.composition) r.composition[count] = r.composition[i];
        r.peaks[count++] = r.peaks[i];
    }
    r.peaks.resize(count);
    if (s.composition) r.composition.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        if (i == 0 || r.peaks[i].abundance > r.mostAbundant.abundance) r.mostAbundant = r.peaks[i];
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
    static const std::vector<FixedMod> none;
    const int status = s.sequence ? SequenceComposition(text, table, s.fixed != nullptr ? *s.fixed : none,
                                                        s.enrichment, molecule, sequenceCharge, reason)
                                  : ParseFrontEndFormula(text, table, s.enrichment, molecule, reason);
    if (status != 0 || s.enrichment == nullptr) return status;
    // An enrichment of a label the molecule lacks would change nothing: a
    // mistake to report, not to pass over.
    for (const auto& [key, p] : *s.enrichment) {
        bool held = false;
        for (int i = 0; i < molecule.totalnat && !held; ++i) held = key == molecule.atom[i].symbol && molecule.nat[i] > 0;
        if (!held) {
            reason = "enrichment of " + LabelText(key) + ": the " + (s.sequence ? "sequence" : "formula") +
                     " holds no " + LabelText(key) + " label";
            return 2;
        }
    }
    return 0;
}

PatternResult CalculatePattern(const std::deque<AtomIsoAbun>& table, const std::string& formula,
                               const PatternSettings& settings)
{
    if (const char* fault = SettingFault(settings)) return Failure(OPTION_ERROR_STATUS, fault);
    try {
        return Calculate(table, formula, settings);
    } catch (const Cancelled& e) {
        return Failure(EXCEPTION_STATUS, e.what());
    } catch (const std::bad_alloc&) {
        return Failure(EXCEPTION_STATUS, "too many variants for the available memory");
    } catch (const std::exception& e) {
        return Failure(EXCEPTION_STATUS, std::string("calculation too large: ") + e.what());
    }
}

std::vector<PatternResult> CalculatePatterns(const std::deque<AtomIsoAbun>& table,
                                             const std::vector<std::string>& formulas, const PatternSettings& settings,
                                             unsigned threads, Cancellation* cancellation)
{
    std::vector<PatternResult> results(formulas.size());
    PatternSettings single = settings;
    single.threads = 1;
    ParallelFor(formulas.size(), threads, cancellation,
                [&](std::size_t i) { results[i] = CalculatePattern(table, formulas[i], single); });
    return results;
}

}  // namespace morvane
