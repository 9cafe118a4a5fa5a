#ifndef MORVANE_FORMULA_DIGEST_H
#define MORVANE_FORMULA_DIGEST_H

#include <cstddef>
#include <string>
#include <vector>

namespace morvane {

// One peptide of a protein: its residues and where they stand, counted
// from 1, both ends included.
struct Peptide {
    std::string sequence;
    std::size_t start = 0;
    std::size_t end = 0;
};

// Where an enzyme cuts: after (or before) each of `residues`, unless the
// residue on the other side of the bond is one of `blockers`.
struct Enzyme {
    const char* name;
    const char* residues;
    bool before;
    const char* blockers;
};

// The enzymes, with the simple rules most search engines use rather than
// ExPASy PeptideCutter's finer ones. Trypsin spares K and R before P;
// trypsin/P does not. Glu-C is the V8-E form (ammonium bicarbonate or
// acetate buffer), which cuts after E only; it spares E before P, which
// PeptideCutter does not. Chymotrypsin is the strict form, after F, Y or W
// (not L or M) but not before P; PeptideCutter also spares W before M.
inline constexpr Enzyme ENZYMES[] = {
    // name          residues  before  blockers
    {"trypsin",      "KR",     false,  "P"},
    {"trypsin/P",    "KR",     false,  ""},
    {"Lys-C",        "K",      false,  "P"},
    {"Lys-N",        "K",      true,   ""},
    {"Arg-C",        "R",      false,  "P"},
    {"Asp-N",        "D",      true,   ""},
    {"Glu-C",        "E",      false,  "P"},
    {"chymotrypsin", "FYW",    false,  "P"},
};

// The enzyme of that name, in any case; null for none.
const Enzyme* FindEnzyme(const std::string& name);
// The enzymes' names, comma-separated, for messages.
std::string EnzymeNames();

// Which peptides of a digest to keep.
struct DigestSettings {
    int missedCleavages = 0;  // cleavage sites a peptide may span
    std::size_t minLength = 7;
    std::size_t maxLength = 40;
    const Enzyme* enzyme = &ENZYMES[0];
};

// True when `enzyme` cuts the bond between protein[i] and protein[i + 1],
// both residues of one chain.
bool CleavageSite(const Enzyme& enzyme, const std::string& protein, std::size_t i);

// The peptides of a protein (one-letter residues), one at a time. A stop
// ('*') ends a chain: no peptide spans it, and the residues after it form
// a chain of their own (positions still count the stop). Digested, the
// peptides are those of the settings' enzyme: every peptide of 0 to
// missedCleavages missed sites whose length lies in the settings' range, in
// order of start, then of end. Undigested, each chain is one peptide. Holds the pieces' bounds, no peptide in advance.
class PeptideCutter {
public:
    // Starts on `protein`, which must outlive the cutting; `digest` null
    // keeps the chains whole.
    void Start(const std::string& protein, const DigestSettings* digest);
    // The next peptide; false when there is none left.
    bool Next(Peptide& peptide);

private:
    struct Piece {
        std::size_t start, end;  // [start, end) in the protein
        std::size_t chain;
    };
    const std::string* protein_ = nullptr;
    DigestSettings settings_;
    std::vector<Piece> pieces_;
    std::size_t first_ = 0, last_ = 0;  // the pieces of the next peptide to try
};

}  // namespace morvane

#endif
