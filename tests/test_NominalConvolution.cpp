// The nominal pattern computed directly, by convolving the elements'
// distributions over extra neutrons: against the enumerated variants
// binned by their neutrons, against every combination of tiny molecules,
// at the edges of the tables, and on molecules far beyond any enumeration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/TableReader.h"
#include "engine/KeptVariants.h"
#include "engine/MolDistribution.h"
#include "engine/MolEnsemble.h"
#include "formula/FormulaMasses.h"
#include "formula/FormulaParser.h"
#include "spectrum/NeutronDistribution.h"
#include "spectrum/NominalSpectrum.h"
#include "support/Reference.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// The variants the enumeration keeps at `thr`, summed by their extra
// neutrons (the calculator's own neutron counts of its variants), each
// bin at sum(p * mass / z) / sum(p): the nominal pattern as a sum over
// enumerated variants. False when the enumeration fails.
bool EnumeratedBins(MolComposition& molecule, double thr, bool masstocharge, std::vector<NominalPeak>& bins)
{
    MolEnsemble ensemble;
    if (ensemble.GenerateElements(molecule, thr) != 0) return false;
    const KeptVariants kept(ensemble, molecule.charge, thr);
    const std::vector<std::vector<long long>> extra = ExtraNeutrons(ensemble);
    const double z = masstocharge ? static_cast<double>(molecule.charge) : 1.0;
    std::map<long long, std::pair<double, double>> sums;  // probability, sum of p * position
    auto add = [&](double mass, double probability, const std::uint32_t* cursor, std::uint32_t innermost) {
        std::pair<double, double>& bin = sums[VariantNeutrons(extra, cursor, innermost)];
        bin.first += probability;
        bin.second += probability * mass / z;
        return true;
    };
    if (!kept.ForEach(add)) return false;
    bins.clear();
    for (const auto& [neutrons, bin] : sums)
        if (bin.first > 0) bins.push_back(NominalPeak{neutrons, bin.second / bin.first, bin.first});
    return true;
}

double Largest(const std::vector<NominalPeak>& bins)
{
    double largest = 0;
    for (const NominalPeak& b : bins) largest = std::max(largest, b.probability);
    return largest;
}

// Every bin of `expected` above `floor` of its largest is in `actual`, its
// probability within 1e-12 of the largest and its position within 1e-9 u,
// plus, where the probabilities differ, their relative difference times
// 1 u: a bin short of variants is off by at most that share of their
// spread in mass, which is below 1 u. `actual` holds no bin above that
// floor that `expected` lacks.
void ExpectSameBins(const std::vector<NominalPeak>& actual, const std::vector<NominalPeak>& expected,
                    const std::string& what, double floor = 1e-12)
{
    const double largest = Largest(expected);
    ASSERT_GT(largest, 0) << what;
    std::map<long long, NominalPeak> byNeutrons;
    for (const NominalPeak& b : actual) byNeutrons.emplace(b.neutrons, b);
    for (const NominalPeak& e : expected) {
        const auto found = byNeutrons.find(e.neutrons);
        if (e.probability <= floor * largest) continue;
        ASSERT_NE(found, byNeutrons.end()) << what << ": no bin of " << e.neutrons << " neutrons";
        EXPECT_NEAR(found->second.probability, e.probability, 1e-12 * largest) << what << " +" << e.neutrons;
        const double shortfall = std::fabs(found->second.probability - e.probability) / e.probability;
        EXPECT_NEAR(found->second.position, e.position, 1e-9 + shortfall) << what << " +" << e.neutrons;
    }
    for (const NominalPeak& a : actual) {
        const bool known = std::any_of(expected.begin(), expected.end(),
                                       [&](const NominalPeak& e) { return e.neutrons == a.neutrons; });
        if (!known) {
            EXPECT_LE(a.probability, floor * largest + 1e-12 * largest) << what << " +" << a.neutrons;
        }
    }
    for (std::size_t k = 1; k < actual.size(); ++k) EXPECT_LT(actual[k - 1].neutrons, actual[k].neutrons) << what;
}

