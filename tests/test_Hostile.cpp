// Hostile input through the built executable: whatever the command line or
// the table holds, the run ends with its documented message and status,
// nothing on standard error, and within seconds.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "support/RunMorvane.h"

namespace {

const std::string PARSE_ERROR = "Error: cannot parse formula\n";
const std::string TABLE_ERROR = "Error: cannot read isotope table\n";
const std::string CALC_ERROR = "Error: cannot calculate distributions\n";
const std::string MEMORY_ERROR = "An unexpected error occurred. Program terminating\n\n";

void ExpectFailure(const std::vector<std::string>& args, const std::string& message, int status)
{
    const RunResult r = RunMorvane(args);
    EXPECT_EQ(r.out, message);
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(r.err, "");
}

std::string Repeat(const std::string& s, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += s;
    return out;
}

TEST(HostileFormula, HugeFormulas)
{
    // 100,000 characters: 100,000 carbons start from 0.9893^n, about
    // 10^-467, carried with its exponent; the largest peak lies at the
    // average mass, 100,000 times 12.0107 (rounded to 8 digits).
    // H66667O33333, its largest peak where the independent aggregation by
    // nucleon number puts it (600503.55).
    const RunResult carbon = RunMorvane({std::string(100000, 'C'), "-n"});
    EXPECT_EQ(carbon.status, 0);
    EXPECT_NE(carbon.out.find("1201073.6\t100\n"), std::string::npos);
    const RunResult water = RunMorvane({Repeat("H2O", 33334).substr(0, 100000), "-n"});
    EXPECT_EQ(water.status, 0);
    EXPECT_EQ(water.err, "");
    EXPECT_NE(water.out.find("600503.55\t100\n"), std::string::npos);
    ExpectFailure({Repeat("Xy", 50000)}, PARSE_ERROR, 2);
    ExpectFailure({Repeat("(", 100000)}, PARSE_ERROR, 2);
}

TEST(HostileFormula, HugeCounts)
{
    ExpectFailure({"C99999999999"}, PARSE_ERROR, 2);
    ExpectFailure({"C2147483648"}, PARSE_ERROR, 2);
    ExpectFailure({"C2147483647C1"}, PARSE_ERROR, 2);
    ExpectFailure({"S2147483647", "-t", "0"}, CALC_ERROR, 6);  // every combination: 1.6e27
    // 0.5069^1100 (79Br) is about 10^-325: the start is carried; the top
    // peak is that of 558 79Br and 542 81Br (the binomial's mode), the
    // next 1.0003 times less probable.
    const RunResult bromine = RunMorvane({"Br1100", "-n", "-f", "99.9"});
    EXPECT_EQ(bromine.status, 0);
    EXPECT_EQ(bromine.out, "87893.062\t100\n87895.06\t99.964795\n");
}

TEST(HostileFormula, EveryByteInsideAFormula)
{
    const RunResult plain = RunMorvane({"C6H12O6"});
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const RunResult r = RunMorvane({std::string("C6H12") + c + "O6"});
        EXPECT_EQ(r.err, "") << b;
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            EXPECT_EQ(r.out, plain.out) << b;
        } else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*')) {
            EXPECT_EQ(r.out, PARSE_ERROR) << b;
            EXPECT_EQ(r.status, 2) << b;
        } else {
            EXPECT_TRUE(r.status == 0 || r.status == 2 || r.status == 6) << b;
        }
    }
}

class HostileTable : public ::testing::Test {
protected:
    RunResult RunWith(const std::string& table, const std::string& formula = "C6H12O6")
    {
        TempFile file(table);
        return RunMorvane({formula, file.path()});
    }
    void ExpectRefused(const std::string& table)
    {
        const RunResult r = RunWith(table);
        EXPECT_EQ(r.out, TABLE_ERROR) << table.substr(0, 60);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "");
    }
};

