// The front-ends' formula language: each feature gives, bit for bit, the
// pattern of the same molecule written out in morvane's grammar; labels
// give the pattern of a hand-made labelled table; errors say what and where.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/TableReader.h"
#include "formula/AtomCounts.h"
#include "formula/FormulaLanguage.h"
#include "support/RunMorvane.h"
#include "support/SamePeaks.h"

using namespace morvane;

namespace {

std::deque<AtomIsoAbun> TableWith(const std::string& extra)
{
    std::istringstream in(ReadFile(ShippedTable()) + extra);
    std::deque<AtomIsoAbun> table;
    EXPECT_EQ(ReadIsotopeTable(in, table), 0);
    return table;
}

class FormulaLanguage : public ::testing::Test {
protected:
    std::deque<AtomIsoAbun> table = TableWith("");

    PatternResult Pattern(const std::string& formula, const Enrichment* enrichment = nullptr)
    {
        PatternSettings s;
        s.enrichment = enrichment;
        return CalculatePattern(table, formula, s);
    }

    std::string Reason(const std::string& formula)
    {
        const PatternResult r = Pattern(formula);
        EXPECT_EQ(r.status, 2) << formula;
        return r.reason;
    }

    std::string Canonical(const std::string& formula)
    {
        AtomCounts counts;
        std::string reason;
        EXPECT_EQ(FormulaCounts(formula, table, counts, reason), 0) << formula << ": " << reason;
        return CanonicalFormula(counts);
    }
};

TEST_F(FormulaLanguage, EachFeatureGivesThePatternOfTheFormulaWrittenOut)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Ca(OH)2", "CaO2H2"},                  // calcium hydroxide
        {"(CH3)3COH", "C4H10O"},                // tert-butanol
        {"Fe2(SO4)3", "Fe2S3O12"},              // iron(III) sulfate
        {"Mg3(PO4)2", "Mg3P2O8"},               // magnesium phosphate
        {"K4(Fe(CN)6)", "K4FeC6N6"},            // nested: potassium ferrocyanide
        {"((CH3)2CH)2O", "C6H14O"},             // diisopropyl ether, nested with counts
        {"CuSO4.5H2O", "CuSO9H10"},             // copper sulfate pentahydrate
        {"CuSO4\xc2\xb7" "5H2O", "CuSO9H10"},   // the same with a middle dot
        {"Na2CO3.10H2O", "Na2CO13H20"},         // washing soda, a two-digit count
        {"CaCl2.2H2O.H2O", "CaCl2H6O3"},        // several dots
        {"( C H3 ) 3 C O H", "C4H10O"},         // blanks anywhere, as morvane allows
        {"C2H5OH", "C2H6O"},                    // plain formulas keep morvane's reading
        {"2H2O", "H2O"},                        // including its leading number
        {"D2O", "[2H]2O"},                      // heavy water
        {"CD3OD", "C[2H]4O"},
    };
    for (const auto& [extended, written] : cases) ExpectSamePeaks(Pattern(extended), Pattern(written), extended);
}

TEST_F(FormulaLanguage, LabelsSortBesideTheirElementSoThatCanonicalFormsRoundTrip)
{
    EXPECT_EQ(Canonical("Ca(OH)2"), "CaH2O2");
    EXPECT_EQ(Canonical("CuSO4.5H2O"), "CuH10O9S");
    EXPECT_EQ(Canonical("C5[13C]H12O6"), "C5[13C]H12O6");
    EXPECT_EQ(Canonical("[13C]6H12O6"), "[13C]6H12O6");
    EXPECT_EQ(Canonical("H2O[18O]"), "H2O[18O]");  // 16O water with one 18O
    EXPECT_EQ(Canonical("D2O"), "[2H]2O");
    EXPECT_EQ(Canonical("T2O"), "[3H]2O");
    EXPECT_EQ(Canonical("C0"), "C0");  // morvane keeps an element of 0 atoms
    for (const char* f : {"C5[13C]H12O6", "CuSO4.5H2O", "[2H]2[18O]"})
        ExpectSamePeaks(Pattern(f), Pattern(Canonical(f)), f);
}

// Glucose-13C6, every carbon 13C with the table's mass, against the entry a
// user would add to a copy of the table (as docs/isotope-tables.md shows for C*).
TEST_F(FormulaLanguage, Glucose13C6IsThePatternOfAHandMadeLabelledTable)
{
    const std::deque<AtomIsoAbun> handMade = TableWith("C* 6\n13.0033548378 1\n");
    ExpectSamePeaks(Pattern("[13C]6H12O6"), CalculatePattern(handMade, "C*6H12O6", {}), "glucose-13C6");
    ExpectSamePeaks(Pattern("C5[13C]H12O6"), CalculatePattern(handMade, "C5C*H12O6", {}), "glucose-1-13C");
    // The labelled pattern starts 6 x (13.0033548378 - 12) above glucose's
    // 180.0633881 (C6H12O6 monoisotopic mass).
    const PatternResult r = Pattern("[13C]6H12O6");
    ASSERT_EQ(r.status, 0);
    EXPECT_NEAR(r.peaks[0].mass, 186.0835172, 1e-6);
}

