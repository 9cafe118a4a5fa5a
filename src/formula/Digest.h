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

// The peptides of `protein` (one-letter residues) that trypsin gives: it
// cleaves after K or R, not before P. Every peptide of 0 to
// missedCleavages missed sites whose length lies in the settings' range,
// in order of start, then of end. The cost is that of the output.
std::vector<Peptide> DigestTrypsin(const std::string& protein, const DigestSettings& s);

}  // namespace morvane

#endif
