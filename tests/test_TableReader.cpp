#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <sstream>
#include <string>

#include "calc/IsoCalc.h"
#include "elements/TableReader.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

const char* const EXAMPLE =
    "Xa 1\n1.0 0.75\n2.0 0.25\n"
    "Xb 2\n3.0 0.3\n4.0 0.5\n5.0 0.2\n"
    "Xc 3 6.0 1.0\n";

int Read(const std::string& text, std::deque<AtomIsoAbun>& table)
{
    std::istringstream in(text);
    return ReadIsotopeTable(in, table);
}

bool Loads(const std::string& text)
{
    std::deque<AtomIsoAbun> table;
    const int status = Read(text, table);
    EXPECT_EQ(table.empty(), status != 0);
    return status == 0;
}

TEST(TableReader, ReadsTheExampleInFileOrderWithSortedEntries)
{
    std::deque<AtomIsoAbun> t;
    ASSERT_EQ(Read(EXAMPLE, t), 0);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_STREQ(t[0].symbol, "Xa");
    EXPECT_EQ(t[0].elnum, 1);
    EXPECT_EQ(t[0].niso, 2);
    EXPECT_STREQ(t[1].symbol, "Xb");
    ASSERT_EQ(t[1].niso, 3);
    EXPECT_EQ(t[1].iso[0].mass, 4.0);
    EXPECT_EQ(t[1].iso[1].mass, 3.0);
    EXPECT_EQ(t[1].iso[2].mass, 5.0);
    EXPECT_EQ(t[2].iso[0].abundance, 1.0);
}

TEST(TableReader, LayoutDoesNotMatter)
{
    std::string oneLine = EXAMPLE, onePerLine = EXAMPLE;
    for (char& c : oneLine)
        if (c == '\n') c = ' ';
    for (char& c : onePerLine)
        if (c == ' ') c = '\n';
    std::deque<AtomIsoAbun> a, b;
    ASSERT_EQ(Read(oneLine, a), 0);
    ASSERT_EQ(Read(onePerLine, b), 0);
    EXPECT_EQ(a[1].iso[2].mass, b[1].iso[2].mass);
}

TEST(TableReader, EndOfFileCountsAsWhitespace)
{
    EXPECT_TRUE(Loads("Xa 1 1.0 0.75 2.0 0.25"));
    EXPECT_TRUE(Loads("Xa 1"));
    EXPECT_TRUE(Loads("Xa 1\n"));
}

TEST(TableReader, AcceptedEdgeValues)
{
    std::deque<AtomIsoAbun> t;
    ASSERT_EQ(Read("Xa 1\nXb 2 0 0 0.0 1\nabc 3 1e1 1E-1\nX* 4 .5 1.\n", t), 0);
    EXPECT_EQ(t[0].niso, 0);  // symbol and number followed by the next symbol
    EXPECT_EQ(t[1].niso, 2);
    EXPECT_EQ(t[2].iso[0].mass, 10.0);
    EXPECT_STREQ(t[3].symbol, "X*");
    EXPECT_TRUE(Loads("Xa 2147483647 1 1\n"));
}

TEST(TableReader, RejectedFiles)
{
    const char* const bad[] = {
        "",                          // no word at all
        "  \n\t",                    // whitespace only
        "Abcd 1 1 1\n",              // symbol of four characters
        "Xa\n",                      // element number missing
        "Xa -1 1 1\n",               // negative element number
        "Xa 7.0 1 1\n",              // element number not an integer word
        "Xa 2147483648 1 1\n",       // element number beyond int
        "Xa 1 1 1\nXb 2\nXa 3\n",    // repeated symbol, last in the file
        "Xa 1 1 1\nXa 3\nXb 2\n",    // repeated symbol in the middle
        "Xa 1 -1 0.5\n",             // negative mass
        "Xa 1 1 1.5\n",              // abundance above 1
        "Xa 1 1 98.9\n",             // a percentage
        "Xa 1 1 -0.1\n",             // negative abundance
        "Xa 1 1 0.5 2\n",            // odd number of values
        "1.0 0.5 Xa 1 1 1\n",        // values before the first symbol
        "Xa 1 - 1\n",                // lone sign
        "Xa 1 1.0abc 1\n",
        "Xa 1 +inf 1\n",
        "Xa 1 1 +nan\n",
        "Xa 1 0x1p3 1\n",
        "Xa 1 1e400 1\n",
        "Xa 1 1e 1\n",
        "Xa 1 . 1\n",
    };
    for (const char* text : bad) EXPECT_FALSE(Loads(text)) << text;
    EXPECT_FALSE(Loads(std::string("X\0 1 1 1\n", 9)));
    EXPECT_FALSE(Loads("Xa 1 1 " + std::string(5000, '0') + "\n"));
    EXPECT_FALSE(Loads(std::string(100000, '\0')));
    EXPECT_FALSE(Loads(std::string("Xa 1 1 1\0\n", 10)));
}

