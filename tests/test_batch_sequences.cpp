// morvane-batch on peptides and proteins, run as a user runs it: sequences
// give the rows of their formulas written out; a FASTA file is digested
// into the peptides derived by hand below; option errors end the run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "formula/Digest.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace {

RunResult RunBatch(const std::vector<std::string>& args)
{
    return RunProgram(MORVANE_BATCH_EXE, args, MORVANE_SOURCE_DIR);
}

// The rows of a batch table without the header, each without its first
// `labels` columns.
std::vector<std::string> Numbers(const std::string& out, int labels)
{
    std::vector<std::string> rows;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::size_t at = 0;
        for (int i = 0; i < labels; ++i) at = line.find('\t', at) + 1;
        rows.push_back(line.substr(at));
    }
    return rows;
}

// Human insulin B chain, UniProt P01308 residues 25-54, and substance P,
// UniProt P20366 residues 58-68.
const char* const INSULIN_B = "FVNQHLCGSHLVEALYLVCGERGFFYTPKT";
const char* const SUBSTANCE_P = "RPKPQQFFGLM";

std::vector<std::string> Digest(const std::string& protein, int missed, std::size_t lo, std::size_t hi,
                                const std::string& enzyme = "trypsin")
{
    std::vector<std::string> found;
    const DigestSettings settings{missed, lo, hi, FindEnzyme(enzyme)};
    PeptideCutter cutter;
    cutter.Start(protein, &settings);
    Peptide p;
    while (cutter.Next(p)) found.push_back(p.sequence + " " + std::to_string(p.start) + "-" + std::to_string(p.end));
    return found;
}

// By hand: insulin B has sites after R22 (before G) and K29 (before T); the
// pieces are 1-22, 23-29, 30-30. Substance P's R1 and K3 stand before P:
// no site, one piece.
TEST(Digest, TrypsinCutsAfterKOrRNotBeforeP)
{
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100),
              (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGER 1-22", "GFFYTPK 23-29", "T 30-30"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 7, 40), (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGER 1-22", "GFFYTPK 23-29"}));
    EXPECT_EQ(Digest(INSULIN_B, 1, 7, 40),
              (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGER 1-22", "FVNQHLCGSHLVEALYLVCGERGFFYTPK 1-29",
                                        "GFFYTPK 23-29", "GFFYTPKT 23-30"}));
    EXPECT_EQ(Digest(INSULIN_B, 2, 1, 100).size(), 6u);  // 3 + 2 + 1
    EXPECT_EQ(Digest(SUBSTANCE_P, 0, 1, 100), (std::vector<std::string>{"RPKPQQFFGLM 1-11"}));
    EXPECT_EQ(Digest("KRK", 0, 1, 100), (std::vector<std::string>{"K 1-1", "R 2-2", "K 3-3"}));
    EXPECT_TRUE(Digest("", 0, 1, 100).empty());
}

// A stop ends a chain: no peptide spans it, and the residues after it are
// cut on their own, their positions counting the stop.
TEST(Digest, AStopEndsTheChain)
{
    EXPECT_EQ(Digest("AAK*GGR", 0, 1, 100), (std::vector<std::string>{"AAK 1-3", "GGR 5-7"}));
    EXPECT_EQ(Digest("AAK*GGR", 3, 1, 100), (std::vector<std::string>{"AAK 1-3", "GGR 5-7"}));
    EXPECT_EQ(Digest("AAPG*GGRA*", 1, 1, 100), (std::vector<std::string>{"AAPG 1-4", "GGR 6-8", "GGRA 6-9", "A 9-9"}));
    EXPECT_EQ(Digest("**", 0, 1, 100), (std::vector<std::string>{}));
}

