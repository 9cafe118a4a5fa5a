"""The front-ends' formula language from Python: groups, hydrates, labels
with enrichment and ProForma sequences, each bit for bit the pattern of the
molecule written out."""

import pytest

import morvane

from conftest import TABLE_PATH


def same_peaks(a, b):
    return a.mass.tobytes() == b.mass.tobytes() and a.abundance.tobytes() == b.abundance.tobytes()


@pytest.mark.parametrize(
    "text, atoms, canonical",
    [
        ("CuSO4.5H2O", {"Cu": 1, "H": 10, "O": 9, "S": 1}, "CuH10O9S"),
        ("(CH3)3COH", {"C": 4, "H": 10, "O": 1}, "C4H10O"),
        ("C5[13C]H12O6", {"C": 5, "13C": 1, "H": 12, "O": 6}, "C5[13C]H12O6"),
        ("D2O", {"2H": 2, "O": 1}, "[2H]2O"),
        ("2H2O", {"H": 2, "O": 1}, "H2O"),  # morvane's reading: the leading number is ignored
    ],
)
def test_formula_of_gives_the_atoms_and_the_canonical_formula(table, text, atoms, canonical):
    assert morvane.formula_of(text, table) == (atoms, canonical)


@pytest.mark.parametrize(
    "text, message",
    [
        ("Fe0.95O", "count 0.95 at position 3 is not a whole number"),
        ("C1.5H3", "count 1.5 at position 2 is not a whole number"),
        ("Na0.33WO3", "count 0.33 at position 3 is not a whole number"),
    ],
)
def test_formula_of_refuses_decimal_counts(table, text, message):
    with pytest.raises(morvane.FormulaError, match=message):
        morvane.formula_of(text, table)


def test_formula_of_a_sequence_counts_its_protons(table):
    # VHLTPEEK is C42H69N11O14 (PubChem); /2 adds two protons.
    assert morvane.formula_of(sequence="VHLTPEEK", table=table)[1] == "C42H69N11O14"
    assert morvane.formula_of(sequence="VHLTPEEK/2", table=table)[1] == "C42H71N11O14"
    atoms, _ = morvane.formula_of(sequence="ACK", table=table, fixed=["Carbamidomethyl@C"])
    assert atoms == morvane.formula_of(sequence="AC[Carbamidomethyl]K", table=table)[0]


def test_every_unimod_modification_by_name_or_accession(table):
    # GG (UNIMOD:121, ubiquitin's remnant, C4H6N2O2) and TMTpro (UNIMOD:2016)
    # come from the Unimod table the library holds, as --fixed reads them.
    gg = morvane.formula_of(sequence="K[Formula:C4H6N2O2]", table=table)
    for text in ("K[GG]", "K[gg]", "K[UNIMOD:121]", "K[U:GG]"):
        assert morvane.formula_of(sequence=text, table=table) == gg
    assert morvane.formula_of(sequence="K", table=table, fixed=["UNIMOD:121@K"])[0] == gg[0]
    tmt = morvane.formula_of(sequence="K[TMTpro]", table=table)[0]
    assert (tmt["13C"], tmt["15N"]) == (7, 2)
    with pytest.raises(morvane.FormulaError, match=r"no Unimod name \(closest: Phospho, "):
        morvane.formula_of(sequence="S[Phosho]", table=table)


def test_sequence_pattern_is_that_of_its_formula_as_an_ion(table):
    p = morvane.pattern(sequence="PEM[Oxidation]K/2", table=table)
    _, formula = morvane.formula_of(sequence="PEM[Oxidation]K/2", table=table)
    q = morvane.pattern(formula, table, charge=2, mz=True)
    assert (p.charge, p.mz, p.formula) == (2, True, "PEM[Oxidation]K/2")
    assert same_peaks(p, q)
    many = morvane.patterns(["PEM[Oxidation]K/2", "PEPTIDE"], table, sequences=True)
    assert same_peaks(many[0], p) and (many[0].charge, many[0].mz) == (2, True)
    assert (many[1].charge, many[1].mz) == (0, False)
    # Seen at a resolution, the variants under the centroids are the ion's too.
    seen = morvane.patterns(["PEM[Oxidation]K/2"], table, sequences=True, resolution=60000)[0]
    assert (seen.variants.charge, seen.variants.mz) == (2, True)


def test_groups_and_labels_equal_the_written_out_formula(table, tmp_path):
    assert same_peaks(morvane.pattern("Fe2(SO4)3", table), morvane.pattern("Fe2S3O12", table))
    hand_made = tmp_path / "labelled.txt"
    hand_made.write_text(TABLE_PATH.read_text() + "C* 6\n13.0033548378 1\n")
    labelled = morvane.IsotopeTable(hand_made)
    assert same_peaks(morvane.pattern("[13C]6H12O6", table), morvane.pattern("C*6H12O6", labelled))


def test_enrichment_shares_the_rest_naturally(table, tmp_path):
    hand_made = tmp_path / "enriched.txt"
    hand_made.write_text(TABLE_PATH.read_text() + "C* 6\n13.0033548378 0.99\n12.0 0.01\n")
    mine = morvane.pattern("[13C]6H12O6", table, enrichment={"13C": 0.99})
    theirs = morvane.pattern("C*6H12O6", morvane.IsotopeTable(hand_made))
    assert len(mine) == len(theirs)
    assert mine.mass == pytest.approx(theirs.mass, rel=1e-12)
    assert mine.abundance == pytest.approx(theirs.abundance, rel=1e-12)


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"formula": "Ca(OH"}, morvane.FormulaError, "unmatched ( at position 3"),
        ({"sequence": "PEPT[+79.966]IDE"}, morvane.FormulaError, "the mass shift +79.966 at position 6"),
        ({"formula": "C6", "enrichment": {"15C": 0.5}}, ValueError, "the table has no such isotope"),
        ({"formula": "C6", "enrichment": {"C": 0.5}}, ValueError, "C is no isotope label"),
        ({"formula": "C6", "enrichment": {"13C": 0.5}}, morvane.FormulaError, "the formula holds no [13C] label"),
        ({"sequence": "ACK", "enrichment": {"15N": 0.5}}, morvane.FormulaError, "the sequence holds no [15N] label"),
        ({"formula": "C6", "fixed": ["Carbamidomethyl@C"]}, ValueError, "fixed modifications need sequences"),
        ({"sequence": "ACK", "fixed": ["Foo@C"]}, ValueError, "unknown modification 'Foo'"),
        ({"formula": "C6", "sequence": "ACK"}, TypeError, "either a formula or a sequence"),
    ],
)
def test_refusals_say_why(table, kwargs, error, message):
    with pytest.raises(error) as caught:
        morvane.pattern(table=table, **kwargs)
    assert message in str(caught.value)
