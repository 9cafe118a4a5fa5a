// morvane-batch as a user meets it: whole output, standard error and exit
// status. Every row must equal what morvane prints for that formula alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

RunResult RunBatch(const std::vector<std::string>& args) { return RunFrontEndAsMorvane(MORVANE_BATCH_EXE, args); }

const char* const TSV_HEADER = "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n";

// Random formulas over common elements, some with whitespace or repeats.
std::vector<std::string> RandomFormulas(std::size_t n)
{
    const char* const symbols[] = {"C", "H", "N", "O", "S", "P", "Cl", "Br", "F", "Se", "Fe", "Na", "K", "Si"};
    std::mt19937 rng(1207);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n; ++i) {
        std::string f;
        const int groups = 1 + static_cast<int>(rng() % 5);
        for (int g = 0; g < groups; ++g) {
            f += symbols[rng() % 14];
            const unsigned count = rng() % 16;
            if (count > 1) f += std::to_string(count);
            if (rng() % 10 == 0) f += ' ';
        }
        out.push_back(f);
    }
    return out;
}

// Lines for the input file, and the id and formula of each in order.
struct Input {
    std::string text;
    std::vector<long long> lineNumbers;
    std::vector<std::string> ids, formulas;

    void Add(const std::string& id, const std::string& formula)
    {
        text += id.empty() ? formula + "\n" : id + "\t" + formula + "\n";
        lineNumbers.push_back(static_cast<long long>(std::count(text.begin(), text.end(), '\n')));
        ids.push_back(id);
        // The formula column holds the formula without the blanks around it.
        const std::size_t first = formula.find_first_not_of(" \t"), last = formula.find_last_not_of(" \t");
        formulas.push_back(first == std::string::npos ? "" : formula.substr(first, last - first + 1));
    }
};

// What morvane-batch must print, made from one morvane run per formula:
// rows, the failure lines' prefix ("line N: formula: ") and the status.
struct Expected {
    std::string rows;
    std::vector<std::string> failures;
    int status = 0;
};

// The charge the options give, as the charge column shows it.
std::string ChargeOf(const std::vector<std::string>& options)
{
    std::string charge = "0";
    for (std::size_t i = 0; i + 1 < options.size(); ++i)
        if (options[i] == "-z" || options[i] == "-mtz") charge = options[i + 1];
    return charge;
}