class NominalConvolution : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string reason;
        ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0) << reason;
    }

    // The molecule of a formula of the front-ends' language (labels too).
    static MolComposition Molecule(const std::string& text, int charge = 0)
    {
        MolComposition molecule;
        int sequenceCharge = 0;
        std::string reason;
        EXPECT_EQ(ReadMolecule(table, text, PatternSettings{}, molecule, sequenceCharge, reason), 0) << reason;
        molecule.charge = charge;
        return molecule;
    }

    static std::vector<NominalPeak> Direct(const MolComposition& molecule, bool masstocharge = false)
    {
        std::vector<NominalPeak> peaks;
        EXPECT_EQ(NominalPeaks(molecule, masstocharge, peaks), 0);
        return peaks;
    }

    static std::deque<AtomIsoAbun> table;
};

std::deque<AtomIsoAbun> NominalConvolution::table;

struct Case {
    const char* formula;
    double thr;  // of the enumeration: 0 where every variant can be had
    int charge;
    bool masstocharge;
};

// Fifty molecules, small to medium, peptides, halogens, sulfur, selenium,
// tin and molybdenum (whose lighter isotopes give bins below 0), labels,
// charges and m/z: the direct bins against the enumerated variants summed.
TEST_F(NominalConvolution, AgreesWithTheEnumeratedVariantsBinned)
{
    const Case cases[] = {
        {"H2O", 0, 0, false},
        {"CH4", 0, 0, false},
        {"CO2", 0, 0, false},
        {"NH3", 0, 1, true},
        {"C2H5OH", 0, 0, false},
        {"C6H12O6", 0, 0, false},
        {"C6H6", 0, -1, true},
        {"C8H10N4O2", 0, 0, false},
        {"C9H8O4", 0, 1, false},
        {"C10H16N5O13P3", 0, 0, false},
        {"C20H25N3O", 1e-25, 0, false},
        {"C27H46O", 1e-25, 0, false},
        {"C43H66N12O12S2", 1e-22, 2, true},
        {"C63H98N18O13S", 1e-22, 0, false},
        {"C63H100N18O13S", 1e-22, 2, true},
        {"C50H71N13O12", 1e-22, 0, false},
        {"C37H57N9O10S", 1e-22, -2, true},
        {"C98H138N24O33S2", 1e-21, 3, true},
        {"C254H377N65O75S6", 1e-19, 0, false},
        {"C257H383N65O77S6", 1e-19, 5, true},
        {"CH3Cl", 0, 0, false},
        {"CCl4", 0, 0, false},
        {"C6Cl6", 0, 0, false},
        {"C12H4Cl4O2", 0, 0, false},
        {"CH2Br2", 0, 0, false},
        {"C6H4Br2", 0, -1, true},
        {"Br10", 0, 0, false},
        {"C15H24Br2Cl2O", 0, 0, false},
        {"H2SO4", 0, 0, false},
        {"S8", 0, 0, false},
        {"C5H11NO2S", 0, 1, true},
        {"C10H17N3O6S", 0, 0, false},
        {"C2H6Se", 0, 0, false},
        {"C5H11NO2Se", 0, -1, true},
        {"Se8", 0, 0, false},
        {"SnCl4", 0, 0, false},
        {"C12H28Sn", 0, 0, false},
        {"C16H36Sn2O", 0, 2, true},
        {"Sn5", 0, 0, false},
        {"MoO3", 0, 0, false},
        {"Na2MoO4", 0, 0, false},
        {"Mo2Cl10", 0, 0, false},
        {"C10H10Fe", 0, 0, false},
        {"C6H5HgCl", 0, 0, false},
        {"[13C]6H12O6", 0, 0, false},
        {"C6H6D6", 0, 0, false},
        {"[15N]2C8H10N2O2", 0, 1, true},
        {"C5[13C]H11NO2S", 0, 0, false},
        {"C29H40N7O8[18O]2S", 1e-22, 2, true},
        {"C6H12O6", 0, 3, true},
    };
    for (const Case& c : cases) {
        MolComposition molecule = Molecule(c.formula, c.charge);
        std::vector<NominalPeak> enumerated;
        ASSERT_TRUE(EnumeratedBins(molecule, c.thr, c.masstocharge, enumerated)) << c.formula;
        ExpectSameBins(Direct(molecule, c.masstocharge), enumerated, c.formula);
    }
}