// Two labels of one element with the same count are two elements of their
// own: 1,2-13C2-ethylene-d0 written as [12C]2[13C]2H4 is 2 x 12 + 2 x
// 13.0033548378 + 4 x 1.0078250321 = 54.0380098 u, not four 13C atoms.
TEST_F(FormulaLanguage, TwoLabelsOfOneElementStayApart)
{
    const std::deque<AtomIsoAbun> handMade = TableWith("C* 6\n12.0 1\nC** 6\n13.0033548378 1\n");
    ExpectSamePeaks(Pattern("[12C]2[13C]2H4"), CalculatePattern(handMade, "C*2C**2H4", {}), "12C2 13C2 H4");
    const PatternResult r = Pattern("[12C]2[13C]2H4");
    ASSERT_EQ(r.status, 0);
    EXPECT_NEAR(r.peaks[0].mass, 54.0380098, 1e-6);
}

// Tritium is in no natural table: its mass is the atomic mass evaluation's.
TEST_F(FormulaLanguage, TritiumComesFromTheBuiltInMass)
{
    const std::deque<AtomIsoAbun> handMade = TableWith("H* 1\n3.01604928132 1\n");
    ExpectSamePeaks(Pattern("T2O"), CalculatePattern(handMade, "H*2O", {}), "tritiated water");
    ExpectSamePeaks(Pattern("[14C]O2"), CalculatePattern(TableWith("C* 6\n14.00324198843 1\n"), "C*O2", {}), "14CO2");
}

// 99 % 13C: each labelled carbon is 13C with probability 0.99, 12C with
// 0.01. A hand-built table writes 0.01; the library computes 1 - 0.99, which
// differs from 0.01 in the 17th digit, so the peaks agree to 1e-12.
TEST_F(FormulaLanguage, EnrichmentSharesTheRestInNaturalProportions)
{
    const Enrichment carbon = {{"C[13]", 0.99}};
    const std::deque<AtomIsoAbun> handMade = TableWith("C* 6\n13.0033548378 0.99\n12.0 0.01\n");
    const PatternResult mine = Pattern("[13C]6H12O6", &carbon);
    const PatternResult theirs = CalculatePattern(handMade, "C*6H12O6", {});
    ASSERT_EQ(mine.status, 0) << mine.reason;
    ASSERT_EQ(mine.peaks.size(), theirs.peaks.size());
    for (std::size_t i = 0; i < mine.peaks.size(); ++i) {
        EXPECT_NEAR(mine.peaks[i].mass, theirs.peaks[i].mass, 1e-9);
        EXPECT_NEAR(mine.peaks[i].abundance, theirs.peaks[i].abundance, 1e-12);
    }

    // 95 % 18O: 16O and 17O share 0.05 as 0.99757 : 0.00038 (the table's
    // abundances), that is 0.05 x 0.99757 / 0.99795 and 0.05 x 0.00038 / 0.99795
    // (1 - 0.95 is 0.05 + 4e-17 in doubles: agreement to 1e-15 relative).
    const Enrichment oxygen = {{"O[18]", 0.95}};
    AtomCounts counts = {{"O[18]", 1}};
    MolComposition comp;
    std::string reason;
    ASSERT_EQ(MakeComposition(counts, table, &oxygen, comp, reason), 0) << reason;
    ASSERT_EQ(comp.atom[0].niso, 3);
    EXPECT_STREQ(comp.atom[0].symbol, "O[18]");
    EXPECT_EQ(comp.atom[0].iso[0].mass, 17.9991604);
    EXPECT_EQ(comp.atom[0].iso[0].abundance, 0.95);
    EXPECT_EQ(comp.atom[0].iso[1].mass, 15.9949146221);
    EXPECT_NEAR(comp.atom[0].iso[1].abundance, 0.049980960969988476, 1e-16);
    EXPECT_EQ(comp.atom[0].iso[2].mass, 16.9991315);
    EXPECT_NEAR(comp.atom[0].iso[2].abundance, 1.9039030011523623e-05, 1e-19);

    // Full enrichment is the pure label.
    const Enrichment full = {{"C[13]", 1.0}};
    ExpectSamePeaks(Pattern("[13C]6H12O6", &full), Pattern("[13C]6H12O6"), "enrichment 1");
}

