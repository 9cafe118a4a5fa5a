// Peptides in ProForma notation: their formulas against values found
// independently (PubChem's molecular formulas of the named compounds, and
// Unimod's monoisotopic masses of the modifications), their patterns bit
// for bit those of the formulas written out, and every refusal with its
// position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/TableReader.h"
#include "formula/AtomCounts.h"
#include "formula/ProForma.h"
#include "support/RunMorvane.h"
#include "support/SamePeaks.h"

using namespace morvane;

namespace {

class ProForma : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LoadIsotopeTable(ShippedTable(), table, reason), 0); }

    std::deque<AtomIsoAbun> table;
    std::string reason;

    std::string Formula(const std::string& sequence, const std::vector<FixedMod>& fixed = {}, int* charge = nullptr)
    {
        AtomCounts counts;
        int z = 0;
        EXPECT_EQ(ReadSequence(sequence, table, fixed, counts, z, reason), 0) << sequence << ": " << reason;
        if (charge != nullptr) *charge = z;
        return CanonicalFormula(counts);
    }

    std::string Refusal(const std::string& sequence)
    {
        AtomCounts counts;
        int z = 0;
        EXPECT_EQ(ReadSequence(sequence, table, {}, counts, z, reason), 2) << sequence;
        return reason;
    }

    PatternResult Sequence(const std::string& text, const std::vector<FixedMod>* fixed = nullptr)
    {
        PatternSettings s;
        s.sequence = true;
        s.fixed = fixed;
        return CalculatePattern(table, text, s);
    }
};

// Molecular formulas as PubChem gives them for these compounds.
TEST_F(ProForma, PeptideFormulasAreThoseOfTheCompounds)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"VHLTPEEK", "C42H69N11O14"},                 // haemoglobin beta 1-8, tryptic
        {"DRVYIHPF", "C50H71N13O12"},                 // angiotensin II
        {"DRVYIHPFHL", "C62H89N17O14"},               // angiotensin I
        {"RPPGFSPFR", "C50H73N15O11"},                // bradykinin
        {"YGGFL", "C28H37N5O7"},                      // Leu-enkephalin
        {"YGGFM", "C27H35N5O7S"},                     // Met-enkephalin
        {"RPKPQQFFGLM-[Amidated]", "C63H98N18O13S"},  // substance P, amidated C-terminus
        {"[Acetyl]-SDKP", "C20H33N5O9"},              // goralatide (N-acetyl-Ser-Asp-Lys-Pro)
        {"S[Phospho]", "C3H8NO6P"},                   // O-phospho-L-serine
        {"M[Oxidation]", "C5H11NO3S"},                // methionine sulfoxide
        {"C[Carbamidomethyl]", "C5H10N2O3S"},         // S-carbamoylmethyl-L-cysteine
        {"U", "C3H7NO2Se"},                           // selenocysteine
        {"O", "C12H21N3O3"},                          // pyrrolysine
        {"K[Methyl]", "C7H16N2O2"},                   // N6-methyl-L-lysine
        {"K[Trimethyl]", "C9H20N2O2"},                // N6,N6,N6-trimethyl-L-lysine (as the cation less H+)
        {"N[Deamidated]", "C4H7NO4"},                 // asparagine deamidated: aspartic acid
        {"K[Label:13C(6)15N(2)]", "[13C]6H14[15N]2O2"},  // SILAC heavy lysine
        {"R[Label:13C(6)15N(4)]", "[13C]6H14[15N]4O2"},  // SILAC heavy arginine
        {"K[UNIMOD:188]", "[13C]6H14N2O2"},
        {"G[Formula:C2H2O]", "C4H7NO3"},              // N-acetylglycine, through Formula:
        {"G[U:Acetyl|INFO:on the N-terminus]", "C4H7NO3"},
    };
    for (const auto& [sequence, formula] : cases) EXPECT_EQ(Formula(sequence), formula) << sequence;
}

// Unimod's monoisotopic masses: TMT6plex 229.162932, iTRAQ4plex 144.102063;
// lysine 146.105528.
TEST_F(ProForma, IsobaricTagsHaveUnimodsMasses)
{
    EXPECT_EQ(Formula("K[TMT6plex]"), "C14[13C]4H34N3[15N]O4");
    const PatternResult tmt = Sequence("K[TMT6plex]");
    ASSERT_EQ(tmt.status, 0) << tmt.reason;
    EXPECT_NEAR(tmt.peaks[0].mass, 146.105528 + 229.162932, 2e-5);
    const PatternResult itraq = Sequence("K[iTRAQ4plex]");
    ASSERT_EQ(itraq.status, 0) << itraq.reason;
    EXPECT_NEAR(itraq.peaks[0].mass, 146.105528 + 144.102063, 2e-5);
}

