// The executable as a user meets it: whole standard output, exit status and
// an empty standard error for every run.
#include <gtest/gtest.h>

#include "support/RunMorvane.h"

namespace {

const char* const USAGE =
    "A program for calculating isotope distributions\n"
    "2026 The morvane developers, version " MORVANE_VERSION "\n"
    "Source and documentation: the README of the morvane repository\n\n"
    "Win64 version\n\n"
    "Based on J.A.Yergey, Int. J. Mass Spectrom. Ion Phys. 1983, 52, 337-349\n\n"
    "Usage: morvane formula (massfile.txt)\n"
    "Formula is the molecular formula written using standard element symbols\n"
    "massfile.txt contains a table of elements and isotope distributions\n"
    "If no file is specified, it defaults to morvanetable.txt\n\n"
    "Followed by options:\n"
    "\t-z charge\tSpecifies the charge, defaults to 0\n"
    "\t-n\tNormalizes most intense peak to 100%\n"
    "\t-f filt\tNormalizes and discards peaks of intensity < filt\n"
    "\t-t thr\tSpecificies a probability threshold, defaults to 0.001\n"
    "\t-p prec\tSpecifies the output precision, default is 8\n"
    "\t-r res\tPeaks separated by <res will be merged. Defaults to 0.1\n"
    "\t-c\tOutputs a comma separated table, default is tab\n"
    "\t-mtz charge\tOutputs mass-to-charge ratio. By default outputs mass\n";

// Benzene with the shipped table at the default settings.
const char* const BENZENE =
    "78.04695\t0.93684636\n"
    "79.050305\t0.060796054\n"
    "80.05366\t0.001643884\n";

void ExpectRun(const std::vector<std::string>& args, const std::string& out, int status,
               const std::string& cwd = MORVANE_SOURCE_DIR)
{
    const RunResult r = RunMorvane(args, cwd);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.err, "");
}

void ExpectOptionError(const std::vector<std::string>& args, const std::string& message)
{
    ExpectRun(args, message, 5);
}

TEST(CommandLine, NoArgumentsPrintsUsageWithoutOpeningTheTable)
{
    TempFile elsewhere("");  // a directory without morvanetable.txt
    ExpectRun({}, USAGE, 0, elsewhere.dir());
}

TEST(CommandLine, FormulaAloneUsesDefaultTableAndSettings) { ExpectRun({"C6H6"}, BENZENE, 0); }

TEST(CommandLine, SecondArgumentNamesTheTableUnlessItIsAnOptionWord)
{
    ExpectRun({"C6H6", ShippedTable()}, BENZENE, 0);
    // "-z" stands second: the default table is used, mytable.txt is ignored.
    ExpectRun({"C6H6", "-z", "1", "mytable.txt"},
              "78.046402\t0.93684636\n79.049756\t0.060796054\n80.053111\t0.001643884\n", 0);
    ExpectRun({"C6H6", "5"}, "Error: cannot read isotope table\n", 1);
    ExpectRun({"C6H6", "--help"}, "Error: cannot read isotope table\n", 1);
    ExpectRun({"C6H6", ShippedTable(), "-x", "--help", "extra"}, BENZENE, 0);
}

// Run from this build folder, morvane reads the source tree's table when the
// current folder has none; a named table is read as named.
TEST(CommandLine, DefaultTableFromAnotherFolder)
{
    TempFile elsewhere("");
    ExpectRun({"C6H6"}, BENZENE, 0, elsewhere.dir());
    ExpectRun({"C6H6", "morvanetable.txt"}, "Error: cannot read isotope table\n", 1, elsewhere.dir());
}

TEST(CommandLine, FormulaErrors)
{
    ExpectRun({"Xx"}, "Error: cannot parse formula\n", 2);
    ExpectRun({"-n"}, "Error: cannot parse formula\n", 2);
    ExpectRun({"Ca(OH)2"}, "Error: cannot parse formula\n", 2);
    ExpectRun({""}, "Error: cannot parse formula\n", 2);
}

TEST(CommandLine, FilterRange)
{
    ExpectOptionError({"C6H6", "-f", "100"}, "Error: filter must be between 0 and 100\n");
    ExpectOptionError({"C6H6", "-f", "-0.5"}, "Error: filter must be between 0 and 100\n");
    ExpectOptionError({"C6H6", "-f", "5%"}, "Error: filter must be between 0 and 100\n");
    ExpectOptionError({"C6H6", "-f", "nan"}, "Error: filter must be between 0 and 100\n");
    ExpectOptionError({"C6H6", "-f"}, "Error: filter value not given\n");
    ExpectRun({"C6H6", "-f", "99.9"}, "78.04695\t100\n", 0);
    ExpectRun({"C6H6", "-f", "5"}, "78.04695\t100\n79.050305\t6.489437\n", 0);
}

TEST(CommandLine, ThresholdRange)
{
    ExpectOptionError({"C6H6", "-t", "1"}, "Error: threshold must be between 0 and 1\n");
    ExpectOptionError({"C6H6", "-t", "1.5"}, "Error: threshold must be between 0 and 1\n");
    ExpectOptionError({"C6H6", "-t", "-0.1"}, "Error: threshold must be between 0 and 1\n");
    ExpectOptionError({"C6H6", "-t", "nan"}, "Error: threshold must be between 0 and 1\n");
    ExpectOptionError({"C6H6", "-t"}, "Error: threshold not specified\n");
    ExpectRun({"C6H6", "-t", "0.5"}, "78.04695\t0.93684636\n", 0);
    EXPECT_EQ(RunMorvane({"C6H6", "-t", "0"}).status, 0);
}

