#include "core/EditDistance.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace morvane {

std::size_t EditDistance(std::string_view a, std::string_view b, bool ignoreCase)
{
    const auto same = [ignoreCase](char x, char y) {
        if (!ignoreCase) return x == y;
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace morvane