TEST_F(ProForma, PatternsAreThoseOfTheFormulasWrittenOut)
{
    ExpectSamePeaks(Sequence("VHLTPEEK"), CalculatePattern(table, "C42H69N11O14", {}), "VHLTPEEK");
    ExpectSamePeaks(Sequence("K[Label:13C(6)15N(2)]"), CalculatePattern(table, "[13C]6H14[15N]2O2", {}),
                    "heavy lysine");
    // Two protons: the formula with two more H, charge 2, positions m/z.
    int charge = 0;
    EXPECT_EQ(Formula("VHLTPEEK/2", {}, &charge), "C42H71N11O14");
    EXPECT_EQ(charge, 2);
    PatternSettings ion;
    ion.charge = 2;
    ion.masstocharge = true;
    ExpectSamePeaks(Sequence("VHLTPEEK/2"), CalculatePattern(table, "C42H71N11O14", ion), "VHLTPEEK/2");
    PatternSettings twice;
    twice.sequence = true;
    twice.charge = 1;
    EXPECT_EQ(CalculatePattern(table, "VHLTPEEK/2", twice).reason,
              "the sequence's charge suffix and -z or -mtz both set the charge");
}

TEST_F(ProForma, FixedModificationsGoOnEveryResidueOfTheirLetter)
{
    FixedMod cam;
    ASSERT_TRUE(ParseFixedMod("Carbamidomethyl@C", table, cam, reason)) << reason;
    const std::vector<FixedMod> fixed = {cam};
    const std::string written = Formula("AC[Carbamidomethyl]DC[Carbamidomethyl]K");
    EXPECT_EQ(Formula("ACDCK", fixed), written);
    EXPECT_EQ(Formula("<[Carbamidomethyl]@C>ACDCK"), written);
    ExpectSamePeaks(Sequence("ACDCK", &fixed), Sequence("AC[Carbamidomethyl]DC[Carbamidomethyl]K"), "fixed");

    FixedMod bad;
    EXPECT_FALSE(ParseFixedMod("Carbamidomethyl", table, bad, reason));
    EXPECT_EQ(reason, "fixed modification Carbamidomethyl: write the modification, @ and one residue, as "
                      "Carbamidomethyl@C");
    EXPECT_FALSE(ParseFixedMod("Frobnicate@C", table, bad, reason));
    EXPECT_EQ(reason, "fixed modification Frobnicate@C: unknown modification 'Frobnicate' at position 1: no Unimod "
                      "name (closest: Bromobimane, Amidated, Deamidated); or give its Formula:");
}

// A fixed modification beside the same one written on a residue, or given
// both in front of the sequence and as an option, goes on once; a
// different one on that residue goes on beside it.
TEST_F(ProForma, TheSameModificationGoesOnceOnOneResidue)
{
    FixedMod cam, oxidation;
    ASSERT_TRUE(ParseFixedMod("Carbamidomethyl@C", table, cam, reason)) << reason;
    ASSERT_TRUE(ParseFixedMod("Formula:O@M", table, oxidation, reason)) << reason;
    const std::vector<FixedMod> fixed = {cam, cam};
    const std::string once = Formula("C[Carbamidomethyl]PEPTIDE");
    EXPECT_EQ(once, "C39H61N9O17S");
    EXPECT_EQ(Formula("C[Carbamidomethyl]PEPTIDE", {cam}), once);
    EXPECT_EQ(Formula("<[Carbamidomethyl]@C>C[Carbamidomethyl]PEPTIDE", fixed), once);
    EXPECT_EQ(Formula("<[Formula:C2H3NO]@C>C[U:Carbamidomethyl]PEPTIDE"), once);
    EXPECT_EQ(Formula("<[Carbamidomethyl]@C>CPEPTIDE", {cam}), once);
    EXPECT_EQ(Formula("CC[Carbamidomethyl]", {cam}), Formula("C[Carbamidomethyl]C[Carbamidomethyl]"));
    EXPECT_EQ(Formula("C[Oxidation]K", {cam}), Formula("C[Carbamidomethyl][Oxidation]K"));
    EXPECT_EQ(Formula("M[Oxidation]M", {oxidation}), Formula("M[Oxidation]M[Oxidation]"));
    EXPECT_EQ(Formula("K[Methyl][Methyl]"), Formula("K[Dimethyl]"));
    // 959.3906 Da monoisotopic, the mass of one carbamidomethyl.
    const PatternResult r = Sequence("C[Carbamidomethyl]PEPTIDE", &fixed);
    ASSERT_EQ(r.status, 0) << r.reason;
    ExpectSamePeaks(r, Sequence("C[Carbamidomethyl]PEPTIDE"), "once");
}