Expected FromMorvane(const Input& in, const std::vector<std::string>& options, bool comma)
{
    Expected e;
    const char sep = comma ? ',' : '\t';
    const std::string charge = ChargeOf(options);
    // m/z is mass over |z|: a negative ion's lines without morvane's sign.
    const bool negativeMz = std::find(options.begin(), options.end(), "-mtz") != options.end() && charge[0] == '-';
    for (std::size_t i = 0; i < in.formulas.size(); ++i) {
        std::vector<std::string> args = {in.formulas[i]};
        args.insert(args.end(), options.begin(), options.end());
        const RunResult r = RunMorvane(args);
        if (r.status != 0) {
            e.failures.push_back("line " + std::to_string(in.lineNumbers[i]) + ": " + in.formulas[i] + ": ");
            if (e.status == 0) e.status = r.status;
            continue;
        }
        std::istringstream lines(r.out);
        int peak = 0;
        for (std::string line; std::getline(lines, line);)
            e.rows += in.ids[i] + sep + in.formulas[i] + sep + sep + charge + sep + std::to_string(++peak) + sep +
                      line.substr(negativeMz && line[0] == '-' ? 1 : 0) + "\n";
    }
    return e;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// Equal texts, or the first line where they differ.
::testing::AssertionResult SameLines(const std::string& actual, const std::string& expected)
{
    const std::vector<std::string> a = Lines(actual), e = Lines(expected);
    for (std::size_t i = 0; i < a.size() && i < e.size(); ++i)
        if (a[i] != e[i])
            return ::testing::AssertionFailure() << "line " << i + 1 << ": " << a[i] << "\nexpected: " << e[i];
    if (a.size() != e.size() || actual != expected)
        return ::testing::AssertionFailure() << a.size() << " lines, expected " << e.size();
    return ::testing::AssertionSuccess();
}

void ExpectSameAsMorvane(const Input& input, const std::vector<std::string>& options)
{
    TempFile file(input.text, "formulas.txt");
    const Expected e = FromMorvane(input, options, false);
    for (const char* threads : {"1", "2"}) {
        std::vector<std::string> args = {"-i", file.path(), "-j", threads};
        args.insert(args.end(), options.begin(), options.end());
        const RunResult r = RunBatch(args);
        const bool mtz = std::find(options.begin(), options.end(), "-mtz") != options.end();
        const std::string header = mtz ? "id\tformula\tadduct\tcharge\tpeak\tmz\tabundance\n" : TSV_HEADER;
        EXPECT_TRUE(SameLines(r.out, header + e.rows)) << "-j " << threads;
        EXPECT_EQ(r.status, e.status);
        const std::vector<std::string> err = Lines(r.err);
        ASSERT_EQ(err.size(), e.failures.size() + 1);
        for (std::size_t i = 0; i < e.failures.size(); ++i) EXPECT_EQ(err[i].rfind(e.failures[i], 0), 0u) << err[i];
        EXPECT_EQ(err.back(), std::to_string(input.formulas.size() - e.failures.size()) + " formulas succeeded, " +
                                  std::to_string(e.failures.size()) + " failed");
    }
}

TEST(Batch, RowsEqualMorvaneForEachFormulaWithOneAndTwoThreads)
{
    Input input;
    const char* const real[] = {"C6H12O6", "C254H377N65O75S6", "C63H98N18O13S",        "CH3CH2OH",
                                "Br2",     "C8H10N4O2",        "C1000H1600N280O300S10"};
    for (const char* f : real) input.Add("", f);
    const std::vector<std::string> random = RandomFormulas(300);
    for (std::size_t i = 0; i < random.size(); ++i) {
        input.Add("r" + std::to_string(i), random[i]);
        if (i % 50 == 7) input.Add("bad" + std::to_string(i), i % 100 == 7 ? "C6H5-" : "C6Xx2");
    }
    ExpectSameAsMorvane(input, {"-p", "17"});
}

TEST(Batch, OptionsMeanWhatTheyMeanForMorvane)
{
    Input input;
    for (const std::string& f : RandomFormulas(40)) input.Add("", f);
    ExpectSameAsMorvane(input, {"-mtz", "-2", "-f", "1.5", "-r", "0.01", "-t", "1e-4"});
    ExpectSameAsMorvane(input, {"-z", "3", "-n", "-p", "5"});
}

TEST(Batch, FailingLinesSayWhichLineAndWhy)
{
    TempFile file("# peptides\nC6H6\n\n   \nwater\tH2O\nx\tC6H12Xx\nCa(OH2\nC99999999999\n", "in.txt");
    const RunResult r = RunBatch({"-i", file.path()});
    EXPECT_EQ(r.err,
              "line 6: C6H12Xx: unknown element symbol 'Xx' at position 6\n"
              "line 7: Ca(OH2: unmatched ( at position 3\n"
              "line 8: C99999999999: count 99999999999 at position 2 is beyond the 32-bit range\n"
              "2 formulas succeeded, 3 failed\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out,
              std::string(TSV_HEADER) +
                  "\tC6H6\t\t0\t1\t78.04695\t0.93684636\n"
                  "\tC6H6\t\t0\t2\t79.050305\t0.060796054\n"
                  "\tC6H6\t\t0\t3\t80.05366\t0.001643884\n"
                  "water\tH2O\t\t0\t1\t18.010565\t0.99734057\n"
                  "water\tH2O\t\t0\t2\t20.01481\t0.0020495285\n");
}

// A decimal count is refused with its reason, never read as a hydrate.
TEST(Batch, DecimalCountsAreRefused)
{
    TempFile file("wustite\tFe0.95O\nC1.5H3\nNa0.33WO3\nblue vitriol\tCuSO4.5H2O\n", "in.txt");
    const RunResult r = RunBatch({"-i", file.path(), "-t", "0.5"});
    EXPECT_EQ(r.err,
              "line 1: Fe0.95O: count 0.95 at position 3 is not a whole number\n"
              "line 2: C1.5H3: count 1.5 at position 2 is not a whole number\n"
              "line 3: Na0.33WO3: count 0.33 at position 3 is not a whole number\n"
              "1 formulas succeeded, 3 failed\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, std::string(TSV_HEADER) + "blue vitriol\tCuSO4.5H2O\t\t0\t1\t248.93415\t0.6416707\n");
}

// -j 3000 under a 2 GB address space: the threads are held to four per
// processor, so their stacks leave room for the work, and every row comes.
TEST(Batch, ThreadsAreHeldToAFewPerProcessor)
{
#ifdef MORVANE_SANITIZE
    GTEST_SKIP() << "the sanitizers need an unbounded address space";
#endif
    std::string text;
    for (int i = 0; i < 200; ++i) text += "C6H6\nC100H202\nC6H12O6\n";
    TempFile file(text, "in.txt");
    const RunResult r = RunFrontEndAsMorvane(MORVANE_BATCH_EXE, {"-i", file.path(), "-j", "3000", "-f", "10"}, 2ull << 30);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "600 formulas succeeded, 0 failed\n");
    const RunResult one = RunBatch({"-i", file.path(), "-j", "1", "-f", "10"});
    EXPECT_EQ(r.out, one.out);
}

// Options are known or refused, naming the nearest known one; --opt=value
// is --opt value; the table is the one word that is no option, wherever it
// stands.
TEST(Batch, UnknownOptionsAreRefusedAndTheTableIsAnyPlainWord)
{
    TempFile input("C6H6\n", "in.txt");
    TempFile table(ReadFile(ShippedTable()));
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--sumary"}, "Error: unknown option --sumary (did you mean --summary?)\n"},
        {{table.path(), "--coverge", "0.9"}, "Error: unknown option --coverge (did you mean --coverage?)\n"},
        {{table.path(), "--resolutoin=500000"}, "Error: unknown option --resolutoin (did you mean --resolution?)\n"},
        {{"-x"}, "Error: unknown option -x (did you mean -i?)\n"},
        {{"--summary=yes"}, "Error: --summary takes no value\n"},
        {{table.path(), "other.txt"},
         "Error: unexpected word other.txt: the isotope table is " + table.path() + ", and formulas come from the input\n"},
        {{"--fixed", "Carbamidomethyl@C"}, "Error: fixed modifications need --sequences or --fasta\n"},
        {{"--fwhm="}, "Error: peak width must be > 0\n"},
    };
    for (const auto& [args, message] : refused) {
        std::vector<std::string> withInput = args;
        withInput.insert(withInput.end(), {"-i", input.path()});
        const RunResult r = RunBatch(withInput);
        EXPECT_EQ(r.err, message) << args[0];
        EXPECT_EQ(r.status, 5) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
    const RunResult spaced = RunBatch({table.path(), "-i", input.path(), "--resolution", "500000", "-p", "5"});
    ASSERT_EQ(spaced.status, 0) << spaced.err;
    EXPECT_EQ(RunBatch({"-i", input.path(), "--resolution=500000", "-p", "5", table.path()}).out, spaced.out);
    EXPECT_EQ(RunBatch({"--resolution=500000", "--analyzer=orbitrap", "-i", input.path(), "-p", "5"}).out, spaced.out);
    // A table after the options is read: this one is not a table at all.
    const RunResult late = RunBatch({"-i", input.path(), "-z", "1", input.path()});
    EXPECT_EQ(late.status, 1);
    EXPECT_EQ(late.err.rfind("Error: cannot read isotope table: ", 0), 0u) << late.err;
}

TEST(Batch, CommaSeparatedWithQuotingAsCsvRequires)
{
    TempFile file("a,b\tH2O\nsay \"hi\"\tH2\nplain\t H2 \n", "in.txt");
    const RunResult r = RunBatch({"-i", file.path(), "-c", "-mtz", "1", "-f", "1"});
    EXPECT_EQ(r.out,
              "id,formula,adduct,charge,peak,mz,abundance\n"
              "\"a,b\",H2O,,1,1,18.010016,100\n"
              "\"say \"\"hi\"\"\",H2,,1,1,2.0151015,100\n"
              "plain,H2,,1,1,2.0151015,100\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Batch, EmptyInputGivesTheHeaderOnly)
{
    const RunResult r = RunBatch({});
    EXPECT_EQ(r.out, TSV_HEADER);
    EXPECT_EQ(r.err, "0 formulas succeeded, 0 failed\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Batch, OptionTableAndFileErrors)
{
    const RunResult option = RunBatch({"-t", "1.5"});
    EXPECT_EQ(option.err, "Error: threshold must be between 0 and 1\n");
    EXPECT_EQ(option.status, 5);
    EXPECT_EQ(option.out, "");
    EXPECT_EQ(RunBatch({"-j", "0"}).err, "Error: threads must be an integer > 0\n");
    // The charge is capped as an adduct's and a sequence's: beyond, masses
    // near -368 (-z 1000000) and m/z near 0 (-mtz 2147483647) came out.
    for (const auto& charge : std::vector<std::vector<std::string>>{
             {"-z", "1000000"}, {"-mtz", "2147483647"}, {"-z", "-1001"}, {"-mtz", "1001"}}) {
        const RunResult r = RunBatch(charge);
        EXPECT_EQ(r.err, "Error: charge must be between -1000 and 1000\n") << charge[1];
        EXPECT_EQ(r.status, 5);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(RunBatch({"-mtz", "-1000"}).status, 0);
    EXPECT_EQ(RunBatch({"-p", "-i", "x"}).err, "Error: precision not specified\n");
    EXPECT_EQ(RunBatch({"-o"}).status, 5);

    TempFile table("H 1 1.0078 0.99\nC 6 12 1 13\n");
    const RunResult bad = RunBatch({table.path()});
    EXPECT_EQ(bad.err, "Error: cannot read isotope table: line 2, word '13': mass of C without its abundance\n");
    EXPECT_EQ(bad.status, 1);

    const RunResult input = RunBatch({"-i", "/nonexistent/in.txt"});
    EXPECT_EQ(input.err, "Error: cannot read input file /nonexistent/in.txt: No such file or directory\n");
    EXPECT_EQ(input.status, 1);
    EXPECT_EQ(RunBatch({"-i", "/"}).err, "Error: cannot read input file /: Is a directory\n");
    const RunResult output = RunBatch({"-o", "/nonexistent/out.tsv"});
    EXPECT_EQ(output.err, "morvane-batch: cannot write output: /nonexistent/out.tsv: No such file or directory\n");
    EXPECT_EQ(output.status, 8);

    TempFile file("C6H6\n", "in.txt");
    const RunResult full = RunBatch({"-i", file.path(), "-o", "/dev/full"});
    EXPECT_EQ(full.status, 8);
    EXPECT_EQ(full.err, "morvane-batch: cannot write output: No space left on device\n");
    const RunResult fullStdout = RunProgram(
        "/bin/sh", {"-c", std::string(MORVANE_BATCH_EXE) + " -i " + file.path() + " >/dev/full"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(fullStdout.status, 8);
    EXPECT_EQ(fullStdout.err, full.err);
}

}  // namespace
