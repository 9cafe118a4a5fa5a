#include "core/EditDistance.h"

#include <algorithm>
#include <vector>

namespace morvane {

namespace {

const std::size_t WORD_BITS = 64;

}  // namespace

WordDistance::WordDistance(std::string_view word) : word_(word)
{
    if (word_.size() > WORD_BITS) return;
    for (std::size_t i = 0; i < word_.size(); ++i)
        positions_[static_cast<unsigned char>(word_[i])] |= std::uint64_t{1} << i;
}

std::size_t WordDistance::To(std::string_view other) const
{
    const std::size_t m = word_.size();
    if (m > WORD_BITS) return ByTable(other);
    if (m == 0) return other.size();
    // Bit i of the vectors is the vertical step of the table's column
    // between rows i and i + 1: +1 (positive) or -1 (negative), else 0.
    const std::uint64_t last = std::uint64_t{1} << (m - 1);
    std::uint64_t positive = m == WORD_BITS ? ~std::uint64_t{0} : (last << 1) - 1, negative = 0;
    std::size_t distance = m;
    for (char c : other) {
        const std::uint64_t equal = positions_[static_cast<unsigned char>(c)];
        const std::uint64_t xv = equal | negative;
        const std::uint64_t xh = (((equal & positive) + positive) ^ positive) | equal;
        std::uint64_t hPositive = negative | ~(xh | positive);
        std::uint64_t hNegative = positive & xh;
        if (hPositive & last) ++distance;
        else if (hNegative & last) --distance;
        // The first row grows by one per letter: a horizontal +1 enters.
        hPositive = (hPositive << 1) | 1;
        hNegative <<= 1;
        positive = hNegative | ~(xv | hPositive);
        negative = hPositive & xv;
    }
    return distance;
}

std::size_t WordDistance::ByTable(std::string_view other) const
{
    std::vector<std::size_t> row(other.size() + 1);
    for (std::size_t j = 0; j <= other.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= word_.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= other.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (word_[i - 1] == other[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[other.size()];
}

std::size_t EditDistance(std::string_view a, std::string_view b) { return WordDistance(a).To(b); }

}  // namespace morvane
