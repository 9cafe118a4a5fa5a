// Adducts: the notation, the ion's composition (that of the ion's formula
// written out by hand, as the formula parser gives it) and its pattern,
// bit for bit that of morvane on the written-out formula with -mtz.
#include <gtest/gtest.h>


#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/TableReader.h"
#include "formula/Adduct.h"
#include "formula/FormulaParser.h"
#include "formula/MolComposition.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

class AdductTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ifstream in(ShippedTable());
        ASSERT_EQ(ReadIsotopeTable(in, table), 0);
    }

    MolComposition Molecule(const char* formula)
    {
        MolComposition c;
        EXPECT_EQ(ParseFormula(formula, table, c), 0) << formula;
        return c;
    }

    Adduct Parsed(const std::string& text)
    {
        Adduct a;
        std::string reason;
        EXPECT_EQ(a.Parse(text, table, reason), 0) << text << ": " << reason;
        return a;
    }

    MolComposition Ion(const char* formula, const std::string& adduct)
    {
        MolComposition ion;
        std::string reason;
        EXPECT_EQ(Parsed(adduct).MakeIon(Molecule(formula), ion, reason), 0) << reason;
        return ion;
    }

    // The pattern of the ion through the library call.
    PatternResult IonPattern(const std::string& formula, const std::string& adduct, PatternSettings settings = {})
    {
        const Adduct a = Parsed(adduct);
        settings.adduct = &a;
        return CalculatePattern(table, formula, settings);
    }

    // The reason Parse gives for text it refuses.
    std::string ParseFailure(const std::string& text)
    {
        Adduct a;
        std::string reason;
        EXPECT_EQ(a.Parse(text, table, reason), 2) << text;
        return reason;
    }

    // The reason MakeIon gives for an ion it cannot make.
    std::string IonFailure(const char* formula, const std::string& adduct)
    {
        MolComposition ion;
        std::string reason;
        EXPECT_EQ(Parsed(adduct).MakeIon(Molecule(formula), ion, reason), 2) << adduct << " of " << formula;
        return reason;
    }

    std::deque<AtomIsoAbun> table;
};

// Entry by entry, records included, the two compositions are the same.
void ExpectSameComposition(const MolComposition& a, const MolComposition& b)
{
    ASSERT_EQ(a.totalnat, b.totalnat);
    EXPECT_EQ(a.charge, b.charge);
    for (int i = 0; i < a.totalnat; ++i) {
        EXPECT_STREQ(a.atom[i].symbol, b.atom[i].symbol);
        EXPECT_EQ(a.nat[i], b.nat[i]) << a.atom[i].symbol;
        EXPECT_EQ(a.atom[i].elnum, b.atom[i].elnum);
        ASSERT_EQ(a.atom[i].niso, b.atom[i].niso);
        for (int k = 0; k < a.atom[i].niso; ++k) {
            EXPECT_EQ(a.atom[i].iso[k].mass, b.atom[i].iso[k].mass);
            EXPECT_EQ(a.atom[i].iso[k].abundance, b.atom[i].iso[k].abundance);
        }
    }
}

// What morvane prints with -p 17 (which reads back to the same doubles).
std::vector<isotope> MorvanePeaks(const std::vector<std::string>& args)
{
    std::vector<std::string> all = args;
    all.insert(all.end(), {"-p", "17"});
    const RunResult r = RunMorvane(all);
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<isotope> result;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        char* end = nullptr;
        isotope p;
        p.mass = std::strtod(line.c_str(), &end);
        p.abundance = std::strtod(end, nullptr);
        result.push_back(p);
    }
    return result;
}

struct IonCase {
    const char* molecule;
    const char* adduct;
    const char* written;  // the ion's formula written out by hand
    int charge;
};

