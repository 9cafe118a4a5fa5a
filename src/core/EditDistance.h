#ifndef MORVANE_CORE_EDITDISTANCE_H
#define MORVANE_CORE_EDITDISTANCE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// Edit distances (insertions, deletions, substitutions) from one word to
// many others, bytes compared as they are: the did-you-mean of unknown
// options and modification names (compared in lower case by the caller).
// A word of up to 64 letters is measured bit-parallel (Myers' algorithm, in
// Hyyrö's form), one step per letter of the other word; a longer one by the
// table of the classic dynamic programme.
class WordDistance {
public:
    explicit WordDistance(std::string_view word);
    std::size_t To(std::string_view other) const;

private:
    std::size_t ByTable(std::string_view other) const;

    std::string word_;
    std::array<std::uint64_t, 256> positions_{};  // per letter, where it stands in the word
};

// The edit distance of two words, as WordDistance(a).To(b).
std::size_t EditDistance(std::string_view a, std::string_view b);

}  // namespace morvane

#endif
