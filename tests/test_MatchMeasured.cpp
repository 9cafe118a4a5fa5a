// morvane-match on a measured LC-MS run whose peptides are documented:
// OpenMS's example BSA1.mzML (Debian openms-doc 2.6.0, under
// /usr/share/doc/openms/examples/BSA/), a tryptic digest of bovine serum
// albumin on an LTQ Orbitrap XL (MS1 in the Orbitrap, centroided), with
// the OMSSA identifications of its MS2 scans beside it (BSA1_OMSSA.idXML:
// sequence, charge, retention time). Each identification with a q-value of
// 0 is looked for in the MS1 scan closest to its retention time.
#include <gtest/gtest.h>

#include <cmath>
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
