#include "formula/Digest.h"

#include <limits>

namespace morvane {

void PeptideCutter::Start(const std::string& protein, const DigestSettings* digest)
{
    protein_ = &protein;
    settings_ = digest != nullptr ? *digest : DigestSettings{0, 1, std::numeric_limits<std::size_t>::max()};
    pieces_.clear();
    first_ = last_ = 0;
    std::size_t start = 0, chain = 0;
    for (std::size_t i = 0; i < protein.size(); ++i) {
        if (protein[i] == '*') {
            if (i > start) pieces_.push_back({start, i, chain});
            start = i + 1;
            ++chain;
            continue;
        }
        const bool chainEnd = i + 1 == protein.size() || protein[i + 1] == '*';
        const bool site = digest != nullptr && (protein[i] == 'K' || protein[i] == 'R') && protein[i + 1] != 'P';
        if (chainEnd || site) {
            pieces_.push_back({start, i + 1, chain});
            start = i + 1;
        }
    }
}

bool PeptideCutter::Next(Peptide& peptide)
{
    const std::size_t missed = static_cast<std::size_t>(settings_.missedCleavages);
    while (first_ < pieces_.size()) {
        const Piece& a = pieces_[first_];
        if (last_ < pieces_.size() && pieces_[last_].chain == a.chain && last_ - first_ <= missed) {
            const Piece& b = pieces_[last_++];
            const std::size_t length = b.end - a.start;
            if (length <= settings_.maxLength) {
                if (length < settings_.minLength) continue;
                peptide.sequence.assign(*protein_, a.start, length);
                peptide.start = a.start + 1;
                peptide.end = b.end;
                return true;
            }
        }
        last_ = ++first_;
    }
    return false;
}

}  // namespace morvane
