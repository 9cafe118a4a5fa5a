#ifndef MORVANE_FRONTEND_MOLECULEOPTIONS_H
#define MORVANE_FRONTEND_MOLECULEOPTIONS_H

#include <deque>
#include <ostream>
#include <vector>

#include "calc/Pattern.h"
#include "elements/AtomIsoAbun.h"
#include "formula/AtomCounts.h"
#include "formula/ProForma.h"

namespace morvane {

// How a front-end reads its molecules: as formulas, or as ProForma
// sequences (the tool's switch word); --enrichment 13C=0.99 for the
// labels, and --fixed Carbamidomethyl@C for the sequences, each as often
// as needed.
struct MoleculeOptions {
    bool sequences = false;
    Enrichment enrichment;
    std::vector<const char*> fixedWords;
    std::vector<FixedMod> fixed;  // the specs read against the table
};

// Takes these options, with their values, out of `words`, leaving the
// others in order. Returns 0, or 5 after writing the message to `err`.
int TakeMoleculeOptions(std::vector<char*>& words, const char* sequenceWord, MoleculeOptions& m, std::ostream& err);

// Checks the enrichment and reads the fixed modifications against the
// table. Returns 0, or 5 after writing the message to `err`.
int ResolveMoleculeOptions(MoleculeOptions& m, const std::deque<AtomIsoAbun>& table, std::ostream& err);

// Points the settings at the options, which must outlive their use.
void ApplyMoleculeOptions(const MoleculeOptions& m, PatternSettings& s);

}  // namespace morvane

#endif