TEST(TableReader, RefusalsNameTheLineAndTheWord)
{
    auto reason = [](const std::string& text) {
        std::istringstream in(text);
        std::deque<AtomIsoAbun> t;
        TableError e;
        EXPECT_EQ(ReadIsotopeTable(in, t, &e), 1) << text;
        return DescribeTableError(e);
    };
    EXPECT_EQ(reason(""), "line 1: no element in the file");
    EXPECT_EQ(reason("\n\n"), "line 3: no element in the file");
    EXPECT_EQ(reason("Xa 1 1 1\nAbcd 2\n"), "line 2, word 'Abcd': element symbol longer than 3 characters");
    EXPECT_EQ(reason("Xa"), "line 1: element number of Xa missing at the end of the file");
    EXPECT_EQ(reason("Xa\n7.0 1 1\n"), "line 2, word '7.0': not an element number (a whole number from 0 to 2147483647)");
    EXPECT_EQ(reason("Xa 1 1 1\nXb 2\n\nXa 3\n"), "line 4, word 'Xa': element symbol given twice");
    EXPECT_EQ(reason("Xa 1\n-1 0.5\n"), "line 2, word '-1': negative mass");
    EXPECT_EQ(reason("Xa 1\n1 0.5\n2 98.9\n"),
              "line 3, word '98.9': abundance outside 0 to 1 (abundances are fractions, not percentages)");
    EXPECT_EQ(reason("Xa 1\n1 0.5\n2\nXb 2\n"), "line 3, word '2': mass of Xa without its abundance");
    EXPECT_EQ(reason("Xa 1 1 0.5 2"), "line 1, word '2': mass of Xa without its abundance");
    EXPECT_EQ(reason("Xa 1 1 1\nX 1\n1 0.5\n2 0.3\n3 0.3\nXb 2 1 1\n"),
              "line 2, word 'X': abundances of X sum to 1.1, more than 1 + 0.001");
    EXPECT_EQ(reason("1.0 0.5 Xa 1 1 1\n"), "line 1, word '1.0': a value before the first element symbol");
    EXPECT_EQ(reason("Xa 1\n1,0 1\n"), "line 2, word '1,0': not a number");
    EXPECT_EQ(reason(std::string("X\0 1 1 1\n", 9)), "line 1, word 'X\\x00': NUL byte in an element symbol");
    EXPECT_EQ(reason("Xa 1 1 " + std::string(5000, '0') + "\n"),
              "line 1, word '" + std::string(40, '0') + "...': word longer than 4096 characters");
}

// Abundances are fractions of one element's atoms: added in file order they
// may exceed 1 by at most 1e-3 (hand-made tables round their values).
TEST(TableReader, AbundancesSumToAtMostOnePlusATolerance)
{
    EXPECT_FALSE(Loads("X 1 1 0.9 2 0.9\n"));
    EXPECT_FALSE(Loads("X 1 1 0.6 2 0.4011\n"));
    EXPECT_FALSE(Loads("Xa 1 1 1\nX 1 1 0.5 2 0.3 3 0.3\nXb 2 1 1\n"));
    EXPECT_TRUE(Loads("X 1 1 0.6 2 0.4009\n"));
    EXPECT_TRUE(Loads("X 1 1 0.3334 2 0.3334 3 0.3334\n"));
    EXPECT_TRUE(Loads("X 1 1 0.5 2 0.25\n"));  // less than 1: stored as written
}

