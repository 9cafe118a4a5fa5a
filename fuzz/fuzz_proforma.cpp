// ProForma sequence reader against the shipped table: any bytes as a
// sequence, read bare and with a fixed carbamidomethyl on C. A sequence read
// has atoms, every count positive and within int, and a charge within
// -1000..1000; the composition made straight from the residues is the one
// made from the counts, and both readings agree on success and charge.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "formula/AtomCounts.h"
#include "formula/ProForma.h"
#include "ShippedTable.h"

using namespace morvane;

namespace {

bool SameComposition(const MolComposition& a, const MolComposition& b)
{
    if (a.totalnat != b.totalnat) return false;
    for (int i = 0; i < a.totalnat; ++i)
        if (a.nat[i] != b.nat[i] || a.atom[i].niso != b.atom[i].niso ||
            std::strcmp(a.atom[i].symbol, b.atom[i].symbol) != 0)
            return false;
    return true;
}

void Check(std::string_view text, const std::vector<FixedMod>& fixed)
{
    AtomCounts counts;
    int charge = 7;
    std::string reason;
    const int status = ReadSequence(text, ShippedTable(), fixed, counts, charge, reason);
    MolComposition fromCounts, direct;
    int directCharge = 7;
    std::string directReason;
    const int directStatus =
        SequenceComposition(text, ShippedTable(), fixed, nullptr, direct, directCharge, directReason);
    if (status != 0) {
        if (reason.empty() || directStatus == 0 || directReason.empty()) std::abort();
        return;
    }
    if (counts.empty() || charge < -1000 || charge > 1000 || directCharge != charge) std::abort();
    for (const auto& [key, n] : counts)
        if (key.empty() || n < 1 || n > INT_MAX) std::abort();
    if (MakeComposition(counts, ShippedTable(), nullptr, fromCounts, reason) != 0) {
        if (directStatus == 0) std::abort();
        return;
    }
    if (directStatus != 0 || !SameComposition(fromCounts, direct)) std::abort();
    for (int i = 0; i < direct.totalnat; ++i)
        if (direct.nat[i] < 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<FixedMod> carbamidomethyl = [] {
        FixedMod mod;
        std::string reason;
        if (!ParseFixedMod("Carbamidomethyl@C", ShippedTable(), mod, reason)) std::abort();
        return std::vector<FixedMod>{mod};
    }();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(text, {});
    Check(text, carbamidomethyl);
    return 0;
}
