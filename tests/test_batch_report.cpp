// morvane-batch's reports beyond the peaks, as a user meets them: --summary,
// --composition, --coverage and --nominal, with whole outputs compared to
// the library's numbers and morvane's own rows.
#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

RunResult RunBatch(const std::vector<std::string>& args) { return RunFrontEndAsMorvane(MORVANE_BATCH_EXE, args); }

std::string G17(double v)
{
    char text[64];
    return std::string(text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 17).ptr);
}

PatternResult Library(const std::string& formula, const PatternSettings& s)
{
    std::deque<AtomIsoAbun> table;
    std::string reason;
    EXPECT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0);
    return CalculatePattern(table, formula, s);
}

std::string SummaryRow(const std::string& labels, const PatternResult& r)
{
    return labels + "\t" + std::to_string(r.charge) + "\t" + G17(r.monoisotopic) + "\t" + G17(r.average) + "\t" +
           G17(r.mostAbundant.mass) + "\t" + G17(r.mostAbundant.abundance) + "\t" + std::to_string(r.peaks.size()) +
           "\t" + G17(r.coverage) + "\n";
}

const char* const SUMMARY_HEADER = "id\tformula\tadduct\tcharge\tmonoisotopic\taverage\tmost_abundant\tabundance\tpeaks\tcoverage\n";