// Glucose, angiotensin II (DRVYIHPF, C50H71N13O12) and insulin
// (C254H377N65O75S6) with the common positive and negative adducts.
const IonCase ION_CASES[] = {
    {"C6H12O6", "[M+H]+", "C6H13O6", 1},
    {"C6H12O6", "[M+Na]+", "C6H12O6Na", 1},
    {"C6H12O6", "[M+K]+", "C6H12O6K", 1},
    {"C6H12O6", "[M+NH4]+", "C6H16NO6", 1},
    {"C6H12O6", "[M-H]-", "C6H11O6", -1},
    {"C6H12O6", "[M+Cl]-", "C6H12O6Cl", -1},
    {"C6H12O6", "[M+HCOO]-", "C7H13O8", -1},
    {"C6H12O6", "[M+CH3COO]-", "C8H15O8", -1},
    {"C6H12O6", "[2M+H]+", "C12H25O12", 1},
    {"C6H12O6", "[2M+Na]+", "C12H24O12Na", 1},
    {"C6H12O6", "[M-H2O+H]+", "C6H11O5", 1},
    {"C6H12O6", "[M]+", "C6H12O6", 1},
    {"C50H71N13O12", "[M+2H]2+", "C50H73N13O12", 2},
    {"C50H71N13O12", "[M+3H]3+", "C50H74N13O12", 3},
    {"C50H71N13O12", "[M-2H]2-", "C50H69N13O12", -2},
    {"C254H377N65O75S6", "[M+5H]5+", "C254H382N65O75S6", 5},
};

TEST_F(AdductTest, IonIsTheParsedHandWrittenFormula)
{
    for (const IonCase& c : ION_CASES) {
        SCOPED_TRACE(std::string(c.adduct) + " of " + c.molecule);
        MolComposition written = Molecule(c.written);
        written.charge = c.charge;
        ExpectSameComposition(Ion(c.molecule, c.adduct), written);
    }
}

void ExpectSamePeaks(const std::vector<isotope>& ours, const std::vector<isotope>& theirs)
{
    ASSERT_EQ(ours.size(), theirs.size());
    ASSERT_FALSE(ours.empty());
    for (std::size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(ours[i].mass, theirs[i].mass) << "peak " << i + 1;
        EXPECT_EQ(ours[i].abundance, theirs[i].abundance) << "peak " << i + 1;
    }
}

TEST_F(AdductTest, PatternEqualsMorvaneOnTheHandWrittenFormulaBitForBit)
{
    for (const IonCase& c : ION_CASES) {
        SCOPED_TRACE(std::string(c.adduct) + " of " + c.molecule);
        const PatternResult r = IonPattern(c.molecule, c.adduct);
        EXPECT_EQ(r.status, 0) << r.reason;
        std::vector<isotope> printed = MorvanePeaks({c.written, "-mtz", std::to_string(c.charge)});
        // morvane prints a negative ion's m/z below 0; the ion's m/z is mass
        // over |z|: the same magnitudes, in the same (mass) order.
        if (c.charge < 0)
            for (isotope& p : printed) p.mass = -p.mass;
        ExpectSamePeaks(r.peaks, printed);
    }
}

TEST_F(AdductTest, PatternSettingsApplyAndTheAdductSetsTheCharge)
{
    PatternSettings s;
    s.charge = 7;  // not used: the adduct's charge counts, in m/z
    s.masstocharge = false;
    s.threshold = 1e-5;
    s.merge = 0.05;
    s.filter = 1;
    const PatternResult r = IonPattern("C254H377N65O75S6", "[M+4H]4+", s);
    EXPECT_EQ(r.status, 0) << r.reason;
    ExpectSamePeaks(r.peaks, MorvanePeaks({"C254H381N65O75S6", "-mtz", "4", "-t", "1e-5", "-r", "0.05", "-f", "1"}));
}

TEST_F(AdductTest, PatternOfAnIonTheMoleculeCannotMake)
{
    PatternResult r = IonPattern("CH4", "[M-H2O+H]+");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.reason, "[M-H2O+H]+ of CH4: removes O, which CH4 lacks");
    EXPECT_TRUE(r.peaks.empty());
    r = IonPattern("CXx4", "[M+H]+");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.reason, "unknown element symbol 'Xx' at position 2");
}

