#include "formula/AtomCounts.h"
#include "formula/FormulaChars.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace morvane {

namespace {


// Radioactive labels that natural tables lack: atomic masses of the 2016
// atomic mass evaluation (M. Wang et al., Chin. Phys. C 41 (2017) 030003).
struct BuiltInIsotope {
    const char* symbol;
    int massNumber;
    double mass;
};
const BuiltInIsotope BUILT_IN[] = {{"H", 3, 3.01604928132}, {"C", 14, 14.00324198843}};

// The index of the entry of `element` whose mass rounds to `massNumber`, or -1.
int EntryOf(const AtomIsoAbun& element, int massNumber)
{
    for (int i = 0; i < element.niso; ++i)
        if (std::lround(element.iso[i].mass) == massNumber) return i;
    return -1;
}

// The derived record of a label: the isotope alone, or with probability p
// and the element's other isotopes sharing 1 - p as they share their
// natural abundance. False when p < 1 and there is no other isotope.
bool DeriveLabel(const AtomIsoAbun& element, const std::string& key, int massNumber, double p, AtomIsoAbun& out)
{
    double mass = 0;
    LabelMass(element, massNumber, mass);
    const int own = EntryOf(element, massNumber);
    double rest = 0;
    int others = 0;
    for (int i = 0; i < element.niso; ++i) {
        if (i == own) continue;
        rest += element.iso[i].abundance;
        ++others;
    }
    const bool pure = p >= 1;
    if (!pure && !(rest > 0)) return false;
    AtomIsoAbun r(element.elnum, pure ? 1 : 1 + others);
    std::snprintf(r.symbol, sizeof r.symbol, "%s", key.c_str());
    r.iso[0] = isotope(mass, pure ? 1.0 : p);
    int j = 1;
    for (int i = 0; i < element.niso && !pure; ++i) {
        if (i == own) continue;
        const double share = element.iso[i].abundance / rest;
        r.iso[j++] = isotope(element.iso[i].mass, (1 - p) * share);
    }
    r.Sort_abundance();
    out = r;
    return true;
}

}  // namespace

std::string LabelKey(const std::string& symbol, int massNumber)
{
    return symbol + "[" + std::to_string(massNumber) + "]";
}

bool SplitLabelKey(const std::string& key, std::string& symbol, int& massNumber)
{
    const std::size_t open = key.find('[');
    if (open == std::string::npos) return false;
    symbol = key.substr(0, open);
    massNumber = std::atoi(key.c_str() + open + 1);
    return true;
}

const AtomIsoAbun* FindElement(const std::deque<AtomIsoAbun>& table, const std::string& symbol)
{
    for (const AtomIsoAbun& rec : table)
        if (symbol == rec.symbol) return &rec;
    return nullptr;
}

bool LabelMass(const AtomIsoAbun& element, int massNumber, double& mass)
{
    const int i = EntryOf(element, massNumber);
    if (i >= 0) {
        mass = element.iso[i].mass;
        return true;
    }
    for (const BuiltInIsotope& b : BUILT_IN) {
        if (std::strcmp(b.symbol, element.symbol) == 0 && b.massNumber == massNumber) {
            mass = b.mass;
            return true;
        }
    }
    return false;
}

bool LabelKeyOf(const std::string& text, std::string& key)
{
    std::string t = text;
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') t = t.substr(1, t.size() - 2);
    std::size_t i = 0;
    int massNumber = 0;
    while (i < t.size() && IsDigit(t[i]) && i < 3) massNumber = massNumber * 10 + (t[i++] - '0');
    if (i == 0 || massNumber == 0 || i == t.size() || !IsUpper(t[i])) return false;
    const std::string symbol = t.substr(i);
    for (std::size_t k = 1; k < symbol.size(); ++k)
        if (!IsLower(symbol[k])) return false;
    if (symbol.size() > 2) return false;
    key = LabelKey(symbol, massNumber);
    return true;
}

std::string LabelText(const std::string& key)
{
    std::string symbol;
    int massNumber = 0;
    if (!SplitLabelKey(key, symbol, massNumber)) return key;
    return "[" + std::to_string(massNumber) + symbol + "]";
}

bool ParseEnrichment(const std::string& text, Enrichment& enrichment, std::string& reason)
{
    const std::size_t eq = text.find('=');
    std::string key;
    if (eq == std::string::npos || !LabelKeyOf(text.substr(0, eq), key)) {
        reason = "enrichment " + text + ": write the isotope and its fraction, as 13C=0.99";
        return false;
    }
    const std::string value = text.substr(eq + 1);
    char* end = nullptr;
    const double p = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(p > 0 && p <= 1)) {
        reason = "enrichment " + text + ": the fraction must be a number above 0 and at most 1";
        return false;
    }
    enrichment[key] = p;
    return true;
}

bool CheckEnrichment(const Enrichment& enrichment, const std::deque<AtomIsoAbun>& table, std::string& reason)
{
    for (const auto& [key, p] : enrichment) {
        std::string symbol;
        int massNumber = 0;
        SplitLabelKey(key, symbol, massNumber);
        const AtomIsoAbun* element = FindElement(table, symbol);
        double mass = 0;
        if (element == nullptr || !LabelMass(*element, massNumber, mass)) {
            reason = "enrichment of " + LabelText(key) + ": the table has no such isotope";
            return false;
        }
        if (!(p > 0 && p <= 1)) {
            reason = "enrichment of " + LabelText(key) + ": the fraction must be above 0 and at most 1";
            return false;
        }
    }
    return true;
}

bool AddAtoms(AtomCounts& counts, const std::string& key, long long n)
{
    long long& total = counts[key];
    total += n;
    return total <= INT_MAX && total >= -static_cast<long long>(INT_MAX);
}

int MakeComposition(const AtomCounts& counts, const std::deque<AtomIsoAbun>& table, const Enrichment* enrichment,
                    MolComposition& comp, std::string& reason)
{
    if (counts.empty()) {
        reason = "no atoms";
        return 2;
    }
    comp.Settotalnat(static_cast<int>(counts.size()));
    int j = 0;
    for (const auto& [key, n] : counts) {
        if (n < 0 || n > INT_MAX) {
            reason = std::to_string(n) + " atoms of " + LabelText(key) + ": a count is 0 to " + std::to_string(INT_MAX);
            return 2;
        }
        std::string symbol = key;
        int massNumber = 0;
        const bool label = SplitLabelKey(key, symbol, massNumber);
        const AtomIsoAbun* element = FindElement(table, symbol);
        if (element == nullptr) {
            reason = "unknown element symbol '" + symbol + "'";
            return 2;
        }
        if (label) {
            double p = 1;
            if (enrichment != nullptr) {
                const auto e = enrichment->find(key);
                if (e != enrichment->end()) p = e->second;
            }
            double mass = 0;
            if (!LabelMass(*element, massNumber, mass)) {
                reason = "the table has no isotope " + LabelText(key);
                return 2;
            }
            if (!DeriveLabel(*element, key, massNumber, p, comp.atom[j])) {
                reason = "enrichment of " + LabelText(key) + ": " + symbol + " has no other isotope to take the rest";
                return 2;
            }
        } else {
            comp.atom[j] = *element;
        }
        comp.nat[j++] = static_cast<int>(n);
    }
    return 0;
}

std::string CanonicalFormula(const AtomCounts& counts)
{
    std::string s;
    for (const auto& [key, n] : counts) {
        s += LabelText(key);
        if (n != 1) s += std::to_string(n);
    }
    return s;
}

}  // namespace morvane
