// morvane-match on a measured LC-MS run whose peptides are documented:
// OpenMS's example BSA1.mzML (Debian openms-doc 2.6.0, under
// /usr/share/doc/openms/examples/BSA/), a tryptic digest of bovine serum
// albumin on an LTQ Orbitrap XL (MS1 in the Orbitrap, centroided), with
// the OMSSA identifications of its MS2 scans beside it (BSA1_OMSSA.idXML:
// sequence, charge, retention time). Each identification with a q-value of
// 0 is looked for in the MS1 scan closest to its retention time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

const char* const BSA1 = "/usr/share/doc/openms/examples/BSA/BSA1.mzML";

struct Identification {
    const char* sequence;  // as ProForma, carbamidomethyl cysteines written out
    int charge;
    const char* minutes;   // the MS2 scan's retention time
};

// BSA1_OMSSA.idXML's identifications with q-value 0.
const Identification IDENTIFIED[] = {
    {"SHC[Carbamidomethyl]IAEVEK", 3, "25.908"},       {"LC[Carbamidomethyl]VLHEK", 3, "30.004"},
    {"YIC[Carbamidomethyl]DNQDTISSK", 2, "30.069"},    {"LVTDLTK", 2, "32.223"},
    {"GAC[Carbamidomethyl]LLPK", 2, "33.515"},         {"AEFVEVTK", 2, "33.593"},
    {"GAC[Carbamidomethyl]LLPK", 2, "33.867"},         {"AEFVEVTK", 2, "33.983"},
    {"EAC[Carbamidomethyl]FAVEGPK", 2, "34.970"},      {"YLYEIAR", 2, "38.692"},
    {"YLYEIAR", 2, "39.285"},                          {"YLYEIAR", 2, "39.980"},
    {"HLVDEPQNLIK", 3, "41.467"},                      {"LKPDPNTLC[Carbamidomethyl]DEFK", 3, "41.594"},
};

std::vector<std::vector<std::string>> Rows(const std::string& tsv)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(tsv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        rows.push_back(fields);
    }
    return rows;
}

// Columns of a candidate's row.
enum { CHARGE = 2, SCORE = 3, COSINE = 4, MONO_PPM = 7, FOUND = 9, RUNNER_UP = 11 };