TEST_F(AdductTest, ManyIonsInOrderWithTwoThreads)
{
    const std::vector<std::string> formulas = {"C6H12O6", "CH4", "C50H71N13O12", "H2O", "C12H22O11"};
    const Adduct a = Parsed("[M-H2O+Na]+");
    PatternSettings s;
    s.adduct = &a;
    const std::vector<PatternResult> many = CalculatePatterns(table, formulas, s, 2);
    ASSERT_EQ(many.size(), formulas.size());
    for (std::size_t i = 0; i < formulas.size(); ++i) {
        const PatternResult one = CalculatePattern(table, formulas[i], s);
        EXPECT_EQ(many[i].status, one.status) << formulas[i];
        EXPECT_EQ(many[i].reason, one.reason);
        if (one.status == 0) ExpectSamePeaks(many[i].peaks, one.peaks);
    }
    EXPECT_EQ(many[1].status, 2);
    EXPECT_EQ(many[3].status, 0);  // Na+: the water goes, the sodium stays
}

// Monoisotopic m/z of glucose ions as an independent calculator gives them
// from the same isotope masses (C 12, H 1.0078250321, O 15.9949146221,
// Na 22.98976966, electron 0.00054857990943), to 10 significant digits.
TEST_F(AdductTest, GlucoseIonsAtTheirPublishedMonoisotopicMz)
{
    EXPECT_NEAR(IonPattern("C6H12O6", "[M+H]+").peaks.at(0).mass, 181.0706646, 5e-8);
    EXPECT_NEAR(IonPattern("C6H12O6", "[M+Na]+").peaks.at(0).mass, 203.0526092, 5e-8);
}

TEST_F(AdductTest, CompositionChangeAndCharge)
{
    const Adduct a = Parsed("[2M+2H-H2O+Na]3+");
    EXPECT_EQ(a.Text(), "[2M+2H-H2O+Na]3+");
    EXPECT_EQ(a.Multiple(), 2);
    EXPECT_EQ(a.Charge(), 3);
    EXPECT_EQ(a.Added(), (std::map<std::string, int>{{"H", 2}, {"Na", 1}}));
    EXPECT_EQ(a.Removed(), (std::map<std::string, int>{{"H", 2}, {"O", 1}}));

    const Adduct b = Parsed("[M+2CH3COO]2-");
    EXPECT_EQ(b.Multiple(), 1);
    EXPECT_EQ(b.Charge(), -2);
    EXPECT_EQ(b.Added(), (std::map<std::string, int>{{"C", 4}, {"H", 6}, {"O", 4}}));
    EXPECT_TRUE(b.Removed().empty());
}

TEST_F(AdductTest, ElementsRemovedToNoneAreLeftOutAsInTheWrittenFormula)
{
    MolComposition h = Molecule("H");
    h.charge = 1;
    ExpectSameComposition(Ion("H2O", "[M-H2O+H]+"), h);
    // An element the molecule itself lists with 0 atoms stays, as it would.
    MolComposition written = Molecule("C0H3");
    written.charge = 1;
    ExpectSameComposition(Ion("C0H2", "[M+H]+"), written);
    // Removing 0 atoms of an element the molecule lacks names no element.
    MolComposition protonated = Molecule("C6H13O6");
    protonated.charge = 1;
    ExpectSameComposition(Ion("C6H12O6", "[M-Y0+H]+"), protonated);
}

TEST_F(AdductTest, RemovalOfAtomsTheMoleculeLacks)
{
    EXPECT_EQ(IonFailure("CH4", "[M-H2O+H]+"), "[M-H2O+H]+ of CH4: removes O, which CH4 lacks");
    EXPECT_EQ(IonFailure("H2O", "[M-3H]3-"), "[M-3H]3- of H2O: removes 3 H, but there are only 2");
    EXPECT_EQ(IonFailure("H2", "[M-H2]+"), "[M-H2]+ of H2: leaves no atoms");
    // The added atoms count as present; n molecules give n times theirs.
    EXPECT_EQ(Ion("H2O", "[M+H-2H]-").totalnat, 2);
    EXPECT_EQ(Ion("CH4O", "[2M-2H2O]+").totalnat, 2);
}

