// Formula parser against the shipped table: any bytes as formula text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formula/FormulaParser.h"
#include "ShippedTable.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    MolComposition c;
    c.charge = 3;
    if (ParseFormula(text.c_str(), ShippedTable(), c) != 0) return 0;
    // A parsed formula: distinct symbols in ascending byte order, counts >= 0.
    if (c.totalnat < 1 || c.charge != 3) std::abort();
    for (int i = 0; i < c.totalnat; ++i) {
        if (c.nat[i] < 0) std::abort();
        if (i > 0 && std::strcmp(c.atom[i - 1].symbol, c.atom[i].symbol) >= 0) std::abort();
    }
    return 0;
}
