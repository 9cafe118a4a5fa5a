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

// Which peptides of a digest to keep.
struct DigestSettings {
    int missedCleavages = 0;  // cleavage sites a peptide may span
    std::size_t minLength = 7;
    std::size_t maxLength = 40;
};

// The peptides of a protein (one-letter residues), one at a time. A stop
// ('*') ends a chain: no peptide spans it, and the residues after it form
// a chain of their own (positions still count the stop). Digested, the
// peptides are those trypsin gives: it cleaves after K or R, not before P;
// every peptide of 0 to missedCleavages missed sites whose length lies in
// the settings' range, in order of start, then of end. Undigested, each
// chain is one peptide. Holds the pieces' bounds, no peptide in advance.
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