// The residues of a long sequence can pass int's range on their own; the
// count is refused, never cut to 32 bits.
TEST_F(ProForma, CountsBeyondIntAreRefused)
{
    // 113025456 pyrrolysines hold 19 H each: 2147483664 H, and water's 2.
    const std::string sequence = "[Formula:S]-" + std::string(113025456, 'O');
    AtomCounts counts;
    int z = 0;
    EXPECT_EQ(ReadSequence(sequence, table, {}, counts, z, reason), 2);
    EXPECT_EQ(reason, "more than 2147483647 atoms of H");
    MolComposition comp;
    EXPECT_EQ(SequenceComposition(sequence, table, {}, nullptr, comp, z, reason), 2);
    EXPECT_EQ(reason, "more than 2147483647 atoms of H");

    EXPECT_EQ(MakeComposition({{"C", 4}, {"H", 4294967306}}, table, nullptr, comp, reason), 2);
    EXPECT_EQ(reason, "4294967306 atoms of H: a count is 0 to 2147483647");
    EXPECT_EQ(MakeComposition({{"H", -1}}, table, nullptr, comp, reason), 2);
    EXPECT_EQ(reason, "-1 atoms of H: a count is 0 to 2147483647");
}

TEST_F(ProForma, RefusalsSayWhatAndWhere)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"PEPT[+79.966]IDE",
         "the mass shift +79.966 at position 6 gives no composition, so no isotope pattern: name the modification "
         "or give its Formula:"},
        {"PEPTIDEX", "the ambiguous residue X at position 8 has no formula"},
        {"PEPtide", "unknown residue 't' at position 4: residues are capitals"},
        {"PEM[Foo]K", "unknown modification 'Foo' at position 5: no Unimod name (closest: FAD, Iodo, FMN); or give its "
                      "Formula:"},
        {"PEM[U:Oxidatoin]K", "unknown modification 'U:Oxidatoin' at position 5: no Unimod name (closest: Oxidation, "
                              "Dioxidation, Amidated); or give its Formula:"},
        {"PEM[UNIMOD:0]K", "unknown modification 'UNIMOD:0' at position 5: no Unimod accession 0"},
        {"PEM[Oxidation", "unmatched [ at position 4"},
        {"[Acetyl]PEPTIDE", "a modification before the first residue must be N-terminal, followed by '-', at position 9"},
        {"PEPTIDE/2[+2Na+]", "charge carriers other than protons are not supported, at position 10"},
        {"PEPTIDE/0", "a charge of 0 makes no ion, at position 8"},
        {"PEPTIDE/", "a charge must follow / at position 8"},
        {"", "the sequence ends early, at position 1"},
        {"PEPTIDE-", "the sequence ends early, at position 9"},
        {"-PEPTIDE", "unexpected '-' at position 1"},
        {"<[Carbamidomethyl]@C>-PEPCTIDE", "unexpected '-' at position 22"},
        {"PEP TIDE", "unexpected byte 0x20 at position 4"},
        {"G[Formula:C-3]", "the modifications remove 1 more C than the peptide has"},
        {"G[Formula:Xx]", "unknown element symbol 'Xx' at position 11"},
        {"G[Formula:]", "empty formula of a modification at position 11: write symbols with counts, as Formula:HPO3, "
                        "H-2O-1 or [13C6]C-6"},
        {"G[Formula:H2(O)]", "malformed formula of a modification at position 13: write symbols with counts, as "
                             "Formula:HPO3, H-2O-1 or [13C6]C-6"},
        {"G[Formula:[15C]]", "the table has no isotope 15C at position 11"},
    };
    for (const auto& [sequence, why] : cases) EXPECT_EQ(Refusal(sequence), why) << sequence;
}

}  // namespace