TEST(TableReader, ManyElementsLoadWithoutQuadraticDuplicateSearch)
{
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const std::string chars = letters + "0123456789";
    std::string text;
    for (std::size_t i = 0; i < 100000; ++i)
        text += std::string{letters[i % 52], chars[(i / 52) % 62], chars[i / 52 / 62]} + " 1 1 1\n";
    EXPECT_TRUE(Loads(text));
}

TEST(ReadAtomTable, FailureEmptiesTheTableAndSecondReadReplacesTheFirst)
{
    TempFile good(EXAMPLE), bad("Xa 1 1 2\n");
    char xa[] = "Xa", xc[] = "Xc";
    IsoCalc calc;
    EXPECT_EQ(calc.ReadAtomTable("/nonexistent/table.txt"), 1);
    EXPECT_EQ(calc.ReadAtomTable(good.path().c_str()), 0);
    EXPECT_EQ(calc.ReadAtomTable(good.path().c_str()), 0);  // no duplicate failure
    EXPECT_EQ(calc.SetComposition(xa), 0);
    EXPECT_EQ(calc.ReadAtomTable(bad.path().c_str()), 1);
    EXPECT_EQ(calc.SetComposition(xc), 3);
    EXPECT_EQ(calc.Calculate(), 3);
}

// The shipped table against published values (NIST Atomic Weights and
// Isotopic Compositions: masses of Audi and Wapstra's 1995 update,
// compositions of Rosman and Taylor 1997).
// The shipped table against published values (NIST Atomic Weights and
// Isotopic Compositions: masses of Audi and Wapstra's 1995 update,
// compositions of Rosman and Taylor 1997).
// Only regular files are tables: a named pipe would block the run waiting
// for a writer that never comes, a directory is no table.
TEST(ReadAtomTable, RefusesWhatIsNotARegularFile)
{
    TempFile dir("X 1 1 1\n");
    const std::string fifo = dir.dir() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    IsoCalc calc;
    EXPECT_EQ(calc.ReadAtomTable(fifo.c_str()), 1);
    EXPECT_EQ(calc.ReadAtomTable(dir.dir().c_str()), 1);
    EXPECT_EQ(calc.ReadAtomTable("/dev/null"), 1);
    unlink(fifo.c_str());
    EXPECT_EQ(calc.ReadAtomTable(dir.path().c_str()), 0);
}

TEST(ShippedTable, HoldsThePublishedValues)
{
    std::ifstream in(ShippedTable());
    std::deque<AtomIsoAbun> t;
    ASSERT_EQ(ReadIsotopeTable(in, t), 0);
    EXPECT_GE(t.size(), 80u);
    auto find = [&](const char* s) -> const AtomIsoAbun& {
        for (const AtomIsoAbun& r : t)
            if (std::string(r.symbol) == s) return r;
        throw std::runtime_error(s);
    };
    EXPECT_EQ(find("H").iso[0].mass, 1.0078250321);
    EXPECT_EQ(find("C").iso[0].mass, 12.0);
    EXPECT_EQ(find("N").iso[0].mass, 14.0030740052);
    EXPECT_EQ(find("O").iso[0].mass, 15.9949146221);
    EXPECT_EQ(find("S").iso[0].mass, 31.97207069);
    EXPECT_EQ(find("C").iso[0].abundance, 0.9893);
    EXPECT_EQ(find("C").iso[1].abundance, 0.0107);
    EXPECT_EQ(find("Cl").iso[0].abundance, 0.7578);
    EXPECT_EQ(find("Cl").iso[1].abundance, 0.2422);
    EXPECT_EQ(find("Cl").elnum, 17);
    // The published compositions are rounded in their last digit; the
    // largest deviation of a sum from 1 in the source is 1e-6 (Si, whose
    // three figures sum to 100.0001 %), and the sums themselves round by
    // less than 1e-15.
    for (const AtomIsoAbun& r : t) {
        double sum = 0;
        for (int i = 0; i < r.niso; ++i) sum += r.iso[i].abundance;
        EXPECT_NEAR(sum, 1.0, 2e-6) << r.symbol;
        EXPECT_GT(r.niso, 0) << r.symbol;
    }
}

}  // namespace
