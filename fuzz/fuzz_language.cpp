// The front-ends' formula language and ProForma sequences against the
// shipped table: any bytes as text. A formula that reads has a canonical
// form that reads to the same atoms; a sequence's composition, made
// straight from the residues or through the counts, is the same.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formula/AtomCounts.h"
#include "formula/FormulaLanguage.h"
#include "formula/ProForma.h"
#include "ShippedTable.h"

using namespace morvane;

namespace {

void CheckFormula(const std::string& text)
{
    AtomCounts counts, again;
    std::string reason;
    if (ReadFormula(text, ShippedTable(), counts, reason) != 0) {
        if (reason.empty()) std::abort();
        return;
    }
    for (const auto& [key, n] : counts)
        if (n < 0) std::abort();
    if (ReadFormula(CanonicalFormula(counts), ShippedTable(), again, reason) != 0 || again != counts) std::abort();
}

void CheckSequence(const std::string& text)
{
    AtomCounts counts;
    std::string reason;
    int charge = 0, charge2 = 0;
    const std::vector<FixedMod> none;
    MolComposition direct, viaCounts;
    const int a = SequenceComposition(text, ShippedTable(), none, nullptr, direct, charge, reason);
    const int b = ReadSequence(text, ShippedTable(), none, counts, charge2, reason);
    if (b == 0 && MakeComposition(counts, ShippedTable(), nullptr, viaCounts, reason) != 0) return;
    if ((a == 0) != (b == 0)) std::abort();
    if (a != 0) return;
    if (charge != charge2 || direct.totalnat != viaCounts.totalnat) std::abort();
    for (int i = 0; i < direct.totalnat; ++i)
        if (direct.nat[i] != viaCounts.nat[i] || std::strcmp(direct.atom[i].symbol, viaCounts.atom[i].symbol) != 0)
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckFormula(text);
    CheckSequence(text);
    return 0;
}
