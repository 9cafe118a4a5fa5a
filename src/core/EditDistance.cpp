#include "core/EditDistance.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace morvane {

std::size_t EditDistance(std::string_view a, std::string_view b, bool ignoreCase, std::size_t limit)
{
    // The distance is at least the difference of the lengths, and never
    // falls below the smallest entry of a row.
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return limit + 1;
    const auto same = [ignoreCase](char x, char y) {
        if (!ignoreCase) return x == y;
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        std::size_t least = row[0];
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
            least = std::min(least, row[j]);
            diagonal = above;
        }
        if (least > limit) return limit + 1;
    }
    return row[b.size()];
}

}  // namespace morvane