TEST_F(FormulaLanguage, EnrichmentSpecificationsAreChecked)
{
    Enrichment e;
    std::string reason;
    EXPECT_TRUE(ParseEnrichment("13C=0.99", e, reason));
    EXPECT_TRUE(ParseEnrichment("[15N]=0.98", e, reason));
    EXPECT_EQ(e, (Enrichment{{"C[13]", 0.99}, {"N[15]", 0.98}}));
    EXPECT_TRUE(CheckEnrichment(e, table, reason)) << reason;
    EXPECT_FALSE(ParseEnrichment("13C=1.5", e, reason));
    EXPECT_EQ(reason, "enrichment 13C=1.5: the fraction must be a number above 0 and at most 1");
    EXPECT_FALSE(ParseEnrichment("C13=0.9", e, reason));
    EXPECT_EQ(reason, "enrichment C13=0.9: write the isotope and its fraction, as 13C=0.99");
    EXPECT_FALSE(CheckEnrichment({{"C[15]", 0.9}}, table, reason));
    EXPECT_EQ(reason, "enrichment of [15C]: the table has no such isotope");
}

TEST_F(FormulaLanguage, ErrorsSayWhatAndWhere)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Ca(OH", "unmatched ( at position 3"},
        {"CaOH)2", "unmatched ) at position 5"},
        {"Ca()2", "empty parentheses at position 3"},
        {"Ca(Xx)2", "unknown element symbol 'Xx' at position 4"},
        {"CuSO4.", "nothing after the dot at position 6"},
        {".H2O", "nothing before the dot at position 1"},
        {"CuSO4..H2O", "nothing before the dot at position 7"},
        {"5H2O.CuSO4",
         "a count must follow an element, a label or a group (a leading count belongs after a dot, as in "
         "CuSO4.5H2O), at position 1"},
        {"[13C6H12O6", "malformed isotope label at position 1: write a mass number and a symbol, as [13C]"},
        {"[C]6H12O6", "malformed isotope label at position 1: write a mass number and a symbol, as [13C]"},
        {"H2O[15C]", "the table has no isotope 15C for the label at position 4"},
        {"[13Xx]", "unknown element symbol 'Xx' in the label at position 1"},
        {"C6]", "unmatched ] at position 3"},
        {"Ca(OH)2+", "character '+' at position 8 is not allowed in a formula"},
        {"H2O.\xc3\xa9", "byte 0xc3 at position 5 is not allowed in a formula"},
        {"(H2)99999999999O", "count at position 5 is beyond the 32-bit range"},
        {"((H1000000)1000)1000O", "more than 2147483647 atoms of H in the group at position 1"},
        {"(", "unmatched ( at position 1"},
        {"C6H5Xx", "unknown element symbol 'Xx' at position 5"},  // plain: morvane's parser speaks
        {"Tx2O", "unknown element symbol 'Tx' at position 1"},
    };
    for (const auto& [formula, reason] : cases) EXPECT_EQ(Reason(formula), reason) << formula;
}

// Decimal counts are refused, never read as a hydrate's dot; a dot between
// whole counts still joins parts.
TEST_F(FormulaLanguage, DecimalCountsAreRefused)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Fe0.95O", "count 0.95 at position 3 is not a whole number"},
        {"Na0.33WO3", "count 0.33 at position 3 is not a whole number"},
        {"C1.5H3", "count 1.5 at position 2 is not a whole number"},
        {"(Fe)0.9O", "count 0.9 at position 5 is not a whole number"},
        {"C1\xc2\xb7" "5H3", "count 1.5 at position 2 is not a whole number"},
        {"CaSO4.0.5H2O", "count 0.5 at position 7 is not a whole number"},
        {"CaSO4.1.5H2O", "count 1.5 at position 7 is not a whole number"},
        {"C2.5", "count 2.5 at position 2 is not a whole number"},
        {"Fe0.H2O", "count 0 at position 3 before a dot"},
        {"H2O.5", "nothing after the count at position 5"},
        {"CuSO.5", "nothing after the count at position 6"},
    };
    for (const auto& [formula, reason] : cases) EXPECT_EQ(Reason(formula), reason) << formula;
    EXPECT_EQ(Canonical("CuSO4.5H2O"), "CuH10O9S");
    EXPECT_EQ(Canonical("CuSO4 . 5 H2O"), "CuH10O9S");
    EXPECT_EQ(Canonical("C2.5H3"), "C2H15");
}

// Any depth of parentheses is read without recursion and without trouble.
TEST_F(FormulaLanguage, DeepNestingIsSafe)
{
    const std::string deep = std::string(100000, '(') + "H" + std::string(100000, ')');
    ExpectSamePeaks(Pattern(deep + "2O"), Pattern("H2O"), "deep");
}

}  // namespace
