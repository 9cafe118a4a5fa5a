// The browser module's calls, for morvane.js: the library's pattern
// calculation, formula reading, profile, centroids and spectrum distances
// against the compiled-in isotope table. Every number comes from the
// library; this file only converts between JavaScript values and the
// library's types. A failure comes back as an object {status, reason} (the
// status morvane gives for it), which morvane.js raises as an error.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <deque>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/AtomIsoAbun.h"
#include "elements/TableReader.h"
#include "formula/Adduct.h"
#include "formula/AtomCounts.h"
#include "formula/FormulaLanguage.h"
#include "formula/ProForma.h"
#include "match/Match.h"
#include "resolution/Profile.h"
#include "resolution/Resolution.h"
#include "spectrum/Distance.h"

using emscripten::val;
using namespace morvane;

namespace morvane {
extern const char* const COMPILED_TABLE_TEXT;  // TableText.cpp, made from morvanetable.txt
}

namespace {

// The compiled-in table, read on first use and then only read. Should it
// not read (a broken build), it is empty and every formula names an
// unknown element.
const std::deque<AtomIsoAbun>& Table()
{
    static const std::deque<AtomIsoAbun> table = [] {
        std::deque<AtomIsoAbun> t;
        std::istringstream in(COMPILED_TABLE_TEXT);
        if (ReadIsotopeTable(in, t) != 0) t.clear();
        return t;
    }();
    return table;
}

val Failure(int status, const std::string& reason)
{
    val out = val::object();
    out.set("status", status);
    out.set("reason", reason);
    return out;
}

val Numbers(const std::vector<double>& values)
{
    return val::global("Float64Array").new_(emscripten::typed_memory_view(values.size(), values.data()));
}

val Column(const std::vector<isotope>& peaks, double isotope::*field)
{
    std::vector<double> values;
    values.reserve(peaks.size());
    for (const isotope& p : peaks) values.push_back(p.*field);
    return Numbers(values);
}

std::vector<isotope> PeaksOf(const val& mass, const val& abundance)
{
    const auto m = emscripten::convertJSArrayToNumberVector<double>(mass);
    const auto a = emscripten::convertJSArrayToNumberVector<double>(abundance);
    std::vector<isotope> peaks;
    for (std::size_t i = 0; i < m.size() && i < a.size(); ++i) peaks.emplace_back(m[i], a[i]);
    return peaks;
}

// An instrument from its law ("fwhm", "tof", "orbitrap" or "fticr"), its
// width or resolving power, and the reference m/z (0: the analyzer's).
// Returns false with the reason.
bool MakeResolution(const std::string& law, double value, double reference, std::optional<Resolution>& out,
                    std::string& reason)
{
    if (law == "fwhm") {
        if (!CheckFwhm(value, reason)) return false;
        out = Resolution::ConstantWidth(value);
        return true;
    }
    Analyzer analyzer = Analyzer::Orbitrap;
    if (!ParseAnalyzer(law, analyzer)) {
        reason = "analyzer must be tof, orbitrap or fticr";
        return false;
    }
    if (!(std::isfinite(value) && value > 0)) {
        reason = "resolution must be > 0";
        return false;
    }
    if (!CheckResolvingPower(value, reason)) return false;
    const double m0 = reference == 0 ? DefaultReference(analyzer) : reference;
    if (!(std::isfinite(m0) && m0 > 0)) {
        reason = "reference m/z must be > 0";
        return false;
    }
    out = Resolution::Power(analyzer, value, m0);
    return true;
}

// One pattern's settings with what they point to, read from the plain
// object morvane.js makes of the caller's options (every field present).
struct Request {
    PatternSettings settings;
    Adduct adduct;
    Enrichment enrichment;
    std::vector<FixedMod> fixed;
    bool profile = false;  // the instrument's profile too, for drawing
};

// Reads `o` into `r`; returns false with the reason for a setting that
// cannot be read (an adduct, label, modification or instrument).
bool ReadRequest(const val& o, Request& r, std::string& reason)
{
    PatternSettings& s = r.settings;
    s.charge = o["charge"].as<int>();
    s.masstocharge = o["mz"].as<bool>();
    s.threshold = o["threshold"].as<double>();
    s.coverage = o["coverage"].as<double>();
    s.merge = o["merge"].as<double>();
    s.mergeGiven = o["mergeGiven"].as<bool>();
    s.normalize = o["normalize"].as<bool>();
    s.filter = o["filter"].as<double>();
    s.nominal = o["nominal"].as<bool>();
    s.composition = o["composition"].as<bool>();
    s.sequence = o["sequence"].as<bool>();
    s.centroidIntensity = o["area"].as<bool>() ? CentroidIntensity::Area : CentroidIntensity::Sum;
    s.threads = 1;
    r.profile = o["profile"].as<bool>();
    const auto& table = Table();
    const std::string adduct = o["adduct"].as<std::string>();
    if (!adduct.empty()) {
        if (r.adduct.Parse(adduct, table, reason) != 0) return false;
        s.adduct = &r.adduct;
    }
    const val labels = val::global("Object").call<val>("entries", o["enrichment"]);
    for (unsigned i = 0; i < labels["length"].as<unsigned>(); ++i) {
        const std::string label = labels[i][0].as<std::string>();
        std::string key;
        if (!LabelKeyOf(label, key)) {
            reason = "enrichment: " + label + " is no isotope label, as 13C";
            return false;
        }
        r.enrichment[key] = labels[i][1].as<double>();
    }
    if (!CheckEnrichment(r.enrichment, table, reason)) return false;
    if (!r.enrichment.empty()) s.enrichment = &r.enrichment;
    const auto fixed = emscripten::vecFromJSArray<std::string>(o["fixed"]);
    for (const std::string& word : fixed) {
        FixedMod mod;
        if (!ParseFixedMod(word, table, mod, reason)) return false;
        r.fixed.push_back(mod);
    }
    if (!r.fixed.empty()) s.fixed = &r.fixed;
    const std::string law = o["law"].as<std::string>();
    return law.empty() || MakeResolution(law, o["value"].as<double>(), o["reference"].as<double>(), s.resolution, reason);
}

val Composition(const std::vector<PeakMakeup>& makeup)
{
    val out = val::array();
    for (const PeakMakeup& m : makeup) {
        val one = val::object();
        one.set("isotopes", m.isotopes);
        one.set("share", m.share);
        out.call<void>("push", one);
    }
    return out;
}

// The instrument's profile of the variants it saw, or null when it cannot
// be drawn (too many points).
val DrawnProfile(const PatternResult& r, const Resolution& resolution)
{
    Profile p;
    std::string reason;
    if (!MakeProfile(r.variants, resolution, p, reason)) return val::null();
    val out = val::object();
    out.set("x", Numbers(p.x));
    out.set("y", Numbers(p.y));
    return out;
}

// The pattern of one formula or sequence: {status: 0, charge, mz, mass,
// abundance, variants, coverage, monoisotopic, average, nominal,
// mostAbundant, composition, profile}, or {status, reason}.
val CalculateOne(const std::string& text, const val& options)
{
    Request request;
    std::string reason;
    if (!ReadRequest(options, request, reason)) return Failure(5, reason);
    const PatternSettings& s = request.settings;
    const PatternResult r = CalculatePattern(Table(), text, s);
    if (r.status != 0) return Failure(r.status, r.reason);
    val out = val::object();
    out.set("status", 0);
    out.set("charge", r.charge);
    out.set("mz", s.masstocharge || s.adduct != nullptr || r.charge != s.charge);
    out.set("mass", Column(r.peaks, &isotope::mass));
    out.set("abundance", Column(r.peaks, &isotope::abundance));
    out.set("coverage", r.coverage);
    out.set("monoisotopic", r.monoisotopic);
    out.set("average", r.average);
    out.set("nominal", static_cast<double>(r.nominal));
    val most = val::array();
    most.call<void>("push", r.mostAbundant.mass);
    most.call<void>("push", r.mostAbundant.abundance);
    out.set("mostAbundant", most);
    out.set("composition", s.composition ? Composition(r.composition) : val::null());
    if (s.resolution) {
        val variants = val::object();
        variants.set("mass", Column(r.variants, &isotope::mass));
        variants.set("abundance", Column(r.variants, &isotope::abundance));
        out.set("variants", variants);
        out.set("profile", request.profile ? DrawnProfile(r, *s.resolution) : val::null());
    } else {
        out.set("variants", val::null());
        out.set("profile", val::null());
    }
    return out;
}

// The atoms of a formula or sequence: {status: 0, atoms: {"C": 6, "13C": 1},
// formula (canonical), charge (of a sequence's suffix)}, or {status, reason}.
val FormulaOf(const std::string& text, bool sequence, const val& fixedWords)
{
    const auto& table = Table();
    std::string reason;
    std::vector<FixedMod> fixed;
    for (const std::string& word : emscripten::vecFromJSArray<std::string>(fixedWords)) {
        FixedMod mod;
        if (!ParseFixedMod(word, table, mod, reason)) return Failure(5, reason);
        fixed.push_back(mod);
    }
    AtomCounts counts;
    int charge = 0;
    const int status = sequence ? ReadSequence(text, table, fixed, counts, charge, reason)
                                : FormulaCounts(text, table, counts, reason);
    if (status != 0) return Failure(status, reason);
    val atoms = val::object();
    for (const auto& [key, n] : counts) {
        const std::string label = LabelText(key);
        atoms.set(label == key ? key : label.substr(1, label.size() - 2), static_cast<double>(n));
    }
    val out = val::object();
    out.set("status", 0);
    out.set("atoms", atoms);
    out.set("formula", CanonicalFormula(counts));
    out.set("charge", charge);
    return out;
}

// The profile of peaks at an instrument on the library's grid: {status: 0,
// x, y}, or {status, reason}.
val ResolvedProfile(const val& mass, const val& abundance, const std::string& law, double value, double reference)
{
    std::optional<Resolution> resolution;
    std::string reason;
    if (!MakeResolution(law, value, reference, resolution, reason)) return Failure(5, reason);
    Profile p;
    if (!MakeProfile(PeaksOf(mass, abundance), *resolution, p, reason)) return Failure(6, reason);
    val out = val::object();
    out.set("status", 0);
    out.set("x", Numbers(p.x));
    out.set("y", Numbers(p.y));
    return out;
}

// The centroids of peaks at an instrument: {status: 0, mass, abundance}, or
// {status, reason}.
val Centroids(const val& mass, const val& abundance, const std::string& law, double value, double reference,
              double floor, bool area)
{
    std::optional<Resolution> resolution;
    std::string reason;
    if (!MakeResolution(law, value, reference, resolution, reason)) return Failure(5, reason);
    if (!(floor >= 0 && floor < 1)) return Failure(5, "centroid floor must be between 0 and 1");
    std::vector<isotope> centroids;
    if (!MakeCentroids(PeaksOf(mass, abundance), *resolution, floor, centroids, reason,
                       area ? CentroidIntensity::Area : CentroidIntensity::Sum))
        return Failure(6, reason);
    val out = val::object();
    out.set("status", 0);
    out.set("mass", Column(centroids, &isotope::mass));
    out.set("abundance", Column(centroids, &isotope::abundance));
    return out;
}

// The request's ion looked for in a measured peak list by the matching
// library, at the request's instrument, coverage or threshold: {status: 0,
// charge, score, cosine, wasserstein, explained, monoPpm (null when the
// monoisotopic peak is not found), rmsPpm, found, expected}, or {status,
// reason}. A formula with a charge and no adduct is the ion that morvane's
// -z calculates, the molecule less that many electrons.
val MatchMeasured(const std::string& text, const val& options, const val& mz, const val& intensity)
{
    Request request;
    std::string reason;
    if (!ReadRequest(options, request, reason)) return Failure(5, reason);
    const PatternSettings& p = request.settings;
    if (!p.resolution) return Failure(5, "matching needs the instrument's resolution");
    MeasuredSpectrum spectrum;
    if (!MeasuredSpectrum::Make(PeaksOf(mz, intensity), spectrum, reason)) return Failure(5, reason);
    Candidate c;
    c.text = c.molecule = text;
    c.sequence = p.sequence;
    c.adduct = options["adduct"].as<std::string>();
    if (c.adduct.empty() && !c.sequence && p.charge != 0) {
        const std::string n = std::abs(p.charge) == 1 ? "" : std::to_string(std::abs(p.charge));
        c.adduct = "[M]" + n + (p.charge > 0 ? "+" : "-");
    }
    if (c.adduct.empty() && !c.sequence) return Failure(5, "matching needs an ion: a charge or an adduct");
    MatchSettings s;
    s.pattern = p;
    s.pattern.normalize = false;
    s.pattern.filter = 0;
    s.pattern.nominal = false;
    s.pattern.composition = false;
    if (c.sequence && p.charge > 0) s.minCharge = s.maxCharge = p.charge;
    const CandidateMatch m = MatchCandidate(Table(), spectrum, c, s);
    if (m.status != 0) return Failure(m.status, m.reason);
    const EnvelopeFit& f = m.fits.front().fit;
    val out = val::object();
    out.set("status", 0);
    out.set("charge", m.fits.front().ion.charge);
    out.set("score", f.score);
    out.set("cosine", f.cosine);
    out.set("wasserstein", f.wasserstein);
    out.set("explained", f.explained);
    out.set("monoPpm", f.monoisotopicFound ? val(f.monoisotopicPpm) : val::null());
    out.set("rmsPpm", f.rmsPpm);
    out.set("found", f.found);
    out.set("expected", static_cast<int>(f.peaks.size()));
    return out;
}

// The Wasserstein distance and cosine similarity of two stick spectra:
// {status: 0, wasserstein, cosine}, or {status, reason}.
val Distances(const val& massA, const val& abundanceA, const val& massB, const val& abundanceB, double ppm)
{
    const std::vector<isotope> a = PeaksOf(massA, abundanceA), b = PeaksOf(massB, abundanceB);
    double wasserstein = 0, cosine = 0;
    std::string reason;
    if (!WassersteinDistance(a, b, wasserstein, reason) || !CosineSimilarity(a, b, ppm, cosine, reason))
        return Failure(5, reason);
    val out = val::object();
    out.set("status", 0);
    out.set("wasserstein", wasserstein);
    out.set("cosine", cosine);
    return out;
}

}  // namespace

EMSCRIPTEN_BINDINGS(morvane)
{
    emscripten::constant("version", std::string(MORVANE_VERSION));
    emscripten::constant("FRONT_END_COVERAGE", FRONT_END_COVERAGE);
    emscripten::function("calculate", &CalculateOne);
    emscripten::function("formulaOf", &FormulaOf);
    emscripten::function("resolvedProfile", &ResolvedProfile);
    emscripten::function("centroids", &Centroids);
    emscripten::function("distance", &Distances);
    emscripten::function("match", &MatchMeasured);
}
