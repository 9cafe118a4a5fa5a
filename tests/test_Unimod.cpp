// The compiled-in Unimod table: names and accessions found as search
// engines find them, every composition read as a ProForma modification,
// and its mass against Unimod's own monoisotopic mass of the delta.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/TableReader.h"
#include "core/EditDistance.h"
#include "formula/AtomCounts.h"
#include "formula/ProForma.h"
#include "formula/Unimod.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

// The mass of one atom of `key` as Unimod counts it: a label's isotope, or
// the element's most abundant isotope.
double AtomMass(const std::deque<AtomIsoAbun>& table, const std::string& key)
{
    std::string symbol;
    int massNumber = 0;
    const bool label = SplitLabelKey(key, symbol, massNumber);
    const AtomIsoAbun* e = FindElement(table, label ? symbol : key);
    if (e == nullptr) return -1;
    double mass = 0;
    if (label) return LabelMass(*e, massNumber, mass) ? mass : -1;
    const isotope* top = std::max_element(e->iso, e->iso + e->niso,
                                          [](const isotope& a, const isotope& b) { return a.abundance < b.abundance; });
    return top->mass;
}

class Unimod : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0); }

    // The delta of a modification's text as a fixed modification reads it.
    bool Delta(const std::string& text, AtomCounts& delta)
    {
        FixedMod mod;
        const bool ok = ParseFixedMod(text + "@K", table, mod, reason);
        delta = mod.delta;
        return ok;
    }

    // The monoisotopic mass of a delta; -1 when the table lacks an element.
    double Mass(const AtomCounts& delta)
    {
        double sum = 0;
        for (const auto& [key, n] : delta) {
            const double m = AtomMass(table, key);
            if (m < 0) return -1;
            sum += m * static_cast<double>(n);
        }
        return sum;
    }

    std::deque<AtomIsoAbun> table;
    std::string reason;
};

// Unimod's monoisotopic masses of the common modifications (unimod.org).
TEST_F(Unimod, CommonModificationsHaveUnimodsMasses)
{
    const std::vector<std::pair<std::string, double>> cases = {
        {"Phospho", 79.966331},   {"Oxidation", 15.994915}, {"Carbamidomethyl", 57.021464},
        {"Acetyl", 42.010565},    {"TMT6plex", 229.162932}, {"Deamidated", 0.984016},
        {"UNIMOD:21", 79.966331}, {"U:Oxidation", 15.994915}, {"[UNIMOD:35]", 15.994915},
        {"[Phospho]", 79.966331},
    };
    for (const auto& [name, mass] : cases) {
        AtomCounts delta;
        ASSERT_TRUE(Delta(name, delta)) << name << ": " << reason;
        EXPECT_NEAR(Mass(delta), mass, 2e-6) << name;
    }
}

// The modifications the library knew before it read Unimod's table keep
// their compositions.
TEST_F(Unimod, EarlierModificationsKeepTheirCompositions)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Acetyl", "C2H2O"},      {"Amidated", "HNO-1"},     {"Carbamidomethyl", "C2H3NO"},
        {"Carbamyl", "CHNO"},     {"Deamidated", "H-1N-1O"}, {"Phospho", "HO3P"},
        {"Methyl", "CH2"},        {"Oxidation", "O"},        {"Dimethyl", "C2H4"},
        {"Trimethyl", "C3H6"},    {"Label:13C(6)", "C-6[13C6]"},
        {"iTRAQ4plex", "C4[13C3]H12N[15N]O"}, {"Label:13C(6)15N(2)", "C-6[13C6]N-2[15N2]"},
        {"Label:13C(6)15N(4)", "C-6[13C6]N-4[15N4]"}, {"TMT6plex", "C8[13C4]H20N[15N]O2"},
    };
    for (const auto& [name, formula] : cases) {
        AtomCounts byName;
        AtomCounts written;
        ASSERT_TRUE(Delta(name, byName)) << name << ": " << reason;
        ASSERT_TRUE(Delta("Formula:" + formula, written)) << formula << ": " << reason;
        EXPECT_EQ(byName, written) << name;
    }
}

// Unimod's own monoisotopic mass of each delta, by accession: the last
// column of data/unimod.tsv, which the compiled-in copy leaves out.
std::map<int, double> UnimodMasses()
{
    std::map<int, double> masses;
    std::ifstream file(std::string(MORVANE_SOURCE_DIR) + "/data/unimod.tsv");
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        masses[std::stoi(line)] = std::stod(line.substr(line.rfind('\t') + 1));
    }
    return masses;
}

// Every modification of the table reads, by name and by accession, to the
// same delta, whose mass is Unimod's (within the differences of the two
// sources' atomic masses, a few µu per atom).
TEST_F(Unimod, EveryModificationReadsToUnimodsMass)
{
    const std::vector<UnimodMod>& mods = UnimodMods();
    const std::map<int, double> unimodMass = UnimodMasses();
    ASSERT_EQ(unimodMass.size(), mods.size());
    ASSERT_GT(mods.size(), 1400u);
    int checked = 0;
    for (const UnimodMod& m : mods) {
        AtomCounts byAccession;
        ASSERT_TRUE(Delta("UNIMOD:" + std::to_string(m.accession), byAccession)) << m.name << ": " << reason;
        const UnimodMod* named = FindUnimodName(m.name);
        ASSERT_NE(named, nullptr) << m.name;
        EXPECT_EQ(named->accession, m.accession) << "names are unique: " << m.name;
        AtomCounts byName;
        ASSERT_TRUE(Delta(m.name, byName)) << m.name << ": " << reason;
        EXPECT_EQ(byName, byAccession) << m.name;
        long long atoms = 0;
        for (const auto& [key, n] : byName) atoms += n < 0 ? -n : n;
        const double mass = Mass(byName);
        if (mass == -1) continue;  // an element the isotope table lacks
        EXPECT_NEAR(mass, unimodMass.at(m.accession), 1e-5 * static_cast<double>(atoms) + 2e-6)
            << m.accession << " " << m.name;
        ++checked;
    }
    EXPECT_GT(checked, 1400);
}