// By hand, insulin B (numbered above) and substance P (R1 P2 K3 P4 Q5 Q6 F7
// F8 G9 L10 M11) under each enzyme. Trypsin/P also cuts before P; Lys-C
// and Arg-C spare K3 and R1 of substance P, which stand before P.
TEST(Digest, EachEnzymeCutsWhereItsRuleSays)
{
    EXPECT_EQ(Digest(SUBSTANCE_P, 0, 1, 100, "trypsin/P"),
              (std::vector<std::string>{"R 1-1", "PK 2-3", "PQQFFGLM 4-11"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100, "Lys-C"),
              (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGERGFFYTPK 1-29", "T 30-30"}));
    EXPECT_EQ(Digest(SUBSTANCE_P, 0, 1, 100, "Lys-C"), (std::vector<std::string>{"RPKPQQFFGLM 1-11"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100, "Lys-N"),
              (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGERGFFYTP 1-28", "KT 29-30"}));
    EXPECT_EQ(Digest(SUBSTANCE_P, 0, 1, 100, "Lys-N"), (std::vector<std::string>{"RP 1-2", "KPQQFFGLM 3-11"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100, "Arg-C"),
              (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGER 1-22", "GFFYTPKT 23-30"}));
    EXPECT_EQ(Digest(SUBSTANCE_P, 0, 1, 100, "Arg-C"), (std::vector<std::string>{"RPKPQQFFGLM 1-11"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100, "Asp-N"), (std::vector<std::string>{"FVNQHLCGSHLVEALYLVCGERGFFYTPKT 1-30"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100, "Glu-C"),
              (std::vector<std::string>{"FVNQHLCGSHLVE 1-13", "ALYLVCGE 14-21", "RGFFYTPKT 22-30"}));
    EXPECT_EQ(Digest(INSULIN_B, 0, 1, 100, "chymotrypsin"),
              (std::vector<std::string>{"F 1-1", "VNQHLCGSHLVEALY 2-16", "LVCGERGF 17-24", "F 25-25", "Y 26-26",
                                        "TPKT 27-30"}));
    EXPECT_EQ(Digest(SUBSTANCE_P, 0, 1, 100, "chymotrypsin"),
              (std::vector<std::string>{"RPKPQQF 1-7", "F 8-8", "GLM 9-11"}));
}

// Cuts before a residue never fall before the first one of a chain; E
// before P and W before P are spared, W before M is cut.
TEST(Digest, CutsBeforeAResidueAndNeighboursThatBlock)
{
    EXPECT_EQ(Digest("DAEPDKEG", 0, 1, 100, "Asp-N"), (std::vector<std::string>{"DAEP 1-4", "DKEG 5-8"}));
    EXPECT_EQ(Digest("DAEPDKEG", 0, 1, 100, "Lys-N"), (std::vector<std::string>{"DAEPD 1-5", "KEG 6-8"}));
    EXPECT_EQ(Digest("DAEPDKEG", 0, 1, 100, "Glu-C"), (std::vector<std::string>{"DAEPDKE 1-7", "G 8-8"}));
    EXPECT_EQ(Digest("KAKK", 0, 1, 100, "Lys-N"), (std::vector<std::string>{"KA 1-2", "K 3-3", "K 4-4"}));
    EXPECT_EQ(Digest("AWPGWMK", 0, 1, 100, "chymotrypsin"), (std::vector<std::string>{"AWPGW 1-5", "MK 6-7"}));
    EXPECT_EQ(Digest("GGK*KGG", 0, 1, 100, "Lys-N"), (std::vector<std::string>{"GG 1-2", "K 3-3", "KGG 5-7"}));
}

// Insulin B under Glu-C has the pieces 1-13, 14-21 and 22-30.
TEST(Digest, MissedCleavagesJoinPiecesOfAnyEnzyme)
{
    EXPECT_EQ(Digest(INSULIN_B, 1, 1, 100, "Glu-C"),
              (std::vector<std::string>{"FVNQHLCGSHLVE 1-13", "FVNQHLCGSHLVEALYLVCGE 1-21", "ALYLVCGE 14-21",
                                        "ALYLVCGERGFFYTPKT 14-30", "RGFFYTPKT 22-30"}));
    EXPECT_EQ(Digest(INSULIN_B, 2, 1, 100, "Glu-C").size(), 6u);
    EXPECT_EQ(Digest(INSULIN_B, 1, 9, 20, "Glu-C"),
              (std::vector<std::string>{"FVNQHLCGSHLVE 1-13", "ALYLVCGERGFFYTPKT 14-30", "RGFFYTPKT 22-30"}));
    EXPECT_EQ(Digest(SUBSTANCE_P, 1, 1, 100, "Lys-N"),
              (std::vector<std::string>{"RP 1-2", "RPKPQQFFGLM 1-11", "KPQQFFGLM 3-11"}));
}

TEST(Digest, EnzymeNamesAreReadInAnyCase)
{
    EXPECT_EQ(FindEnzyme("trypsin"), &ENZYMES[0]);
    EXPECT_EQ(FindEnzyme("TRYPSIN"), &ENZYMES[0]);
    ASSERT_NE(FindEnzyme("Trypsin/P"), nullptr);
    EXPECT_STREQ(FindEnzyme("Trypsin/P")->name, "trypsin/P");
    EXPECT_EQ(FindEnzyme("lys-c"), FindEnzyme("Lys-C"));
    EXPECT_EQ(FindEnzyme("GLU-C"), FindEnzyme("Glu-C"));
    EXPECT_EQ(FindEnzyme("ChymoTrypsin"), FindEnzyme("chymotrypsin"));
    for (const Enzyme& e : ENZYMES) EXPECT_EQ(FindEnzyme(e.name), &e);
    for (const char* name : {"", "lys", "lys-c ", "trypsin/", "trypsinP", "pepsin"})
        EXPECT_EQ(FindEnzyme(name), nullptr) << name;
    EXPECT_EQ(EnzymeNames(), "trypsin, trypsin/P, Lys-C, Lys-N, Arg-C, Asp-N, Glu-C, chymotrypsin");
}

// The enzyme on the command line, named in any case.
TEST(BatchSequences, FastaIsDigestedByTheEnzymeNamed)
{
    TempFile fasta(std::string(">sub Substance P\n") + SUBSTANCE_P + "\n", "substance.fasta");
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"Trypsin/P", {"sub\t1\t1\tR", "sub\t2\t3\tPK", "sub\t4\t11\tPQQFFGLM"}},
        {"lys-n", {"sub\t1\t2\tRP", "sub\t3\t11\tKPQQFFGLM"}},
        {"LYS-C", {"sub\t1\t11\tRPKPQQFFGLM"}},
    };
    for (const auto& [enzyme, expected] : cases) {
        const RunResult r =
            RunBatch({"--fasta", "--digest", enzyme, "--length", "1-40", "-i", fasta.path(), "-t", "0.9"});
        EXPECT_EQ(r.status, 0) << enzyme << ": " << r.err;
        std::vector<std::string> labels;
        std::istringstream rows(r.out);
        std::string row;
        std::getline(rows, row);
        while (std::getline(rows, row)) labels.push_back(row.substr(0, row.find("\t\t")));
        EXPECT_EQ(labels, expected) << enzyme;
    }
}

// What FASTA files hold beyond plain capitals: a byte-order mark, soft-masked
// residues, stops inside a record, ambiguous residues. Nothing is lost
// without a word.
TEST(BatchSequences, FastaRecordsAsTheyComeAreReadWhole)
{
    TempFile fasta("\xEF\xBB\xBF>first\nPEPTIDEK\n>masked\npeptidek\n>stopped\nPEPTIDEK*GGGGGGGR\n"
                   ">ambiguous\nPEPTXDEKAPEPTIDER\n",
                   "proteins.fasta");
    const RunResult r = RunBatch({"--fasta", "--digest", "trypsin", "-i", fasta.path(), "-t", "0.9"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "5 formulas succeeded, 0 failed, 1 peptides with ambiguous residues (B, J, X, Z) skipped\n");
    std::vector<std::string> labels;
    std::istringstream rows(r.out);
    std::string row;
    while (std::getline(rows, row)) labels.push_back(row.substr(0, row.find("\t\t")));
    EXPECT_EQ(labels, (std::vector<std::string>{"protein\tstart\tend\tsequence\tadduct\tcharge\tpeak\tmass\tabundance",
                                                "first\t1\t8\tPEPTIDEK", "masked\t1\t8\tPEPTIDEK",
                                                "stopped\t1\t8\tPEPTIDEK", "stopped\t10\t17\tGGGGGGGR",
                                                "ambiguous\t9\t17\tAPEPTIDER"}));

    TempFile whole(">x\nACDXK\n>y\nACDEK\n", "whole.fasta");
    const RunResult w = RunBatch({"--fasta", "-i", whole.path(), "-t", "0.9"});
    EXPECT_EQ(w.status, 0);
    EXPECT_EQ(w.err, "1 formulas succeeded, 0 failed, 1 peptides with ambiguous residues (B, J, X, Z) skipped\n");
}

// Under --fasta an input without a record is no protein input at all.
TEST(BatchSequences, FastaInputWithoutARecordFails)
{
    TempFile plain("PEPTIDEK\nC6H6\n", "plain.txt");
    TempFile out("kept\n", "out.tsv");
    const RunResult r = RunBatch({"--fasta", "-i", plain.path(), "-o", out.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: input file " + plain.path() + " holds no FASTA record (a header line starting with >)\n");
    EXPECT_EQ(ReadFile(out.path()), "kept\n");
    const RunResult empty = RunBatch({"--fasta"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "Error: standard input holds no FASTA record (a header line starting with >)\n");
    EXPECT_EQ(empty.out, "protein\tstart\tend\tsequence\tadduct\tcharge\tpeak\tmass\tabundance\n");
}

// A record's peptides are cut as they are asked for, never all held: here
// 7070 peptides of 1 to 101 kB (275 MB at once) pass under a 200 MB cap.
// Each starts with a byte no residue has, so it fails at once.
TEST(BatchSequences, ARecordsPeptidesAreNotHeldAtOnce)
{
#ifdef MORVANE_SANITIZE
    GTEST_SKIP() << "the sanitizers need an unbounded address space";
#endif
    std::string record = ">big\n";
    for (int i = 0; i < 120; ++i) record += "1" + std::string(998, 'G') + "K\n";
    TempFile fasta(record, "big.fasta");
    const RunResult r = RunProgram(MORVANE_BATCH_EXE,
                                   {"--fasta", "--digest", "trypsin", "--missed-cleavages", "100", "--length",
                                    "1-200000", "-i", fasta.path(), "-j", "1"},
                                   MORVANE_SOURCE_DIR, 200ull << 20);
    EXPECT_EQ(r.status, 2);
    const std::size_t last = r.err.rfind('\n', r.err.size() - 2);
    EXPECT_EQ(r.err.substr(last + 1), "0 formulas succeeded, 7070 failed\n");
    EXPECT_EQ(r.err.substr(0, r.err.find(": ")), "protein big 1-1000");
}

TEST(BatchSequences, FastaPeptidesGiveTheRowsOfTheirFormulas)
{
    TempFile fasta(std::string(">sp|P01308|INS_HUMAN Insulin B chain\n") + "FVNQHLCGSHLVEALYL\nVCGERGFFYTPKT*\n" +
                       ">sp|P20366|TAC1_HUMAN Substance P\n" + SUBSTANCE_P + "\n",
                   "proteins.fasta");
    const RunResult r = RunBatch({"--fasta", "--digest", "trypsin", "-i", fasta.path(), "-f", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "3 formulas succeeded, 0 failed\n");
    // The formulas by hand from the residues (water added).
    TempFile formulas("a\tC110H171N31O31S2\nb\tC44H58N8O10\nc\tC63H97N17O14S\n", "formulas.txt");
    const RunResult f = RunBatch({"-i", formulas.path(), "-f", "1"});
    ASSERT_EQ(f.status, 0) << f.err;
    EXPECT_EQ(Numbers(r.out, 6), Numbers(f.out, 4));
    std::istringstream rows(r.out);
    std::string header, first;
    std::getline(rows, header);
    std::getline(rows, first);
    EXPECT_EQ(header, "protein\tstart\tend\tsequence\tadduct\tcharge\tpeak\tmass\tabundance");
    EXPECT_EQ(first.substr(0, first.find("\t\t")), "sp|P01308|INS_HUMAN\t1\t22\tFVNQHLCGSHLVEALYLVCGER");
}

TEST(BatchSequences, SequencesEnrichmentAndFixedModsAsOptions)
{
    TempFile input("ac\tACDCK\nbad\tPEPT[+79.966]IDE\n", "in.txt");
    const RunResult r = RunBatch({"--sequences", "--fixed", "Carbamidomethyl@C", "-i", input.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "line 2: PEPT[+79.966]IDE: the mass shift +79.966 at position 6 gives no composition, so no "
                     "isotope pattern: name the modification or give its Formula:\n1 formulas succeeded, 1 failed\n");
    TempFile written("ac\tAC[Carbamidomethyl]DC[Carbamidomethyl]K\n", "written.txt");
    const RunResult w = RunBatch({"--sequences", "-i", written.path()});
    EXPECT_EQ(Numbers(r.out, 4), Numbers(w.out, 4));

    TempFile glucose("[13C]6H12O6\n", "glc.txt");
    TempFile table(ReadFile(ShippedTable()) + "C* 6\n13.0033548378 0.99\n12.0 0.01\n");
    TempFile handMade("C*6H12O6\n", "hand.txt");
    const RunResult e = RunBatch({"--enrichment", "13C=0.99", "-i", glucose.path(), "-p", "10"});
    const RunResult h = RunBatch({table.path(), "-i", handMade.path(), "-p", "10"});
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(Numbers(e.out, 4), Numbers(h.out, 4));
}

// --fixed and <[...]@C> do not stack on the same modification written on
// the residue: one carbamidomethyl, 959.3906 Da.
TEST(BatchSequences, AFixedModificationGoesOnceOnAResidue)
{
    TempFile input("C[Carbamidomethyl]PEPTIDE\n<[Carbamidomethyl]@C>C[Carbamidomethyl]PEPTIDE\n", "in.txt");
    const RunResult r =
        RunBatch({"--sequences", "--fixed", "Carbamidomethyl@C", "-i", input.path(), "-t", "0.5", "-p", "8"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n"
                     "\tC[Carbamidomethyl]PEPTIDE\t\t0\t1\t959.39061\t0.57514345\n"
                     "\t<[Carbamidomethyl]@C>C[Carbamidomethyl]PEPTIDE\t\t0\t1\t959.39061\t0.57514345\n");
}

// An enrichment of a label a formula lacks would change nothing: that line
// fails with the reason, the others keep their rows.
TEST(BatchSequences, AnEnrichmentOfALabelTheMoleculeLacksIsRefused)
{
    TempFile input("glc\t[13C]6H12O6\nplain\tC6H12O6\nwater\tH2[18O]\n", "in.txt");
    const RunResult r = RunBatch({"--enrichment", "13C=0.5", "-i", input.path(), "-f", "50"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "line 2: C6H12O6: enrichment of [13C]: the formula holds no [13C] label\n"
                     "line 3: H2[18O]: enrichment of [13C]: the formula holds no [13C] label\n"
                     "1 formulas succeeded, 2 failed\n");
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n");
    EXPECT_NE(r.out.find("glc\t[13C]6H12O6"), std::string::npos);
    EXPECT_EQ(r.out.find("plain"), std::string::npos);

    TempFile peptide("PEPTIDE\n", "pep.txt");
    const RunResult s = RunBatch({"--sequences", "--enrichment", "15N=0.9", "-i", peptide.path()});
    EXPECT_EQ(s.status, 2);
    EXPECT_EQ(s.err, "line 1: PEPTIDE: enrichment of [15N]: the sequence holds no [15N] label\n"
                     "0 formulas succeeded, 1 failed\n");
}

TEST(BatchSequences, OptionErrorsEndTheRun)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--digest", "trypsin"}, "Error: --digest needs --fasta input\n"},
        {{"--fasta", "--digest", "pepsin"},
         "Error: unknown enzyme pepsin; the enzymes are trypsin, trypsin/P, Lys-C, Lys-N, Arg-C, Asp-N, Glu-C, "
         "chymotrypsin\n"},
        {{"--fasta", "--digest", "lys"},
         "Error: unknown enzyme lys; the enzymes are trypsin, trypsin/P, Lys-C, Lys-N, Arg-C, Asp-N, Glu-C, "
         "chymotrypsin\n"},
        {{"--fasta", "--length", "7-40"}, "Error: --missed-cleavages and --length need --digest\n"},
        {{"--fasta", "--digest", "trypsin", "--length", "40-7"},
         "Error: length must be MIN-MAX, whole numbers with 1 <= MIN <= MAX, as 7-40\n"},
        {{"--fasta", "--digest", "trypsin", "--missed-cleavages", "-1"},
         "Error: missed cleavages must be an integer from 0 to 100\n"},
        {{"--enrichment", "13C"}, "Error: enrichment 13C: write the isotope and its fraction, as 13C=0.99\n"},
        {{"--enrichment", "15C=0.9"}, "Error: enrichment of [15C]: the table has no such isotope\n"},
        {{"--sequences", "--fixed", "Oxidation@Z"},
         "Error: fixed modification Oxidation@Z: write the modification, @ and one residue, as Carbamidomethyl@C\n"},
        {{"--fixed"}, "Error: fixed modification not specified\n"},
    };
    for (const auto& [args, message] : cases) {
        const RunResult r = RunBatch(args);
        EXPECT_EQ(r.status, 5) << args[0];
        EXPECT_EQ(r.err, message) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
    }
}

}  // namespace
