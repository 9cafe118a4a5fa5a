// morvane-batch with adducts, as a user meets it: whole output, standard
// error and exit status. The rows of each ion must equal what morvane prints
// for the ion's formula written out by hand, with -mtz and the ion's charge.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

RunResult RunBatch(const std::vector<std::string>& args) { return RunFrontEndAsMorvane(MORVANE_BATCH_EXE, args); }

// The rows of one ion: the labels and the charge, then morvane's lines for
// the written-out ion at precision 17, numbered, m/z without morvane's sign
// for a negative ion (m/z is mass over |z|).
std::string Rows(const std::string& labels, const std::string& written, int charge)
{
    const RunResult r = RunMorvane({written, "-mtz", std::to_string(charge), "-p", "17"});
    EXPECT_EQ(r.status, 0) << written;
    std::string rows;
    std::size_t start = 0;
    for (int peak = 1; start < r.out.size(); ++peak) {
        const std::size_t end = r.out.find('\n', start);
        const std::size_t from = charge < 0 ? start + 1 : start;
        rows += labels + "\t" + std::to_string(charge) + "\t" + std::to_string(peak) + "\t" +
                r.out.substr(from, end + 1 - from);
        start = end + 1;
    }
    return rows;
}

const char* const MZ_HEADER = "id\tformula\tadduct\tcharge\tpeak\tmz\tabundance\n";

TEST(BatchAdducts, RowsPerFormulaPerAdductInTheOrderGiven)
{
    TempFile input("glc\tC6H12O6\nC50H71N13O12\n", "formulas.txt");
    std::string expected = MZ_HEADER;
    expected += Rows("glc\tC6H12O6\t[M+Na]+", "C6H12NaO6", 1);
    expected += Rows("glc\tC6H12O6\t[M+2H]2+", "C6H14O6", 2);
    expected += Rows("glc\tC6H12O6\t[M-H]-", "C6H11O6", -1);
    expected += Rows("\tC50H71N13O12\t[M+Na]+", "C50H71N13NaO12", 1);
    expected += Rows("\tC50H71N13O12\t[M+2H]2+", "C50H73N13O12", 2);
    expected += Rows("\tC50H71N13O12\t[M-H]-", "C50H70N13O12", -1);
    for (const char* threads : {"1", "2"}) {
        const RunResult r = RunBatch(
            {"-i", input.path(), "-a", "[M+Na]+", "-a", "[M+2H]2+", "-a", "[M-H]-", "-p", "17", "-j", threads});
        EXPECT_EQ(r.out, expected) << "-j " << threads;
        EXPECT_EQ(r.err, "2 formulas succeeded, 0 failed\n");
        EXPECT_EQ(r.status, 0);
    }
}

TEST(BatchAdducts, ALinesOwnAdductInsteadOfTheGivenOnes)
{
    TempFile input("a\tC6H12O6\t[2M+H]+\nb\tC6H12O6\nc\tC6H12O6\t [M-H2O+H]+ \r\n", "formulas.txt");
    RunResult r = RunBatch({"-i", input.path(), "-a", "[M+K]+", "-p", "17"});
    EXPECT_EQ(r.out, MZ_HEADER + Rows("a\tC6H12O6\t[2M+H]+", "C12H25O12", 1) +
                         Rows("b\tC6H12O6\t[M+K]+", "C6H12KO6", 1) + Rows("c\tC6H12O6\t[M-H2O+H]+", "C6H11O5", 1));
    EXPECT_EQ(r.status, 0);

    // Without -a, a line without an adduct is the molecule, with -z and -mtz
    // as given (here none: a table of masses, where ion rows are m/z; the
    // ions' rows are those of morvane C12H25O12 -mtz 1 and C6H11O5 -mtz 1).
    r = RunBatch({"-i", input.path(), "-c"});
    EXPECT_EQ(r.out,
              "id,formula,adduct,charge,peak,mass,abundance\n"
              "a,C6H12O6,[2M+H]+,1,1,361.13405,0.85115372\n"
              "a,C6H12O6,[2M+H]+,1,2,362.1375,0.11680823\n"
              "a,C6H12O6,[2M+H]+,1,3,363.13889,0.02756087\n"
              "a,C6H12O6,[2M+H]+,1,4,364.14165,0.0027241859\n"
              "b,C6H12O6,,0,1,180.06339,0.92263298\n"
              "b,C6H12O6,,0,2,181.06683,0.063255793\n"
              "b,C6H12O6,,0,3,182.06794,0.012994973\n"
              "c,C6H12O6,[M-H2O+H]+,1,1,163.0601,0.92498681\n"
              "c,C6H12O6,[M-H2O+H]+,1,2,164.06353,0.062958435\n"
              "c,C6H12O6,[M-H2O+H]+,1,3,165.06471,0.011127284\n");
    EXPECT_EQ(r.status, 0);
}

TEST(BatchAdducts, FailingIonsSayWhichLineAndWhyAndTheOthersStay)
{
    TempFile input("me\tCH4\nbad\tCXx\nw\tH2O\t[M+H]0+\nw\tH2O\n", "formulas.txt");
    const RunResult r = RunBatch({"-i", input.path(), "-a", "[M+H]+", "-a", "[M-H2O+H]+", "-p", "17"});
    EXPECT_EQ(r.out, MZ_HEADER + Rows("me\tCH4\t[M+H]+", "CH5", 1) + Rows("w\tH2O\t[M+H]+", "H3O", 1) +
                         Rows("w\tH2O\t[M-H2O+H]+", "H", 1));
    EXPECT_EQ(r.err,
              "line 1: CH4: [M-H2O+H]+ of CH4: removes O, which CH4 lacks\n"
              "line 2: CXx: unknown element symbol 'Xx' at position 2\n"
              "line 3: H2O: adduct [M+H]0+: a charge of 0 makes no ion, at position 6\n"
              "1 formulas succeeded, 3 failed\n");
    EXPECT_EQ(r.status, 2);
}

TEST(BatchAdducts, OptionErrors)
{
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"-a"}, "Error: adduct not specified\n"},
        {{"-a", "[M+Xx]+"}, "Error: adduct [M+Xx]+: unknown element symbol 'Xx' at position 4 in the group +Xx\n"},
        {{"-a", "[M+H]+", "-a", "M+H"},
         "Error: adduct M+H: malformed brackets: an adduct begins with [, as in [M+H]+\n"},
        {{"-a", "[M+H]+", "-mtz", "1"}, "Error: an adduct sets the charge; leave out -z and -mtz\n"},
        {{"-z", "2", "-a", "[M+H]+"}, "Error: an adduct sets the charge; leave out -z and -mtz\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunBatch(c.args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.status, 5);
    }
}

}  // namespace