TEST_F(AdductTest, CountsBeyondTheRangeOfInt)
{
    EXPECT_EQ(IonFailure("C2000000000", "[2M+H]+"), "[2M+H]+ of C2000000000: more than 2147483647 atoms of C");
    EXPECT_EQ(IonFailure("H2147483647", "[M+H]+"), "[M+H]+ of H2147483647: more than 2147483647 atoms of H");
    EXPECT_EQ(ParseFailure("[M+2000000000H+2000000000H]+"), "more than 2147483647 atoms of H added, at position 15");
    EXPECT_EQ(ParseFailure("[M+2H1500000000]+"), "more than 2147483647 atoms of H added, at position 3");
    EXPECT_EQ(ParseFailure("[M+H9999999999]+"),
              "count 9999999999 at position 5 is beyond the 32-bit range in the group +H9999999999");
    EXPECT_EQ(ParseFailure("[M+9999999999H]+"), "a group's count must be between 1 and 2147483647, at position 4");
    EXPECT_EQ(ParseFailure("[9999999999M+H]+"), "a multiple of M must be between 1 and 2147483647, at position 2");
    EXPECT_EQ(ParseFailure("[M+H]9999999999+"), "a charge beyond 1000 in magnitude, at position 6");
}

TEST_F(AdductTest, ChargesUpToAThousandEitherWay)
{
    // A thousand charges is beyond any real ion yet still a clear m/z; a
    // million would put glucose at m/z 0.000180.
    EXPECT_EQ(Parsed("[M+1000H]1000+").Charge(), 1000);
    EXPECT_EQ(Parsed("[M-1000H]1000-").Charge(), -1000);
    EXPECT_EQ(ParseFailure("[M+H]1001+"), "a charge beyond 1000 in magnitude, at position 6");
    EXPECT_EQ(ParseFailure("[M+H]1000000+"), "a charge beyond 1000 in magnitude, at position 6");
    EXPECT_EQ(ParseFailure("[M-H]2147483648-"), "a charge beyond 1000 in magnitude, at position 6");
}

TEST_F(AdductTest, LongAdductsParseGroupByGroup)
{
    // 200,000 groups, 400 KB: each group is parsed on its own, and a fault
    // deep inside is still placed in the whole text.
    std::string text = "[M";
    for (int i = 0; i < 100000; ++i) text += "+H";
    for (int i = 0; i < 100000; ++i) text += "-H";
    const Adduct a = Parsed(text + "]+");
    EXPECT_EQ(a.Added(), (std::map<std::string, int>{{"H", 100000}}));
    EXPECT_EQ(a.Removed(), (std::map<std::string, int>{{"H", 100000}}));
    EXPECT_EQ(ParseFailure(text + "+Xx]+"), "unknown element symbol 'Xx' at position 400004 in the group +Xx");
}

TEST_F(AdductTest, UnknownElements)
{
    EXPECT_EQ(ParseFailure("[M+Xx]+"), "unknown element symbol 'Xx' at position 4 in the group +Xx");
    EXPECT_EQ(ParseFailure("[M+NaXx2]+"), "unknown element symbol 'Xx' at position 6 in the group +NaXx2");
    EXPECT_EQ(ParseFailure("[M-2h]-"), "unknown element symbol 'h' at position 5 in the group -2h");
    EXPECT_EQ(ParseFailure("[M+Abcd]+"), "unknown element symbol 'Abcd' at position 4 in the group +Abcd");
    EXPECT_EQ(ParseFailure("[M+*]+"), "unknown element symbol '*' at position 4 in the group +*");
}

