#ifndef MORVANE_CORE_EDITDISTANCE_H
#define MORVANE_CORE_EDITDISTANCE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// Edit distances (insertions, deletions, substitutions) from one word to
// many others, letters compared as they are or, with `ignoreCase`, as ASCII
// lower case: the did-you-mean of unknown options and modification names.
// A word of up to 64 letters is measured bit-parallel (Myers' algorithm, in
// Hyyrö's form), one step per letter of the other word; a longer one by the
// table of the classic dynamic programme.
class WordDistance {
public:
    WordDistance(std::string_view word, bool ignoreCase);
    std::size_t To(std::string_view other) const;

private:
    unsigned char Fold(char c) const;
    std::size_t ByTable(std::string_view other) const;

    std::string word_;
    bool ignoreCase_;
    std::array<std::uint64_t, 256> positions_{};  // per letter, where it stands in the word
};

// The edit distance of two words, as WordDistance(a, ignoreCase).To(b).
std::size_t EditDistance(std::string_view a, std::string_view b, bool ignoreCase = false);

}  // namespace morvane

#endif
