#include "support/Synthetic.h"

#include <algorithm>
#include <stdexcept>

#include "calc/Pattern.h"
#include "formula/Adduct.h"
#include "resolution/Profile.h"

using namespace morvane;

const std::deque<AtomIsoAbun>& MatchTable()
{
    static const std::deque<AtomIsoAbun> table = [] {
        std::deque<AtomIsoAbun> t;
        std::string reason;
        if (LoadIsotopeTable(MORVANE_SOURCE_DIR "/morvanetable.txt", t, reason) != 0) throw std::runtime_error(reason);
        return t;
    }();
    return table;
}

Resolution SyntheticInstrument() { return Resolution::Power(Analyzer::Orbitrap, 120000, 200); }

std::string Chnos::Text() const
{
    std::string f = "C" + std::to_string(c) + "H" + std::to_string(h) + "N" + std::to_string(n) + "O" + std::to_string(o);
    return s > 0 ? f + "S" + std::to_string(s) : f;
}

Chnos RandomChnos(std::mt19937& random, int carbons)
{
    std::uniform_real_distribution<double> share(0.9, 1.1);
    std::uniform_int_distribution<int> sulfur(0, 2);
    Chnos f;
    f.c = carbons;
    f.h = static_cast<int>(1.6 * carbons * share(random));
    f.n = std::max(1, static_cast<int>(0.27 * carbons * share(random)));
    f.o = static_cast<int>(0.3 * carbons * share(random)) + 1;
    f.s = sulfur(random);
    return f;
}

std::string RandomFormula(std::mt19937& random, int carbons) { return RandomChnos(random, carbons).Text(); }

namespace {

PatternResult Calculate(const std::string& formula, const std::string& adductText, const Adduct& adduct)
{
    PatternSettings s;
    s.coverage = FRONT_END_COVERAGE;
    s.threads = 1;
    s.resolution = SyntheticInstrument();
    s.adduct = &adduct;
    PatternResult r = CalculatePattern(MatchTable(), formula, s);
    if (r.status != 0) throw std::runtime_error(formula + " " + adductText + ": " + r.reason);
    return r;
}

void Distort(std::vector<isotope>& peaks, const Distortion& d, std::mt19937& random)
{
    std::normal_distribution<double> ppm(0, d.ppm), noise(0, d.noise);
    std::uniform_real_distribution<double> unit(0, 1);
    double top = 0;
    for (const isotope& p : peaks) top = std::max(top, p.abundance);
    std::vector<isotope> out;
    for (const isotope& p : peaks) {
        if (p.abundance < d.drop * top && unit(random) < d.dropChance) continue;
        // The draws one statement each: the order of a call's arguments is
        // the compiler's choice, and every compiler must record the same.
        const double intensity = 1 + noise(random);
        const double shift = ppm(random) * 1e-6;
        out.emplace_back(p.mass * (1 + shift), p.abundance * std::max(0.0, intensity));
    }
    const double lo = peaks.front().mass - 2, hi = peaks.back().mass + 2;
    for (int i = 0; i < d.noisePeaks; ++i) {
        const double height = 0.01 * top * unit(random);
        out.emplace_back(lo + (hi - lo) * unit(random), height);
    }
    peaks = out;
}

}  // namespace

Ion SyntheticIon(const std::string& formula, const std::string& adductText)
{
    Adduct adduct;
    std::string reason;
    if (adduct.Parse(adductText, MatchTable(), reason) != 0) throw std::runtime_error(reason);
    PatternResult r = Calculate(formula, adductText, adduct);
    Ion ion;
    ion.adduct = adductText;
    ion.charge = r.charge;
    ion.peaks = r.peaks;
    ion.monoisotopic = r.monoisotopic;
    ion.variants = r.variants;
    return ion;
}

std::vector<isotope> RecordMixture(const std::vector<std::string>& formulas, const std::vector<std::string>& adducts,
                                   const std::vector<double>& amounts, const Distortion& d, std::mt19937& random)
{
    std::vector<isotope> variants;
    for (std::size_t i = 0; i < formulas.size(); ++i) {
        Adduct adduct;
        std::string reason;
        if (adduct.Parse(adducts[i], MatchTable(), reason) != 0) throw std::runtime_error(reason);
        const PatternResult r = Calculate(formulas[i], adducts[i], adduct);
        double total = 0;
        for (const isotope& v : r.variants) total += v.abundance;
        for (const isotope& v : r.variants) variants.emplace_back(v.mass, amounts[i] * v.abundance / total);
    }
    std::sort(variants.begin(), variants.end(), [](const isotope& a, const isotope& b) { return a.mass < b.mass; });
    std::vector<isotope> centroids;
    std::string reason;
    if (!MakeCentroids(variants, SyntheticInstrument(), DEFAULT_CENTROID_FLOOR, centroids, reason))
        throw std::runtime_error(reason);
    Distort(centroids, d, random);
    return centroids;
}

MeasuredSpectrum Record(const std::string& formula, const std::string& adduct, const Distortion& d,
                        std::mt19937& random)
{
    MeasuredSpectrum s;
    std::string reason;
    if (!MeasuredSpectrum::Make(RecordMixture({formula}, {adduct}, {1.0}, d, random), s, reason))
        throw std::runtime_error(reason);
    return s;
}