using NeutronSums = std::map<long long, std::pair<long double, long double>>;  // probability, sum of p * mass

// Every count vector of one element's atoms over its isotopes, its
// probability through lgamma in long double, summed by the neutrons its
// isotopes' mass numbers give beyond the most abundant one's.
NeutronSums EveryVector(const std::vector<RefIsotope>& isotopes, int atoms)
{
    const auto top = std::max_element(isotopes.begin(), isotopes.end(), [](const RefIsotope& a, const RefIsotope& b) {
        return a.abundance < b.abundance;
    });
    std::vector<double> abundances;
    for (const RefIsotope& i : isotopes) abundances.push_back(i.abundance);
    NeutronSums sums;
    std::vector<int> counts(isotopes.size(), 0);
    counts.back() = atoms;
    while (true) {
        const long double p = MultinomialProbability(counts, abundances);
        long long neutrons = 0;
        long double mass = 0;
        for (std::size_t j = 0; j < counts.size(); ++j) {
            neutrons += counts[j] * (std::lround(isotopes[j].mass) - std::lround(top->mass));
            mass += counts[j] * static_cast<long double>(isotopes[j].mass);
        }
        sums[neutrons].first += p;
        sums[neutrons].second += p * mass;
        // The next count vector summing to `atoms`, in odometer order.
        std::size_t j = counts.size() - 1;
        while (j > 0 && counts[j] == 0) --j;
        if (j == 0) return sums;
        const int rest = counts[j];
        counts[j] = 0;
        ++counts[j - 1];
        counts.back() = rest - 1;
    }
}

// Every combination of a tiny molecule's atoms, summed by extra neutrons.
std::vector<NominalPeak> EveryCombination(const std::vector<std::pair<std::vector<RefIsotope>, int>>& molecule)
{
    NeutronSums bins{{0, {1.0L, 0.0L}}};
    for (const auto& [isotopes, atoms] : molecule) {
        const NeutronSums element = EveryVector(isotopes, atoms);
        NeutronSums next;
        for (const auto& [n1, b1] : bins)
            for (const auto& [n2, b2] : element) {
                next[n1 + n2].first += b1.first * b2.first;
                next[n1 + n2].second += b1.second * b2.first + b1.first * b2.second;
            }
        bins.swap(next);
    }
    std::vector<NominalPeak> peaks;
    for (const auto& [n, b] : bins)
        if (b.first > 0)
            peaks.push_back(NominalPeak{n, static_cast<double>(b.second / b.first), static_cast<double>(b.first)});
    return peaks;
}

TEST_F(NominalConvolution, AgreesWithEveryCombinationOfTinyMolecules)
{
    const auto reference = LoadReferenceTable(ShippedTable());
    const std::vector<std::vector<std::pair<std::string, int>>> molecules = {
        {{"C", 6}, {"H", 12}, {"O", 6}}, {{"Br", 3}},          {{"Sn", 3}},
        {{"Se", 2}, {"Cl", 2}},          {{"Mo", 2}, {"O", 7}}, {{"S", 4}, {"N", 2}, {"H", 4}},
        {{"Hg", 1}, {"Cl", 2}},          {{"Fe", 2}, {"O", 3}}, {{"C", 40}, {"H", 3}},
    };
    for (const auto& counts : molecules) {
        std::string formula;
        std::vector<std::pair<std::vector<RefIsotope>, int>> elements;
        for (const auto& [symbol, atoms] : counts) {
            formula += symbol + std::to_string(atoms);
            elements.emplace_back(reference.at(symbol), atoms);
        }
        ExpectSameBins(Direct(Molecule(formula)), EveryCombination(elements), formula, 1e-15);
    }
}

