#!/usr/bin/env python3
"""Formulas for morvane-batch's benchmark, the same on every run (fixed seed).

    tools/make_batch_formulas.py peptides [N]   # tryptic peptides, default 100000
    tools/make_batch_formulas.py molecules [N]  # small molecules, default 10000

Writes "identifier<TAB>formula" lines on standard output.

Peptides: lengths 6 to 30, residues drawn with their frequencies in
UniProtKB/Swiss-Prot (release 2024_01 statistics, percent), every peptide
ending in K or R and holding no other K or R, as trypsin cuts. The
identifier is the sequence; the formula is the residues' sum plus one water.

Small molecules: drug- and metabolite-like compositions (C 1-60, N 0-6,
O 0-12, S 0-2, P 0-1, halogens now and then) with a hydrogen count that
keeps the degree of unsaturation between 0 and 15.
"""
import random
import sys

RESIDUE_PERCENT = {
    "A": 8.25, "R": 5.53, "N": 4.06, "D": 5.45, "C": 1.37, "Q": 3.93, "E": 6.75,
    "G": 7.07, "H": 2.27, "I": 5.96, "L": 9.66, "K": 5.84, "M": 2.42, "F": 3.86,
    "P": 4.70, "S": 6.56, "T": 5.34, "W": 1.08, "Y": 2.92, "V": 6.87,
}

# Residue compositions (amino acid less one water): C, H, N, O, S.
RESIDUE = {
    "G": (2, 3, 1, 1, 0), "A": (3, 5, 1, 1, 0), "S": (3, 5, 1, 2, 0), "P": (5, 7, 1, 1, 0),
    "V": (5, 9, 1, 1, 0), "T": (4, 7, 1, 2, 0), "C": (3, 5, 1, 1, 1), "L": (6, 11, 1, 1, 0),
    "I": (6, 11, 1, 1, 0), "N": (4, 6, 2, 2, 0), "D": (4, 5, 1, 3, 0), "Q": (5, 8, 2, 2, 0),
    "K": (6, 12, 2, 1, 0), "E": (5, 7, 1, 3, 0), "M": (5, 9, 1, 1, 1), "H": (6, 7, 3, 1, 0),
    "F": (9, 9, 1, 1, 0), "R": (6, 12, 4, 1, 0), "Y": (9, 9, 1, 2, 0), "W": (11, 10, 2, 1, 0),
}

SEED = 20261207


def formula(counts):
    """Hill-ordered formula text of (symbol, count) pairs, zero counts left out."""
    return "".join(s + (str(n) if n > 1 else "") for s, n in counts if n > 0)


def peptides(rng, n):
    inner = [r for r in RESIDUE_PERCENT if r not in "KR"]
    inner_weights = [RESIDUE_PERCENT[r] for r in inner]
    for _ in range(n):
        length = rng.randint(6, 30)
        seq = rng.choices(inner, inner_weights, k=length - 1)
        seq.append(rng.choices("KR", [RESIDUE_PERCENT["K"], RESIDUE_PERCENT["R"]])[0])
        c, h, nn, o, s = 0, 2, 0, 1, 0  # one water
        for r in seq:
            rc, rh, rn, ro, rs = RESIDUE[r]
            c, h, nn, o, s = c + rc, h + rh, nn + rn, o + ro, s + rs
        yield "".join(seq), formula([("C", c), ("H", h), ("N", nn), ("O", o), ("S", s)])


def molecules(rng, n):
    for i in range(n):
        c = rng.randint(1, 60)
        nn = rng.choice([0, 0, 0, 1, 1, 2, 2, 3, 4, 5, 6])
        o = rng.randint(0, min(12, c + 2))
        s = rng.choice([0] * 8 + [1, 2])
        p = rng.choice([0] * 12 + [1])
        hal = {"F": 0, "Cl": 0, "Br": 0, "I": 0}
        if rng.random() < 0.2:
            hal[rng.choice(["F", "F", "Cl", "Cl", "Br", "I"])] = rng.randint(1, 3)
        x = sum(hal.values())
        # Degree of unsaturation 0..15: H = 2C + 2 + N - X - 2*DBE.
        dbe = rng.randint(0, min(15, c))
        h = max(0, 2 * c + 2 + nn - x - 2 * dbe)
        yield "mol%05d" % (i + 1), formula([("C", c), ("H", h), ("Br", hal["Br"]), ("Cl", hal["Cl"]),
                                            ("F", hal["F"]), ("I", hal["I"]), ("N", nn), ("O", o),
                                            ("P", p), ("S", s)])


def main():
    kind = sys.argv[1] if len(sys.argv) > 1 else ""
    makers = {"peptides": (peptides, 100000), "molecules": (molecules, 10000)}
    if kind not in makers:
        sys.exit("usage: make_batch_formulas.py peptides|molecules [N]")
    make, default = makers[kind]
    n = int(sys.argv[2]) if len(sys.argv) > 2 else default
    rng = random.Random(SEED)
    out = sys.stdout
    for ident, text in make(rng, n):
        out.write(ident + "\t" + text + "\n")


if __name__ == "__main__":
    main()
