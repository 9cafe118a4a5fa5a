// Isotope table reader: any bytes as a table file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include "elements/TableReader.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::deque<AtomIsoAbun> table;
    if (ReadIsotopeTable(in, table) != 0) {
        if (!table.empty()) std::abort();
        return 0;
    }
    // A loaded table: unique non-empty symbols, valid entries sorted by
    // decreasing abundance.
    std::set<std::string> symbols;
    for (const AtomIsoAbun& r : table) {
        if (std::strlen(r.symbol) == 0 || !symbols.insert(r.symbol).second || r.niso < 0) std::abort();
        for (int i = 0; i < r.niso; ++i) {
            if (!(r.iso[i].mass >= 0) || !(r.iso[i].abundance >= 0 && r.iso[i].abundance <= 1)) std::abort();
            if (i > 0 && r.iso[i - 1].abundance < r.iso[i].abundance) std::abort();
        }
    }
    return 0;
}
