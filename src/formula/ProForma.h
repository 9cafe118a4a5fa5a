#ifndef MORVANE_FORMULA_PROFORMA_H
#define MORVANE_FORMULA_PROFORMA_H

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "../elements/AtomIsoAbun.h"
#include "AtomCounts.h"
#include "MolComposition.h"

namespace morvane {

// Peptides in ProForma notation (HUPO-PSI): one-letter residues (the 20
// standard ones, U selenocysteine, O pyrrolysine) joined into a chain, water
// added for the termini. A modification follows its residue in brackets:
// by its Unimod name (Oxidation, Phospho, Carbamidomethyl, Label:13C(6), ...;
// the exact name, else ignoring case; also as U:Name) or accession
// (UNIMOD:35), from every Unimod modification with a composition (see
// Unimod.h); an unknown name is refused with the closest names; or by its
// formula (Formula:HPO3, Formula:H-2O-1, isotopes as [13C6]). Terminal
// modifications stand before a '-' at the start or after one at the end
// ([Acetyl]-PEPTIDE, PEPTIDE-[Amidated]); global fixed ones in front as
// <[Carbamidomethyl]@C>. A fixed modification goes on every residue of its
// letter, beside any written on that residue; but the same modification
// (the same composition) never goes twice on one residue: a residue that
// carries it written out (C[Carbamidomethyl]) does not get it again, and a
// fixed modification given twice (in front of the sequence and as an
// option) counts once. Written-out modifications all count as written
// (K[Methyl][Methyl] carries two). A suffix /z adds z protons and makes the ion of
// charge z. A mass shift ([+15.995]) gives no composition and is refused.

// A modification on every residue of one letter.
struct FixedMod {
    char residue = 0;
    AtomCounts delta;
};

// Reads "Carbamidomethyl@C" (a name or Formula: as in brackets, '@', one
// residue letter). Returns false with the reason.
bool ParseFixedMod(const std::string& word, const std::deque<AtomIsoAbun>& table, FixedMod& mod,
                   std::string& reason);

// Reads a ProForma sequence into `counts` (emptied first; elements of 0
// atoms left out) and `charge` (0 without a suffix), with `fixed` applied to
// their residues. Returns 0, or 2 with the reason and its position
// (counted from 1 in `text`).
int ReadSequence(std::string_view text, const std::deque<AtomIsoAbun>& table, const std::vector<FixedMod>& fixed,
                 AtomCounts& counts, int& charge, std::string& reason);

// The composition that MakeComposition gives for ReadSequence's counts,
// made straight from the residues when the sequence has no modification
// (the common case, and a map the less per peptide). Returns 0, or 2 with
// the reason.
int SequenceComposition(std::string_view text, const std::deque<AtomIsoAbun>& table,
                        const std::vector<FixedMod>& fixed, const Enrichment* enrichment, MolComposition& comp,
                        int& charge, std::string& reason);

}  // namespace morvane

#endif
