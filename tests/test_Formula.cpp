#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "elements/TableReader.h"
#include "formula/FormulaParser.h"
#include "formula/MolComposition.h"

using namespace morvane;

namespace {

// Symbols as a chemist's table has them, plus a labelled carbon.
const char* const TABLE =
    "H 1 1.0078250321 0.999885 2.014101778 0.000115\n"
    "C 6 12.0 0.9893 13.0033548378 0.0107\n"
    "C* 6 13.0033548378 0.99 12.0 0.01\n"
    "Ca 20 39.9625912 1\n"
    "N 7 14.0030740052 0.99632 15.0001088984 0.00368\n"
    "Na 11 22.98976966 1\n"
    "O 8 15.9949146221 0.99757 16.9991315 0.00038 17.9991604 0.00205\n"
    "Cl 17 34.96885271 0.7578 36.9659026 0.2422\n";

using Counts = std::vector<std::pair<std::string, int>>;

class Formula : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::istringstream in(TABLE);
        ASSERT_EQ(ReadIsotopeTable(in, table), 0);
    }

    Counts Parse(const char* text)
    {
        MolComposition c;
        c.charge = 2;
        const int status = ParseFormula(text, table, c);
        EXPECT_EQ(c.charge, 2);  // the parse keeps the charge
        if (status != 0) return {{"status", status}};
        Counts result;
        for (int i = 0; i < c.totalnat; ++i) result.emplace_back(c.atom[i].symbol, c.nat[i]);
        return result;
    }

    std::deque<AtomIsoAbun> table;
};

const Counts FAILED = {{"status", 2}};

TEST_F(Formula, EntriesInByteOrderOfSymbols)
{
    EXPECT_EQ(Parse("H2O"), (Counts{{"H", 2}, {"O", 1}}));
    EXPECT_EQ(Parse("C6H12O6"), (Counts{{"C", 6}, {"H", 12}, {"O", 6}}));
    EXPECT_EQ(Parse("NaCl"), (Counts{{"Cl", 1}, {"Na", 1}}));
    EXPECT_EQ(Parse("CH3CH2OH"), (Counts{{"C", 2}, {"H", 6}, {"O", 1}}));
    EXPECT_EQ(Parse("C*2CCa"), (Counts{{"C", 1}, {"C*", 2}, {"Ca", 1}}));
}

TEST_F(Formula, WhitespaceDigitsAndOddGroups)
{
    EXPECT_EQ(Parse("C 6 H 1 2\t\n"), (Counts{{"C", 6}, {"H", 12}}));
    EXPECT_EQ(Parse("2H2O"), (Counts{{"H", 2}, {"O", 1}}));
    EXPECT_EQ(Parse("99999999999H2O"), (Counts{{"H", 2}, {"O", 1}}));
    EXPECT_EQ(Parse("C0"), (Counts{{"C", 0}}));
    EXPECT_EQ(Parse("C007"), (Counts{{"C", 7}}));
    EXPECT_EQ(Parse("C2l"), (Counts{{"Cl", 2}}));
    EXPECT_EQ(Parse("C1l2"), (Counts{{"Cl", 12}}));
    EXPECT_EQ(Parse("C2147483647"), (Counts{{"C", 2147483647}}));
}

TEST_F(Formula, Rejected)
{
    for (const char* text : {"Ca(OH)2", "C6H5-", "H2O.H2O", "Fe+", "", "   ", "123", "cl2", "Xx", "Abcd", "C6H12O6,",
                             "C2147483648", "C99999999999", "C2147483647C1", "C2147483647H2147483647C"})
        EXPECT_EQ(Parse(text), FAILED) << text;
    EXPECT_EQ(Parse("H\xC3\xA9"), FAILED);
}

TEST_F(Formula, EveryByteOutsideTheGrammarIsRejected)
{
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool legal = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' ||
                           c == ' ' || (c >= '\t' && c <= '\r');
        if (legal) continue;
        const std::string text = std::string("H2") + c + "O";
        EXPECT_EQ(Parse(text.c_str()), FAILED) << b;
    }
}