// A table of elements beyond nature's: Xa's abundances sum to 0.5, Xb's
// first entry is the heavier, Xc has one isotope, Xd's two lie twenty
// million neutrons apart.
const char* const ODD_TABLE =
    "C 6 12.0 0.9893 13.0033548378 0.0107\n"
    "H 1 1.0078250321 0.999885 2.014101778 0.000115\n"
    "Xa 90 100.0 0.3 102.0 0.2\n"
    "Xb 91 50.01 0.7 49.02 0.25 47.03 0.05\n"
    "Xc 92 30.5 1\n"
    "Xd 93 10.0 0.5 20000010.0 0.5\n";

TEST_F(NominalConvolution, EdgesOfTablesAndMolecules)
{
    std::istringstream in(ODD_TABLE);
    std::deque<AtomIsoAbun> odd;
    ASSERT_EQ(ReadIsotopeTable(in, odd), 0);
    auto parse = [&odd](const char* formula) {
        MolComposition c;
        EXPECT_EQ(ParseFormula(formula, odd, c), 0) << formula;
        return c;
    };
    const auto oddReference = [] {
        std::map<std::string, std::vector<RefIsotope>> t;
        t["Xa"] = {{100.0, 0.3}, {102.0, 0.2}};
        t["Xb"] = {{50.01, 0.7}, {49.02, 0.25}, {47.03, 0.05}};
        return t;
    }();
    // One atom: each entry its own bin, exactly.
    std::vector<NominalPeak> one = Direct(parse("C"));
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[0].probability, 0.9893);
    EXPECT_EQ(one[0].position, 12.0);
    EXPECT_EQ(one[1].probability, 0.0107);
    // One isotope: a single bin holding everything, however many atoms.
    one = Direct(parse("Xc1000"));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].probability, 1.0);
    EXPECT_NEAR(one[0].position, 30500, 1e-9);
    // An element of no atoms changes nothing.
    MolComposition zero = parse("C6H12Xb");
    zero.nat[2] = 0;
    const std::vector<NominalPeak> without = Direct(parse("C6H12"));
    const std::vector<NominalPeak> with = Direct(zero);
    ASSERT_EQ(with.size(), without.size());
    for (std::size_t k = 0; k < with.size(); ++k) {
        EXPECT_EQ(with[k].neutrons, without[k].neutrons);
        EXPECT_EQ(with[k].probability, without[k].probability);
        EXPECT_EQ(with[k].position, without[k].position);
    }
    // Abundances summing to 0.5, and a first entry above lighter ones (bins
    // below 0), against every combination.
    ExpectSameBins(Direct(parse("Xa5Xb4")), EveryCombination({{oddReference.at("Xa"), 5}, {oddReference.at("Xb"), 4}}),
                   "Xa5Xb4", 1e-15);
    EXPECT_EQ(Direct(parse("Xb3")).front().neutrons, -9);
    // 1000 atoms of Xa hold 2^-1000 in all, each bin a binomial term times
    // that: the values carried beside their exponent stay exact.
    const std::vector<NominalPeak> small = Direct(parse("Xa1000"));
    double total = 0;
    for (const NominalPeak& b : small) {
        ASSERT_EQ(b.neutrons % 2, 0);
        const long k = static_cast<long>(b.neutrons / 2);
        const long double expected = std::exp(std::lgamma(1001.0L) - std::lgamma(k + 1.0L) - std::lgamma(1001.0L - k) +
                                              k * std::log(0.2L) + (1000 - k) * std::log(0.3L));
        EXPECT_NEAR(b.probability / static_cast<double>(expected), 1, 1e-11) << k;
        total += b.probability;
    }
    EXPECT_NEAR(total / std::ldexp(1.0, -1000), 1, 1e-12);
    // 2000 atoms hold 2^-2000, beneath every double: nothing to show.
    std::vector<NominalPeak> none;
    EXPECT_EQ(NominalPeaks(parse("Xa2000"), false, none), 6);
    EXPECT_TRUE(none.empty());
    // One atom of Xd spans more than 2^24 bins.
    EXPECT_EQ(NominalPeaks(parse("C6H12Xd"), false, none), 6);
    EXPECT_TRUE(none.empty());
}