TEST_F(Unimod, NamesMatchExactlyThenIgnoringCase)
{
    ASSERT_NE(FindUnimodName("Phospho"), nullptr);
    EXPECT_EQ(FindUnimodName("Phospho")->accession, 21);
    EXPECT_EQ(FindUnimodName("phospho"), FindUnimodName("Phospho"));
    EXPECT_EQ(FindUnimodName("PHOSPHO"), FindUnimodName("Phospho"));
    EXPECT_EQ(FindUnimodName("Phosph"), nullptr);
    EXPECT_EQ(FindUnimodName(""), nullptr);
    ASSERT_NE(FindUnimodAccession("35"), nullptr);
    EXPECT_EQ(FindUnimodAccession("35")->name, "Oxidation");
    EXPECT_EQ(FindUnimodAccession("035"), FindUnimodAccession("35"));
    for (const char* bad : {"", "x", "3a", "-35", "+35", "99999999999", "0"})
        EXPECT_EQ(FindUnimodAccession(bad), nullptr) << bad;
}

// The classic table of the edit distance, to check the bit-parallel one.
std::size_t TableDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j)
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
    return d[a.size()][b.size()];
}

TEST(EditDistance, CountsEdits)
{
    EXPECT_EQ(EditDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(EditDistance("", "abc"), 3u);
    EXPECT_EQ(EditDistance("abc", ""), 3u);
    EXPECT_EQ(EditDistance("Phospho", "phospho"), 1u);
    EXPECT_EQ(EditDistance("--resolution", "--resolutoin"), 2u);
}

// The bit-parallel distance (words up to 64 letters) and the table's
// (longer words) against the classic table, over every Unimod name from
// words of 0 to 70 letters, 64 included.
TEST(EditDistance, AgreesWithTheClassicTable)
{
    std::vector<std::string> words = {"", "a", "Phosho", "Oxidatoin", "carbamidomethyl", "Label:13C(6)15N(4)"};
    std::string grown;
    for (std::size_t n = 1; n <= 70; ++n) {
        grown += "acdehilmnoprstxyz"[n * 7 % 17];
        if (n >= 60) words.push_back(grown);
    }
    for (const std::string& w : words) {
        const WordDistance from(w);
        for (const UnimodMod& m : UnimodMods()) ASSERT_EQ(from.To(m.name), TableDistance(w, m.name)) << w << " " << m.name;
    }
}

TEST_F(Unimod, UnknownNamesAreRefusedWithTheClosest)
{
    EXPECT_EQ(ClosestUnimodNames("phosho", 1), std::vector<std::string>{"Phospho"});
    EXPECT_EQ(ClosestUnimodNames("Carbamidomethyll", 1), std::vector<std::string>{"Carbamidomethyl"});
    EXPECT_EQ(ClosestUnimodNames("Carbamidomethyll", 3),
              (std::vector<std::string>{"Carbamidomethyl", "CarbamidomethylDTT", "Dicarbamidomethyl"}));
    EXPECT_EQ(ClosestUnimodNames("Oxidatoin", 3), (std::vector<std::string>{"Oxidation", "Dioxidation", "Amidated"}));
    EXPECT_EQ(ClosestUnimodNames("Phospho", 2), (std::vector<std::string>{"Phospho", "PhosphoHex"}));
    EXPECT_TRUE(ClosestUnimodNames("Phospho", 0).empty());
    AtomCounts delta;
    EXPECT_FALSE(Delta("Phosho", delta));
    EXPECT_EQ(reason.rfind("fixed modification Phosho@K: unknown modification 'Phosho' at position 1: no Unimod "
                           "name (closest: Phospho, ",
                           0),
              0u)
        << reason;
    EXPECT_EQ(reason.substr(reason.size() - 23), "); or give its Formula:") << reason;
    EXPECT_FALSE(ClosestUnimodNames(std::string(64, 'x'), 3).empty());
    EXPECT_TRUE(ClosestUnimodNames(std::string(65, 'x'), 3).empty());
    const std::string longName(100000, 'x');
    EXPECT_TRUE(ClosestUnimodNames(longName, 3).empty());
    EXPECT_FALSE(Delta(longName, delta));
    const std::string tail = "' at position 1: no Unimod name; or give its Formula:";
    EXPECT_EQ(reason.substr(reason.size() - tail.size()), tail);
    EXPECT_FALSE(Delta("UNIMOD:999999", delta));
    EXPECT_EQ(reason, "fixed modification UNIMOD:999999@K: unknown modification 'UNIMOD:999999' at position 1: no "
                      "Unimod accession 999999");
}

}  // namespace