TEST(CommandLine, PrecisionConversion)
{
    const std::string p16 =
        "78.04695019259999\t0.9368463606650457\n"
        "79.0503050304\t0.06079605413392898\n"
        "80.0536598682\t0.001643884006957041\n";
    ExpectRun({"C6H6", "-p", "0x10"}, p16, 0);
    ExpectRun({"C6H6", "-p", "010"}, BENZENE, 0);  // octal 8
    ExpectOptionError({"C6H6", "-p", "0"}, "Error: precision must be an integer > 0\n");
    ExpectOptionError({"C6H6", "-p", "08"}, "Error: precision must be an integer > 0\n");
    ExpectOptionError({"C6H6", "-p", "3.5"}, "Error: precision must be an integer > 0\n");
    ExpectOptionError({"C6H6", "-p", "-n"}, "Error: precision must be an integer > 0\n");
    ExpectOptionError({"C6H6", "-p", "2147483648"}, "Error: precision must be an integer > 0\n");
    ExpectOptionError({"C6H6", "-p", ""}, "Error: precision must be an integer > 0\n");
    ExpectOptionError({"C6H6", "-p"}, "Error: precision not specified\n");
    ExpectRun({"C6H6", "-p", "4", "-p", "6"}, "78.047\t0.936846\n79.0503\t0.0607961\n80.0537\t0.00164388\n", 0);
}

TEST(CommandLine, PrecisionFormats)
{
    ExpectRun({"H2O", "-p", "1"}, "2e+01\t1\n2e+01\t0.002\n", 0);
    ExpectRun({"H2O", "-p", "3"}, "18\t0.997\n20\t0.00205\n", 0);
    // Beyond 767 digits nothing changes, and a huge precision is cheap.
    const RunResult big = RunMorvane({"C6H6", "-p", "2147483647"});
    EXPECT_EQ(big.status, 0);
    EXPECT_EQ(big.out, RunMorvane({"C6H6", "-p", "800"}).out);
    EXPECT_EQ(big.out, RunMorvane({"C6H6", "-p", "767"}).out);
}

TEST(CommandLine, ChargeConversion)
{
    const std::string minus1 = "78.047499\t0.93684636\n79.050854\t0.060796054\n80.054208\t0.001643884\n";
    const std::string plus2 = "78.045853\t0.93684636\n79.049208\t0.060796054\n80.052563\t0.001643884\n";
    ExpectRun({"C6H6", "-z", "-1"}, minus1, 0);
    ExpectRun({"C6H6", "-z", "+2"}, plus2, 0);
    ExpectRun({"C6H6", "-z", ""}, BENZENE, 0);
    ExpectOptionError({"C6H6", "-z", "1.5"}, "Error: charge must be integer\n");
    ExpectOptionError({"C6H6", "-z", "2147483648"}, "Error: charge must be integer\n");
    ExpectOptionError({"C6H6", "-mtz", "-99999999999999999999"}, "Error: charge must be integer\n");
    ExpectOptionError({"C6H6", "-z"}, "Error: charge not specified\n");
    ExpectOptionError({"C6H6", "-mtz"}, "Error: charge not specified\n");
}

TEST(CommandLine, MassToCharge)
{
    // -mtz 2 then -z 3: charge 3, still mass-to-charge; (78.04695 - 3 me) / 3.
    ExpectRun({"C6H6", "-mtz", "2", "-z", "3"},
              "26.015101\t0.93684636\n26.349553\t0.060796054\n26.684005\t0.001643884\n", 0);
    ExpectRun({"C6H6", "-mtz", "-1"}, "-78.047499\t0.93684636\n-79.050854\t0.060796054\n-80.054208\t0.001643884\n", 0);
    ExpectRun({"C6H6", "-mtz", "0"}, "", 0);
}

TEST(CommandLine, MergeDistance)
{
    ExpectRun({"C6H6", "-r", "0"}, BENZENE, 0);
    // Everything in one peak at the probability-weighted mean mass.
    ExpectRun({"C6H6", "-r", "3"}, "78.111295\t0.9992863\n", 0);
    ExpectRun({"C6H6", "-r", "1e308"}, "78.111295\t0.9992863\n", 0);
    ExpectOptionError({"C6H6", "-r", "-0.1"}, "Error: peak merge must be >= 0\n");
    ExpectOptionError({"C6H6", "-r", "nan"}, "Error: peak merge must be >= 0\n");
    ExpectOptionError({"C6H6", "-r"}, "Error: peak merge vslue not specified\n");
}

TEST(CommandLine, FlagsAndEmptyValues)
{
    ExpectRun({"C6H6", "-n"}, "78.04695\t100\n79.050305\t6.489437\n80.05366\t0.17546997\n", 0);
    ExpectRun({"C6H6", "-f", ""}, "78.04695\t100\n79.050305\t6.489437\n80.05366\t0.17546997\n", 0);
    ExpectRun({"C6H6", "-c"}, "78.04695,0.93684636\n79.050305,0.060796054\n80.05366,0.001643884\n", 0);
}

TEST(CommandLine, FirstOptionErrorWinsOverMissingTable)
{
    ExpectOptionError({"C6H6", "nosuchtable.txt", "-f", "200", "-t", "5"}, "Error: filter must be between 0 and 100\n");
}

}  // namespace