TEST(BatchReport, SummaryRowPerFormulaAndAdductWithTheLibrarysNumbers)
{
    TempFile input("glucose\tC6H12O6\ninsulin\tC254H377N65O75S6\n", "formulas.txt");
    PatternSettings s;
    std::string expected = std::string(SUMMARY_HEADER) + SummaryRow("glucose\tC6H12O6\t", Library("C6H12O6", s)) +
                           SummaryRow("insulin\tC254H377N65O75S6\t", Library("C254H377N65O75S6", s));
    RunResult r = RunBatch({"-i", input.path(), "--summary", "-p", "17"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected);
    // Ions, with a coverage target: the charge column is the adduct's.
    Adduct a;
    std::deque<AtomIsoAbun> table;
    std::string reason;
    ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0);
    ASSERT_EQ(a.Parse("[M+2H]2+", table, reason), 0);
    s.adduct = &a;
    s.coverage = 0.999;
    const PatternResult ion = Library("C254H377N65O75S6", s);
    EXPECT_GE(ion.coverage, 0.999);
    r = RunBatch({"-i", input.path(), "--summary", "--coverage", "0.999", "-a", "[M+2H]2+", "-p", "17"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(SummaryRow("insulin\tC254H377N65O75S6\t[M+2H]2+", ion)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\t[M+2H]2+\t2\t"), std::string::npos);
}

TEST(BatchReport, CompositionAddsTwoColumnsToMorvanesRows)
{
    TempFile input("C6H12O6\n", "formulas.txt");
    const RunResult m = RunMorvane({"C6H12O6", "-p", "17"});
    const std::vector<std::string> makeup = {"\t\t1\n", "\t13C\t", "\t18O\t"};
    const RunResult r = RunBatch({"-i", input.path(), "--composition", "-p", "17"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\tcomposition\tshare\n");
    // Each row: morvane's position and abundance, then the make-up.
    std::size_t line = 0;
    for (std::size_t begin = 0; begin < m.out.size(); ++line) {
        const std::size_t end = m.out.find('\n', begin);
        const std::string row = "\tC6H12O6\t\t0\t" + std::to_string(line + 1) + "\t" + m.out.substr(begin, end - begin);
        EXPECT_NE(r.out.find(row + makeup[line]), std::string::npos) << row;
        begin = end + 1;
    }
    EXPECT_EQ(line, 3u);
}

// The composition column writes isotopes as chemists do: a label's atoms
// counted with their element ([13C]2 with natural carbon: 13C3, never the
// key C[13]), the elements in the Hill order (13C 81Br; without carbon,
// alphabetically: 81Br 2H).
TEST(BatchReport, CompositionWritesIsotopesAsChemistsDo)
{
    TempFile input("C2H5Br\nDBr\n[13C]2C4H12O6\nD2O\n", "in.txt");
    const RunResult r = RunBatch({"-i", input.path(), "--composition", "-f", "1", "-p", "3"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\tcomposition\tshare\n"
                     "\tC2H5Br\t\t0\t1\t108\t100\t\t1\n"
                     "\tC2H5Br\t\t0\t2\t109\t2.16\t13C\t1\n"
                     "\tC2H5Br\t\t0\t3\t110\t97.3\t81Br\t1\n"
                     "\tC2H5Br\t\t0\t4\t111\t2.1\t13C 81Br\t1\n"
                     "\tDBr\t\t0\t1\t80.9\t100\t2H\t1\n"
                     "\tDBr\t\t0\t2\t82.9\t97.3\t81Br 2H\t1\n"
                     "\t[13C]2C4H12O6\t\t0\t1\t182\t100\t13C2\t1\n"
                     "\t[13C]2C4H12O6\t\t0\t2\t183\t4.69\t13C3\t0.922\n"
                     "\t[13C]2C4H12O6\t\t0\t3\t184\t1.23\t13C2 18O\t1\n"
                     "\tD2O\t\t0\t1\t20\t100\t2H2\t1\n");
    // Half-enriched labels: a variant whose labelled atoms are all 12C
    // holds no isotope to name.
    TempFile labelled("[13C]2C4H12O6\n", "labelled.txt");
    const RunResult e = RunBatch({"-i", labelled.path(), "--composition", "--enrichment", "13C=0.5", "-f", "5", "-p", "3"});
    EXPECT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(e.out, "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\tcomposition\tshare\n"
                     "\t[13C]2C4H12O6\t\t0\t1\t180\t48.9\t\t1\n"
                     "\t[13C]2C4H12O6\t\t0\t2\t181\t100\t13C\t0.978\n"
                     "\t[13C]2C4H12O6\t\t0\t3\t182\t54.1\t13C2\t0.904\n");
}

TEST(BatchReport, NominalBinsAndCoverageTarget)
{
    TempFile input("C254H377N65O75S6\n", "formulas.txt");
    PatternSettings s;
    s.nominal = true;
    s.coverage = 0.99;
    const PatternResult lib = Library("C254H377N65O75S6", s);
    const RunResult r = RunBatch({"-i", input.path(), "--nominal", "--coverage", "0.99", "-p", "17"});
    EXPECT_EQ(r.status, 0);
    std::string expected = "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n";
    for (std::size_t i = 0; i < lib.peaks.size(); ++i)
        expected += "\tC254H377N65O75S6\t\t0\t" + std::to_string(i + 1) + "\t" + G17(lib.peaks[i].mass) + "\t" +
                    G17(lib.peaks[i].abundance) + "\n";
    EXPECT_EQ(r.out, expected);
}

TEST(BatchReport, OptionsThatContradictEachOtherAreRefused)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--coverage", "0.99", "-t", "1e-4"}, "Error: give -t or --coverage, not both\n"},
        {{"--coverage", "1"}, "Error: coverage must be between 0 and 1\n"},
        {{"--coverage", "99%"}, "Error: coverage must be between 0 and 1\n"},
        {{"--coverage"}, "Error: coverage not specified\n"},
        {{"--nominal", "-r", "0.5"}, "Error: --nominal bins by neutrons; leave out -r\n"},
        {{"--summary", "--composition"}, "Error: --summary prints no peaks; leave out --composition\n"},
        {{"--composition", "--resolution", "10000"}, "Error: a resolution does not go with --nominal or --composition\n"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = RunBatch(args);
        EXPECT_EQ(r.status, 5) << message;
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.out, "");
    }
    // A target out of reach fails that line, with the reason, and the run
    // goes on.
    TempFile input("C6H12O6\nH2O\n", "formulas.txt");
    const RunResult r = RunBatch({"-i", input.path(), "--coverage", "0.9999999999999999", "--summary"});
    EXPECT_EQ(r.status, 6);
    EXPECT_NE(r.err.find("line 1: C6H12O6: coverage 0.9999999999999999 is out of reach"), std::string::npos) << r.err;
}

}  // namespace