TEST(MatchMeasured, DocumentedPeptidesOfABsaDigestAreFoundAtTheirCharge)
{
    if (!std::ifstream(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    for (const Identification& id : IDENTIFIED) {
        const std::string seq = id.sequence, z = std::to_string(id.charge);
        // The same peptide with its C-terminal K and R swapped, 28 u heavier or lighter.
        const std::string decoy = seq.substr(0, seq.size() - 1) + (seq.back() == 'K' ? "R" : "K");
        const RunResult r = RunProgram(MORVANE_MATCH_EXE,
                                       {BSA1, seq + " z=1..4", seq + " z=" + z, decoy + " z=" + z, "--sequences",
                                        "--resolution", "60000@400", "--rt", id.minutes},
                                       RunInput{});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto rows = Rows(r.out);
        ASSERT_EQ(rows.size(), 3u) << r.out;
        SCOPED_TRACE(seq + "/" + z + " at " + id.minutes + " min");
        // Both charges of two peptides elute together: the documented one
        // is then the runner-up.
        EXPECT_TRUE(rows[0][CHARGE] == z || rows[0][RUNNER_UP] == z) << r.out;
        EXPECT_GE(std::stod(rows[1][COSINE]), 0.95) << r.out;
        EXPECT_LE(std::fabs(std::stod(rows[1][MONO_PPM])), 3.0) << r.out;
        EXPECT_GE(std::stoi(rows[1][FOUND]), 3) << r.out;
        EXPECT_LT(std::stod(rows[2][SCORE]), 0.01) << r.out;
    }
}

}  // namespace

namespace {

// YLYEIAR, identified at charge 2 at 38.692, 39.285 and 39.980 min, looked
// for in every scan from 38.5 to 40.5 min beside its K-ended decoy.
std::vector<std::string> EachScanArgs(std::vector<std::string> more)
{
    std::vector<std::string> args = {BSA1, "YLYEIAR z=1..4", "YLYEIAK z=2", "--sequences", "--resolution", "60000@400"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The scan columns in front of a row.
enum { SCAN = 0, NATIVE_ID = 1, RT = 2, SCANNED = 3 };

}  // namespace

TEST(MatchMeasured, EachScanOfARangeFindsTheDocumentedPeptideWhereItElutes)
{
    if (!std::ifstream(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    const RunResult r = RunProgram(MORVANE_MATCH_EXE, EachScanArgs({"--rt-range", "38.5..40.5", "--each-scan"}), RunInput{});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "scan\tnative_id\trt\tcandidate\tion\tcharge\tscore\tcosine\twasserstein\texplained\tmono_ppm\trms_ppm\t"
              "found\texpected\trunner_up_charge\trunner_up_score");
    const auto rows = Rows(r.out);
    ASSERT_GE(rows.size(), 40u);
    ASSERT_EQ(rows.size() % 2, 0u);
    double best = 0, bestRt = 0;
    std::size_t bestRow = 0;
    for (std::size_t i = 0; i < rows.size(); i += 2) {
        // Both candidates in each scan, the scans one after another.
        EXPECT_EQ(rows[i][SCANNED], "YLYEIAR z=1..4");
        EXPECT_EQ(rows[i + 1][SCANNED], "YLYEIAK z=2");
        EXPECT_EQ(rows[i][SCAN], rows[i + 1][SCAN]);
        if (i > 0) {
            EXPECT_EQ(std::stoi(rows[i][SCAN]), std::stoi(rows[i - 2][SCAN]) + 1);
        }
        const double rt = std::stod(rows[i][RT]);
        EXPECT_TRUE(rt >= 38.5 && rt <= 40.5) << rt;
        const double score = std::stod(rows[i][SCANNED + SCORE]);
        if (score > best) {
            best = score;
            bestRt = rt;
            bestRow = i;
        }
    }
    EXPECT_GE(best, 0.9);
    EXPECT_EQ(rows[bestRow][SCANNED + CHARGE], "2");
    EXPECT_TRUE(bestRt >= 38.6 && bestRt <= 40.1) << bestRt;
    EXPECT_LT(std::stod(rows[bestRow + 1][SCANNED + SCORE]), 0.01);
    // The scan's rows are what a match of that one scan gives.
    const std::vector<std::string>& row = rows[bestRow];
    const RunResult one = RunProgram(MORVANE_MATCH_EXE, EachScanArgs({"--native-id", row[NATIVE_ID]}), RunInput{});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto single = Rows(one.out);
    ASSERT_EQ(single.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(row.begin() + SCANNED, row.end()), single[0]);
    EXPECT_EQ(std::vector<std::string>(rows[bestRow + 1].begin() + SCANNED, rows[bestRow + 1].end()), single[1]);
}

TEST(MatchMeasured, EachScanPeaksAsCsvCarryTheScanColumns)
{
    if (!std::ifstream(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    const RunResult r =
        RunProgram(MORVANE_MATCH_EXE, EachScanArgs({"--each-scan", "--rt-range=39.2..39.4", "--peaks", "--csv"}), RunInput{});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "scan,native_id,rt,candidate,ion,charge,theoretical_mz,observed_mz,ppm,theoretical,observed,found");
    const std::string firstScan = lines[1].substr(0, lines[1].find(','));
    const RunResult one = RunProgram(MORVANE_MATCH_EXE, EachScanArgs({"--scan", firstScan, "--peaks", "--csv"}), RunInput{});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto single = Lines(one.out);
    // The native id holds blanks, no comma: unquoted.
    const std::string prefix = lines[1].substr(0, lines[1].find(",YLYEIAR") + 1);
    for (std::size_t i = 1; i < single.size(); ++i) EXPECT_EQ(lines[i], prefix + single[i]);
}

TEST(MatchMeasured, EachScanOfARunSpoiledMidwayEndsWithAnErrorAfterItsRows)
{
    if (!std::ifstream(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    // 2,000 bytes in the middle overwritten: MS1 scan 540 decodes to nonsense.
    std::string run = ReadFile(BSA1);
    run.replace(run.size() / 2, 2000, std::string(2000, 'x'));
    TempFile spoiled(run, "spoiled.mzML");
    std::vector<std::string> args = EachScanArgs({"--each-scan"});
    args[0] = spoiled.path();
    const RunResult r = RunProgram(MORVANE_MATCH_EXE, args, RunInput{});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: " + spoiled.path() + ": MS1 scan 540 (spectrum=1550): peak 431: m/z must be a finite number above 0\n");
    const auto rows = Rows(r.out);
    ASSERT_EQ(rows.size(), 2u * 539);
    EXPECT_EQ(rows.back()[SCAN], "539");
}

TEST(MatchMeasured, EachScanProgressCountsScansOnATerminal)
{
    if (!std::ifstream(BSA1)) GTEST_SKIP() << BSA1 << " missing (Debian: openms-doc)";
    if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "script (util-linux) missing";
    // 100 peptides through the 564 scans: long enough (about a second) for
    // the progress line to be due; the rows go to a file.
    TempFile rows("", "rows.tsv");
    const std::string run = std::string(MORVANE_MATCH_EXE) + " " + BSA1 +
                            " -f tests/data/bsa_tryptic_peptides.txt --sequences --resolution 60000@400 --each-scan > " +
                            rows.path();
    const RunResult r = RunProgram("/bin/sh", {"-c", "script -qec '" + run + "' /dev/null"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 0) << r.out;
    const std::size_t progress = r.out.rfind(" scans, ");
    ASSERT_NE(progress, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" per second", progress), std::string::npos);
    EXPECT_EQ(Lines(ReadFile(rows.path())).size(), 1u + 564 * 100);
}