TEST_F(AdductTest, ZeroCountsAndCharges)
{
    EXPECT_EQ(ParseFailure("[M+H]0+"), "a charge of 0 makes no ion, at position 6");
    EXPECT_EQ(ParseFailure("[M+H]00-"), "a charge of 0 makes no ion, at position 6");
    EXPECT_EQ(ParseFailure("[0M+H]+"), "a multiple of M must be between 1 and 2147483647, at position 2");
    EXPECT_EQ(ParseFailure("[M+0H]+"), "a group's count must be between 1 and 2147483647, at position 4");
}

TEST_F(AdductTest, MalformedBracketsAndSyntax)
{
    EXPECT_EQ(ParseFailure(""), "malformed brackets: an adduct begins with [, as in [M+H]+");
    EXPECT_EQ(ParseFailure("M+H]+"), "malformed brackets: an adduct begins with [, as in [M+H]+");
    EXPECT_EQ(ParseFailure("(M+H)+"), "malformed brackets: an adduct begins with [, as in [M+H]+");
    EXPECT_EQ(ParseFailure("[M+H+"), "malformed brackets: no closing ]");
    EXPECT_EQ(ParseFailure("[M+H"), "malformed brackets: no closing ]");
    EXPECT_EQ(ParseFailure("["), "malformed brackets: no closing ]");
    EXPECT_EQ(ParseFailure("[[M+H]+"), "malformed brackets: [ at position 2");
    EXPECT_EQ(ParseFailure("[]+"), "malformed brackets: ] at position 2");
    EXPECT_EQ(ParseFailure("[M+H[Na]]+"), "malformed brackets: [ at position 5");
    EXPECT_EQ(ParseFailure("[M+H]]+"), "expected the charge (+, -, 2+, 3-...) at position 6");
    EXPECT_EQ(ParseFailure("[M+H]+]"), "malformed brackets: ] at position 7 after the charge");
    EXPECT_EQ(ParseFailure("[M+H]"), "expected the charge (+, -, 2+, 3-...) at position 6");
    EXPECT_EQ(ParseFailure("[M+H]2"), "expected the charge (+, -, 2+, 3-...) at position 7");
    EXPECT_EQ(ParseFailure("[M+H]+2"), "unexpected '2' at position 7 after the charge");
    EXPECT_EQ(ParseFailure("[M+H]++"), "unexpected '+' at position 7 after the charge");
    EXPECT_EQ(ParseFailure("[2H+H]+"), "expected M, the molecule, at position 3");
    EXPECT_EQ(ParseFailure("[M+]+"), "the group + has no formula, at position 3");
    EXPECT_EQ(ParseFailure("[M-2]-"), "the group -2 has no formula, at position 3");
    EXPECT_EQ(ParseFailure("[M*H]+"), "unexpected '*' at position 3");
    EXPECT_EQ(ParseFailure("[M + H]+"), "unexpected byte 0x20 at position 3");
    EXPECT_EQ(ParseFailure("[M+H]\xe2\x81\xba"), "expected the charge (+, -, 2+, 3-...) at position 6");
}

TEST_F(AdductTest, FailuresLeaveTheirTargetsUnchangedAndSuccessesReplaceThem)
{
    Adduct a = Parsed("[M+Na]+");
    std::string reason;
    EXPECT_EQ(a.Parse("[M+Xx]-", table, reason), 2);
    EXPECT_EQ(a.Text(), "[M+Na]+");
    EXPECT_EQ(a.Charge(), 1);
    EXPECT_EQ(a.Added(), (std::map<std::string, int>{{"Na", 1}}));

    MolComposition ion = Molecule("C6H12O6");
    const MolComposition before = ion;
    EXPECT_EQ(Parsed("[M-Cl]-").MakeIon(Molecule("CH4"), ion, reason), 2);
    ExpectSameComposition(ion, before);

    // A success replaces what the ion held.
    EXPECT_EQ(Parsed("[M-H]-").MakeIon(Molecule("CH4"), ion, reason), 0);
    MolComposition written = Molecule("CH3");
    written.charge = -1;
    ExpectSameComposition(ion, written);
}

}  // namespace
