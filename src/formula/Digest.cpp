#include "formula/Digest.h"

namespace morvane {

std::vector<Peptide> DigestTrypsin(const std::string& protein, const DigestSettings& s)
{
    // The ends of the pieces: after each cleavage site, and the protein's end.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < protein.size(); ++i) {
        const bool site = protein[i] == 'K' || protein[i] == 'R';
        if (i + 1 == protein.size() || (site && protein[i + 1] != 'P')) ends.push_back(i + 1);
    }
    std::vector<Peptide> peptides;
    std::size_t start = 0;
    for (std::size_t k = 0; k < ends.size(); ++k) {
        for (std::size_t m = k; m < ends.size() && m <= k + static_cast<std::size_t>(s.missedCleavages); ++m) {
            const std::size_t length = ends[m] - start;
            if (length > s.maxLength) break;
            if (length >= s.minLength) peptides.push_back({protein.substr(start, length), start + 1, ends[m]});
        }
        start = ends[k];
    }
    return peptides;
}

}  // namespace morvane
