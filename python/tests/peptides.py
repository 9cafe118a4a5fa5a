"""Random peptides as formulas, for the tests and the benchmark."""

# Residue compositions (C, H, N, O, S) of the 20 amino acids: the free amino
# acid less one water.
RESIDUES = {
    "G": (2, 3, 1, 1, 0), "A": (3, 5, 1, 1, 0), "S": (3, 5, 1, 2, 0), "P": (5, 7, 1, 1, 0),
    "V": (5, 9, 1, 1, 0), "T": (4, 7, 1, 2, 0), "C": (3, 5, 1, 1, 1), "L": (6, 11, 1, 1, 0),
    "I": (6, 11, 1, 1, 0), "N": (4, 6, 2, 2, 0), "D": (4, 5, 1, 3, 0), "Q": (5, 8, 2, 2, 0),
    "K": (6, 12, 2, 1, 0), "E": (5, 7, 1, 3, 0), "M": (5, 9, 1, 1, 1), "H": (6, 7, 3, 1, 0),
    "F": (9, 9, 1, 1, 0), "R": (6, 12, 4, 1, 0), "Y": (9, 9, 1, 2, 0), "W": (11, 10, 2, 1, 0),
}
WATER = (0, 2, 0, 1, 0)


def peptide_formula(sequence):
    """The formula of the peptide with the given one-letter sequence."""
    counts = list(WATER)
    for residue in sequence:
        counts = [a + b for a, b in zip(counts, RESIDUES[residue])]
    return "".join(f"{symbol}{n}" for symbol, n in zip("CHNOS", counts) if n)


def peptide_formulas(n, rng, shortest=5, longest=40):
    """n formulas of random peptides of `shortest` to `longest` residues, drawn with `rng`."""
    letters = "".join(RESIDUES)
    return [peptide_formula(rng.choices(letters, k=rng.randint(shortest, longest))) for _ in range(n)]
