#include "formula/Digest.h"

#include <cstring>
#include <limits>

namespace morvane {

namespace {

// A residue of `set`; the terminating byte is none.
bool OneOf(const char* set, char residue) { return residue != '\0' && std::strchr(set, residue) != nullptr; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

const Enzyme* FindEnzyme(const std::string& name)
{
    for (const Enzyme& e : ENZYMES) {
        std::size_t i = 0;
        while (i < name.size() && e.name[i] != '\0' && Lower(name[i]) == Lower(e.name[i])) ++i;
        if (i == name.size() && e.name[i] == '\0') return &e;
    }
    return nullptr;
}

std::string EnzymeNames()
{
    std::string names;
    for (const Enzyme& e : ENZYMES) names += (names.empty() ? "" : ", ") + std::string(e.name);
    return names;
}

bool CleavageSite(const Enzyme& enzyme, const std::string& protein, std::size_t i)
{
    const char cut = enzyme.before ? protein[i + 1] : protein[i];
    const char other = enzyme.before ? protein[i] : protein[i + 1];
    return OneOf(enzyme.residues, cut) && !OneOf(enzyme.blockers, other);
}

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
        const bool site = !chainEnd && digest != nullptr && CleavageSite(*digest->enzyme, protein, i);
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
