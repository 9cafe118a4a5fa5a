#ifndef MORVANE_CORE_EDITDISTANCE_H
#define MORVANE_CORE_EDITDISTANCE_H

#include <cstddef>
#include <string_view>

namespace morvane {

// The edit distance of two words (insertions, deletions, substitutions),
// letters compared as they are or, with `ignoreCase`, as ASCII lower case.
// The did-you-mean of unknown options and modification names. Past `limit`
// the count stops: any value above `limit` means "more than `limit`".
std::size_t EditDistance(std::string_view a, std::string_view b, bool ignoreCase = false,
                         std::size_t limit = static_cast<std::size_t>(-1));

}  // namespace morvane

#endif
