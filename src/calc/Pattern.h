#ifndef MORVANE_CALC_PATTERN_H
#define MORVANE_CALC_PATTERN_H

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "../core/Cancellation.h"
#include "../elements/AtomIsoAbun.h"
#include "../elements/isotope.h"
#include "../formula/Adduct.h"
#include "../formula/AtomCounts.h"
#include "../formula/ProForma.h"
#include "../resolution/Profile.h"
#include "../spectrum/PeakComposition.h"

namespace morvane {

// The coverage target the front-ends calculate to unless given a threshold
// or a target of their own. A pattern cut at a threshold relative to the
// most probable variant loses the tails of large molecules: at morvane's
// 1e-3, insulin's M+11 comes out at 0.78 % of the base peak instead of
// 1.81 %, and the peaks beyond are missing. A coverage target leaves out
// 1 - target of the probability, almost all of it from the outer peaks;
// each peak of at least 0.1 % of the base then lost 250 to 600 times
// 1 - target of its height, relatively, from glucose to a 270 kDa protein
// (measured against the exact nominal bins): this target keeps every such
// peak within 0.06 %.
const double FRONT_END_COVERAGE = 0.999999;

// The settings of one pattern, meaning what morvane's options mean.
struct PatternSettings {
    int charge = 0;             // -z, -mtz
    bool masstocharge = false;  // -mtz: positions are m/z
    double threshold = 0.001;   // -t: 0 <= threshold < 1
    double merge = 0.1;         // -r: merge >= 0
    bool normalize = false;     // -n: the largest peak becomes 100
    double filter = 0;          // -f: 0 <= filter < 100; above 0 it normalises too
    // The ion to calculate instead of the molecule, or null. The adduct
    // (parsed against the same table, and living as long as the settings
    // are used) sets the charge, and positions are m/z: charge and
    // masstocharge are then not used. The peaks equal those of the ion's
    // formula written out, with the adduct's charge and m/z.
    const Adduct* adduct = nullptr;
    // The enrichment of the formulas' isotope labels (living as long as the
    // settings are used), or null: every labelled atom is pure.
    const Enrichment* enrichment = nullptr;
    // The text is a ProForma peptide (ProForma.h) instead of a formula. A
    // charge suffix (/2) sets the charge, and positions are m/z; it cannot
    // be combined with a charge or an adduct of these settings.
    bool sequence = false;
    // Fixed modifications of the peptides, or null (living as long as the
    // settings are used).
    const std::vector<FixedMod>* fixed = nullptr;
    // The coverage target: 0 to use the threshold, else 0 < coverage < 1:
    // the smallest set of variants, taken by decreasing probability, whose
    // probabilities sum to at least this (the variants as probable as the
    // last one taken kept too), merged as usual; the threshold is then not
    // used. See spectrum/CoverageSpectrum.h for the method and its cost.
    double coverage = 0;
    // Nominal binning instead of merging at `merge`: the molecule's variants
    // summed by their extra neutrons, computed directly, every bin of at
    // least 1e-15 of the largest (spectrum/NominalSpectrum.h). The peaks do
    // not depend on the threshold or the coverage target, which then decide
    // only the variants a composition is read from (a bin without any gets
    // an empty make-up of share 0). Not with a resolution.
    bool nominal = false;
    // Work out what each peak is made of (PatternResult::composition): one
    // more pass over the variants. Not with a resolution.
    bool composition = false;
    // Threads of this one calculation (0: as many as pay for a large
    // molecule). Callers that run one pattern per thread pass 1.
    int threads = 0;
    // The instrument the pattern is seen with, or none. With one, the peaks
    // are the centroids of the profile it records of the variants, merged
    // beforehand at `merge` when mergeGiven, else grouped so that no group
    // spans more than FINE_MERGE_FRACTION of its local width
    // (GroupFineStructure): the fine structure, as far as it matters.
    std::optional<Resolution> resolution;
    bool mergeGiven = false;
    double centroidFloor = DEFAULT_CENTROID_FLOOR;  // maxima below this fraction of the largest are ripples
    // A centroid's intensity: the abundance of the variants under it, or the
    // area of the profile under it (resolution/Profile.h).
    CentroidIntensity centroidIntensity = CentroidIntensity::Sum;
    // With a resolution: the peaks are the profile's points instead (mass
    // the position, abundance the intensity), normalised and filtered alike.
    bool profile = false;
};

// One pattern, or why there is none.
struct PatternResult {
    int status = 0;              // 0, or the exit status morvane gives for the same failure
    std::string reason;          // what went wrong, for a person to act on; empty on success
    int charge = 0;              // the charge calculated: the settings', the adduct's or the sequence's
    // The peaks morvane prints, bit for bit, in its order (ascending mass);
    // m/z is mass over |z|: for a negative ion, the positions morvane prints
    // with the opposite sign.
    std::vector<isotope> peaks;
    // With a resolution: the variants the instrument saw (grouped by their
    // span, or merged at the given distance), in morvane's order; else empty.
    std::vector<isotope> variants;
    // The sum of the kept variants' probabilities: the unnormalised merged
    // peaks' heights summed in peak order, before a resolution, normalising
    // and filtering; with nominal binning, the bins' probabilities summed.
    double coverage = 0;
    // The formula's (or the ion's) masses in the units of the positions:
    // minus the electrons of the charge, and divided by the charge when the
    // positions are m/z, positive for a negative ion (formula/FormulaMasses.h); the nominal mass is that
    // of the neutral formula, an integer.
    double monoisotopic = 0;
    double average = 0;
    long long nominal = 0;
    // The first of the largest peaks as returned (normalised when asked);
    // (0, 0) when there is none.
    isotope mostAbundant{0, 0};
    // With settings.composition, one per peak of `peaks`.
    std::vector<PeakMakeup> composition;
};

// Reads an isotope table file into `table` (which it empties first). Returns
// 0, or 1 with `reason` naming the line and the word that made the file
// unusable (or saying that it cannot be opened or is not a regular file);
// `table` is then empty.
int LoadIsotopeTable(const std::string& path, std::deque<AtomIsoAbun>& table, std::string& reason);

// The message of a setting out of range, in the words of morvane's option
// scan where it has one and without "Error: "; null when every setting is
// in range. The charge is held to Adduct::MAX_CHARGE either way, as an
// adduct's and a sequence's are.
const char* SettingFault(const PatternSettings& s);

// The pattern of one formula of the front-ends' language (FormulaLanguage.h)
// against a loaded table: for a formula morvane reads, the peaks that
// `morvane formula -p 17` with the same settings prints, normalised and
// filtered as it does. Failures, with their reason: 2 the formula does not
// parse (unknown symbol and its position, illegal character, count beyond
// 32 bits; an adduct that removes atoms the molecule lacks; a formula
// without capitals gets a reminder that symbols begin with one); 5 a setting
// out of range (SettingFault), or m/z at charge 0;
// 6 the calculation failed, or needed more memory than there is, or the
// profile at the given resolution would be too large, or the thread's
// cancellation (core/Cancellation.h) was requested. The table
// is only read, so any number of threads may share it.
PatternResult CalculatePattern(const std::deque<AtomIsoAbun>& table, const std::string& formula,
                               const PatternSettings& settings);

// The composition CalculatePattern calculates for `text` with these
// settings (before any adduct), and the charge of a sequence's suffix (0
// without one). Returns 0, or 2 with the reason; an enrichment of a label
// the molecule does not hold is refused.
int ReadMolecule(const std::deque<AtomIsoAbun>& table, const std::string& text, const PatternSettings& settings,
                 MolComposition& molecule, int& sequenceCharge, std::string& reason);

// The patterns of many formulas with `threads` threads (0: one per core),
// result i belonging to formula i; each pattern is calculated on one
// thread, whatever settings.threads says. When the system starts fewer threads than
// asked, those started do all the work. Once `cancellation` (when given) is
// requested, no further formula is begun and those under way stop within
// milliseconds, with status 6 and the reason "the calculation was
// cancelled"; the results of those not begun stay empty with status 0.
std::vector<PatternResult> CalculatePatterns(const std::deque<AtomIsoAbun>& table,
                                             const std::vector<std::string>& formulas, const PatternSettings& settings,
                                             unsigned threads, Cancellation* cancellation = nullptr);

}  // namespace morvane

#endif