TEST_F(HostileTable, GarbageAndBadNumbers)
{
    std::string garbage;
    for (int i = 0; i < 100000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    ExpectRefused(garbage);
    ExpectRefused(std::string("C 6 12.0 0.9893\0 13.0033548378 0.0107\n", 37));
    ExpectRefused(std::string(1 << 20, '\0'));
    for (const char* value : {"-12.0", "1e400", "inf", "nan", "-inf", "1e308e", "99999999999999999999999e999"})
        ExpectRefused(std::string("C 6 ") + value + " 0.9893 13.0033548378 0.0107\n");
    for (const char* value : {"-0.1", "1.0000001", "1e400", "inf", "nan"})
        ExpectRefused(std::string("C 6 12.0 ") + value + " 13.0033548378 0.0107\n");
    ExpectRefused("C 99999999999 12.0 1\n");
    ExpectRefused("C -6 12.0 1\n");
}

TEST_F(HostileTable, HugeButValidNumbersStillCalculate)
{
    const RunResult r = RunWith("C 6 1e300 1\nH 1 1e-300 1\n", "CH");
    EXPECT_EQ(r.out, "1e+300\t1\n");
    EXPECT_EQ(r.status, 0);
}

// Values each within range whose results are not: masses whose sums
// overflow to inf, abundances of one element that sum above 1 (X 0.9 + 0.9
// would print four peaks of 0.81 each).
TEST_F(HostileTable, NonFiniteResultsAndAbundancesAboveOne)
{
    const RunResult huge = RunWith("X 1 1e308 0.9 1.5e308 0.1\nY 2 3 1\n", "X2Y");
    EXPECT_EQ(huge.out, CALC_ERROR);
    EXPECT_EQ(huge.status, 6);
    // One infinite variant (1e-4 of the total) kept only at -t 0.
    TempFile table("X 1 1 0.99 1.7e308 0.01\n");
    EXPECT_EQ(RunMorvane({"X2", table.path()}).out, "2\t0.9801\n1.7e+308\t0.0198\n");
    const RunResult all = RunMorvane({"X2", table.path(), "-t", "0"});
    EXPECT_EQ(all.out, CALC_ERROR);
    EXPECT_EQ(all.status, 6);
    ExpectRefused("X 1 1 0.9 2 0.9\nY 2 3 1\n");
}

// A named pipe as the table is refused at once instead of waiting for a
// writer; so is /dev/stdin when it is a pipe (morvane reads no input).
TEST(HostileRun, TableThatIsNotARegularFile)
{
    TempFile dir("");
    const std::string fifo = dir.dir() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ExpectFailure({"C6H12O6", fifo}, TABLE_ERROR, 1);
    ExpectFailure({"C6H12O6", dir.dir()}, TABLE_ERROR, 1);
    ExpectFailure({"C6H12O6", "/dev/null"}, TABLE_ERROR, 1);
    unlink(fifo.c_str());
}

TEST_F(HostileTable, ManyElementsAndManyIsotopes)
{
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string many;
    for (std::size_t i = 0; i < 100000; ++i)
        many += std::string{letters[i % 52], letters[(i / 52) % 52], letters[i / 52 / 52]} + " 1 1 1\n";
    const RunResult r = RunWith(many + "Q 8 15.9949146221 0.99757 17.9991604 0.00205\n", "Q2");
    // 0.99757^2 and 2 x 0.99757 x 0.00205.
    EXPECT_EQ(r.out, "31.989829\t0.9951459\n33.994075\t0.004090037\n");
    EXPECT_EQ(r.status, 0);

    std::string wide = "Xx 1\n";
    for (int i = 0; i < 10000; ++i) wide += std::to_string(100 + i * 0.001) + " 0.0001\n";
    const RunResult one = RunWith(wide, "Xx");
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.err, "");
    // Two atoms over 10,000 entries are 50 million combinations: refused.
    const RunResult two = RunWith(wide, "Xx2");
    EXPECT_EQ(two.out, CALC_ERROR);
    EXPECT_EQ(two.status, 6);
}

TEST(HostileRun, ExplosiveEnumerationsEndWithAnError)
{
    ExpectFailure({"Sn100"}, CALC_ERROR, 6);
    ExpectFailure({"Sn30", "-t", "0"}, CALC_ERROR, 6);
    ExpectFailure({"S5000", "-t", "0"}, CALC_ERROR, 6);
    ExpectFailure({"C2934H4615N781O897S39", "-t", "0"}, CALC_ERROR, 6);
}

TEST(HostileRun, ThresholdZeroOnTensOfThousandsOfVariants)
{
    const RunResult r = RunMorvane({"C20H30N5O6S2Cl", "-t", "0", "-r", "0", "-p", "17"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::istringstream in(r.out);
    double m, a, total = 0;
    int lines = 0;
    while (in >> m >> a) total += a, ++lines;
    EXPECT_GT(lines, 10000);
    EXPECT_NEAR(total, 1.0, 1e-6);
}

TEST(HostileRun, UnreadableDefaultTable)
{
    TempFile elsewhere("");
    ASSERT_EQ(mkdir((elsewhere.dir() + "/morvanetable.txt").c_str(), 0700), 0);
    const RunResult r = RunMorvane({"C6H6"}, elsewhere.dir());
    rmdir((elsewhere.dir() + "/morvanetable.txt").c_str());
    EXPECT_EQ(r.out, TABLE_ERROR);
    EXPECT_EQ(r.status, 1);
    const RunResult dev = RunMorvane({"C6H6", "/dev/zero"});
    EXPECT_EQ(dev.out, TABLE_ERROR);
    EXPECT_EQ(dev.status, 1);
}

TEST(HostileRun, MemoryExhaustionReachesTheHandler)
{
#ifdef MORVANE_SANITIZE
    GTEST_SKIP() << "the sanitizers need an unbounded address space";
#endif
    // Within 24 MB of address space glucose is calculated, and the 273,000
    // variants of a protein too, in passes, to the same bytes; but not the
    // 2.8 million peaks of that protein at threshold 1e-6 without merging.
    const unsigned long long limit = 24ULL << 20;
    EXPECT_EQ(RunMorvane({"C6H12O6"}, MORVANE_SOURCE_DIR, limit).status, 0);
    const RunResult capped = RunMorvane({"C2934H4615N781O897S39", "-p", "17"}, MORVANE_SOURCE_DIR, limit);
    EXPECT_EQ(capped.status, 0);
    EXPECT_EQ(capped.out, RunMorvane({"C2934H4615N781O897S39", "-p", "17"}).out);
    const RunResult r = RunMorvane({"C2934H4615N781O897S39", "-t", "1e-6", "-r", "0"}, MORVANE_SOURCE_DIR, limit);
    EXPECT_EQ(r.out, MEMORY_ERROR);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.err, "");
}

}  // namespace
