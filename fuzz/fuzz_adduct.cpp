// Adduct parser against the shipped table: any bytes as adduct text, applied
// to glucose.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formula/Adduct.h"
#include "formula/FormulaParser.h"
#include "ShippedTable.h"

using namespace morvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    Adduct adduct;
    std::string reason;
    if (adduct.Parse(text, ShippedTable(), reason) != 0) {
        if (reason.empty() || adduct.Charge() != 0) std::abort();
        return 0;
    }
    if (adduct.Charge() == 0 || adduct.Multiple() < 1 || adduct.Text() != text) std::abort();
    MolComposition glucose, ion;
    if (ParseFormula("C6H12O6", ShippedTable(), glucose) != 0) std::abort();
    if (adduct.MakeIon(glucose, ion, reason) != 0) {
        if (reason.empty() || ion.totalnat != 0) std::abort();
        return 0;
    }
    // An ion: distinct symbols in ascending byte order, counts >= 0, charged.
    if (ion.totalnat < 1 || ion.charge != adduct.Charge()) std::abort();
    for (int i = 0; i < ion.totalnat; ++i) {
        if (ion.nat[i] < 0) std::abort();
        if (i > 0 && std::strcmp(ion.atom[i - 1].symbol, ion.atom[i].symbol) >= 0) std::abort();
    }
    return 0;
}