TEST_F(Formula, ReasonsSayWhatAndWhere)
{
    auto reason = [&](std::string_view text) {
        MolComposition c;
        std::string why;
        EXPECT_EQ(ParseFormula(text, table, c, &why), 2) << text;
        return why;
    };
    EXPECT_EQ(reason(""), "empty formula");
    EXPECT_EQ(reason("  "), "no element symbol in the formula");
    EXPECT_EQ(reason("123"), "no element symbol in the formula");
    EXPECT_EQ(reason("C6 Xx2"), "unknown element symbol 'Xx' at position 4");
    EXPECT_EQ(reason("cl2"), "unknown element symbol 'cl' at position 1");
    EXPECT_EQ(reason("2 cl2"), "unknown element symbol 'cl' at position 3");
    EXPECT_EQ(reason("HAbcd"), "unknown element symbol 'Abcd' at position 2");
    EXPECT_EQ(reason("Ca(OH)2"), "character '(' at position 3 is not allowed in a formula");
    // Whichever fault comes first in the text is named.
    EXPECT_EQ(reason("C6H5-Xx"), "character '-' at position 5 is not allowed in a formula");
    EXPECT_EQ(reason("XxH-"), "unknown element symbol 'Xx' at position 1");
    EXPECT_EQ(reason("H\xC3\xA9"), "byte 0xc3 at position 2 is not allowed in a formula");
    EXPECT_EQ(reason(std::string_view("H2\0O", 4)), "byte 0x00 at position 3 is not allowed in a formula");
    EXPECT_EQ(reason("H2C99999999999"), "count 99999999999 at position 4 is beyond the 32-bit range");
    EXPECT_EQ(reason("C2147483647C1"), "total count of C is beyond the 32-bit range");
}

TEST_F(Formula, EmptyTableNamesNothing)
{
    std::deque<AtomIsoAbun> none;
    MolComposition c;
    EXPECT_EQ(ParseFormula("H2O", none, c), 2);
}

TEST(MolComposition, CopiesAreDeepAndKeepCharge)
{
    MolComposition c(1);
    c.charge = 2;
    c.nat[0] = 6;
    AtomIsoAbun carbon(6, 1);
    carbon.SetSymbol("C");
    carbon.iso[0] = isotope(12.0, 1.0);
    c.atom[0] = carbon;

    MolComposition copied(c), assigned;
    assigned = c;
    c.atom[0].iso[0].mass = 0;
    for (MolComposition* m : {&copied, &assigned}) {
        EXPECT_EQ(m->charge, 2);
        EXPECT_EQ(m->nat[0], 6);
        EXPECT_EQ(m->atom[0].iso[0].mass, 12.0);
    }
    MolComposition& same = copied;
    copied = same;
    EXPECT_EQ(copied.atom[0].iso[0].mass, 12.0);

    c.Settotalnat(0);
    EXPECT_EQ(c.charge, 2);
    std::ostringstream out;
    out << c;
    EXPECT_EQ(out.str(), "0\n2\n");
}

TEST_F(Formula, CompositionStreamFormRoundTrips)
{
    MolComposition c;
    ASSERT_EQ(ParseFormula("C6H12O6", table, c), 0);
    c.charge = -3;
    std::ostringstream out;
    out.precision(17);
    out << c;
    std::istringstream in(out.str());
    MolComposition back;
    ASSERT_TRUE(in >> back);
    ASSERT_EQ(back.totalnat, 3);
    EXPECT_EQ(back.charge, -3);
    EXPECT_EQ(back.nat[1], 12);
    EXPECT_STREQ(back.atom[2].symbol, "O");
    ASSERT_EQ(back.atom[2].niso, 3);
    EXPECT_EQ(back.atom[2].iso[2].mass, 16.9991315);

    std::istringstream bad("-2 0\n");
    bad >> back;
    EXPECT_TRUE(bad.fail());
    EXPECT_EQ(back.totalnat, 0);
}

// Counts the input does not back fail at the first missing entry, having
// allocated only for the entries read (30 million records up front are
// about 1 GB; INT_MAX of them would throw, or abort under the sanitizers).
TEST_F(Formula, CompositionStreamCountsBeyondTheInputFail)
{
    for (const char* text : {"30000000 0", "2147483647 0", "3 0 6 6 C 1 12 1"}) {
        std::istringstream in(text);
        MolComposition c;
        ASSERT_EQ(ParseFormula("H2O", table, c), 0);
        in >> c;
        EXPECT_TRUE(in.fail()) << text;
        EXPECT_EQ(c.totalnat, 0) << text;
    }
}

TEST(MolComposition, NegativeCountsAreRefused)
{
    MolComposition made(-1);
    EXPECT_EQ(made.totalnat, 0);
    EXPECT_EQ(made.atom, nullptr);
    MolComposition c(2);
    c.Settotalnat(-5);
    EXPECT_EQ(c.totalnat, 2);
}

}  // namespace