// Charges: the electrons' mass off every bin, the position divided by the
// charge in m/z, negative for a negative ion, which the pattern then turns
// positive; no peaks in m/z at charge 0.
TEST_F(NominalConvolution, ChargesAndMassToCharge)
{
    const std::vector<NominalPeak> neutral = Direct(Molecule("C63H98N18O13S"));
    const std::vector<NominalPeak> anion = Direct(Molecule("C63H98N18O13S", -2), true);
    ASSERT_EQ(anion.size(), neutral.size());
    for (std::size_t k = 0; k < anion.size(); ++k) {
        EXPECT_EQ(anion[k].probability, neutral[k].probability);
        EXPECT_NEAR(anion[k].position, (neutral[k].position + 2 * 0.00054857990943) / -2, 1e-9);
    }
    PatternSettings s;
    s.nominal = true;
    s.charge = -2;
    s.masstocharge = true;
    const PatternResult r = CalculatePattern(table, "C63H98N18O13S", s);
    ASSERT_EQ(r.status, 0) << r.reason;
    ASSERT_EQ(r.peaks.size(), anion.size());
    for (std::size_t k = 0; k < anion.size(); ++k) EXPECT_EQ(r.peaks[k].mass, -anion[k].position);
    std::vector<NominalPeak> none;
    EXPECT_EQ(NominalPeaks(Molecule("C6H12O6"), true, none), 0);
    EXPECT_TRUE(none.empty());
}

// Titin and a 10 MDa polymer, whose variants no enumeration reaches: the
// bins hold all the probability but what lies below 1e-15 of the largest,
// and their mean is the formula's average mass.
TEST_F(NominalConvolution, MoleculesOfMillionsOfDaltons)
{
    for (const char* formula : {"C169719H270464N45688O52237S911", "C700000H1400000O10000"}) {
        const MolComposition molecule = Molecule(formula);
        const std::vector<NominalPeak> bins = Direct(molecule);
        double total = 0, weighted = 0;
        for (const NominalPeak& b : bins) {
            total += b.probability;
            weighted += b.probability * b.position;
        }
        EXPECT_GE(total, 1 - 1e-9) << formula;
        EXPECT_LE(total, 1 + 1e-9) << formula;
        EXPECT_NEAR(weighted / total, MassesOf(molecule).average, 1e-6) << formula;
        EXPECT_GT(bins.size(), 100u) << formula;
        EXPECT_LT(bins.size(), 10000u) << formula;
    }
}

// The pattern's nominal peaks are the direct bins whatever the threshold or
// the coverage target; those decide only the variants composition reads.
TEST_F(NominalConvolution, PatternIgnoresThresholdAndCoverage)
{
    const std::vector<NominalPeak> bins = Direct(Molecule("C254H377N65O75S6"));
    for (double thr : {0.1, 1e-3, 1e-8}) {
        PatternSettings s;
        s.nominal = true;
        s.threshold = thr;
        const PatternResult r = CalculatePattern(table, "C254H377N65O75S6", s);
        ASSERT_EQ(r.status, 0) << r.reason;
        ASSERT_EQ(r.peaks.size(), bins.size());
        double sum = 0;
        for (std::size_t k = 0; k < bins.size(); ++k) {
            EXPECT_EQ(r.peaks[k].mass, bins[k].position);
            EXPECT_EQ(r.peaks[k].abundance, bins[k].probability);
            sum += bins[k].probability;
        }
        EXPECT_EQ(r.coverage, sum);
    }
    PatternSettings s;
    s.nominal = true;
    s.coverage = 0.9;
    s.composition = true;
    const PatternResult r = CalculatePattern(table, "C254H377N65O75S6", s);
    ASSERT_EQ(r.status, 0) << r.reason;
    ASSERT_EQ(r.peaks.size(), bins.size());
    ASSERT_EQ(r.composition.size(), bins.size());
    // The monoisotopic bin is one variant; far bins have none kept at 0.9.
    EXPECT_EQ(r.composition[0].isotopes, "");
    EXPECT_NEAR(r.composition[0].share, 1, 1e-12);
    EXPECT_EQ(r.composition[4].isotopes, "13C4");
    EXPECT_EQ(r.composition.back().isotopes, "");
    EXPECT_EQ(r.composition.back().share, 0);
}

}  // namespace
