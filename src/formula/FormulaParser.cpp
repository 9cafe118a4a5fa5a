#include "formula/FormulaParser.h"
#include "formula/FormulaChars.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

namespace morvane {

namespace {


// One group of the formula: a symbol and its count text. Positions count
// from 1 in the formula as given, whitespace included; 0 means absent.
struct Group {
    std::string symbol;
    std::string digits;
    std::size_t symbolAt = 0;
    std::size_t digitsAt = 0;
};

// The formula cut into groups by the grammar of FormulaParser.h. Every
// group but the last has a symbol; the last has none only when the text
// holds no symbol byte at all.
struct Tokens {
    std::vector<Group> groups;
    std::size_t illegalAt = 0;  // the first byte no group can hold
};

Tokens Tokenize(std::string_view text)
{
    Tokens t;
    t.groups.reserve(8);
    Group current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const std::size_t at = i + 1;
        if (IsWhitespace(c)) continue;
        if (IsUpper(c)) {
            // A group without a symbol can only be leading digits: dropped.
            if (!current.symbol.empty()) t.groups.push_back(std::move(current));
            current = Group{std::string(1, c), "", at, 0};
        } else if (IsContinuation(c)) {
            if (current.symbol.empty()) current.symbolAt = at;
            current.symbol += c;
        } else if (IsDigit(c)) {
            if (current.digits.empty()) current.digitsAt = at;
            current.digits += c;
        } else if (t.illegalAt == 0) {
            t.illegalAt = at;
        }
    }
    t.groups.push_back(std::move(current));
    return t;
}

// The distinct symbols of the formula in byte order; symbol j is entry j of
// the composition.
using Symbols = std::vector<std::string>;

Symbols CollectSymbols(const Tokens& t)
{
    Symbols symbols;
    symbols.reserve(t.groups.size());
    for (const Group& g : t.groups) symbols.push_back(g.symbol);
    std::sort(symbols.begin(), symbols.end());
    symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
    return symbols;
}

int IndexOf(const Symbols& symbols, const std::string& symbol)
{
    return static_cast<int>(std::lower_bound(symbols.begin(), symbols.end(), symbol) - symbols.begin());
}

// Copies into comp, for each symbol, the first table record that bears it;
// false when some symbol has none.
bool LookUpElements(const Symbols& symbols, const std::deque<AtomIsoAbun>& table, MolComposition& comp)
{
    std::size_t found = 0;
    for (auto rec = table.begin(); rec != table.end() && found < symbols.size(); ++rec) {
        for (std::size_t j = 0; j < symbols.size(); ++j) {
            AtomIsoAbun& entry = comp.atom[j];
            // The first byte rules out most records without a string comparison.
            if (entry.symbol[0] != '\0' || symbols[j][0] != rec->symbol[0] || symbols[j] != rec->symbol) continue;
            entry = *rec;
            ++found;
        }
    }
    return found == symbols.size();
}

// The first group, in text order, whose symbol no record of comp bears.
const Group* FirstUnknown(const Tokens& t, const Symbols& symbols, const MolComposition& comp)
{
    for (const Group& g : t.groups)
        if (comp.atom[IndexOf(symbols, g.symbol)].symbol[0] == '\0') return &g;
    return nullptr;
}

std::string ShownByte(char c)
{
    if (c >= 0x20 && c < 0x7f) return std::string("character '") + c + "'";
    const char* const hex = "0123456789abcdef";
    const unsigned char u = static_cast<unsigned char>(c);
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// Why the symbols did not all resolve, or an illegal byte: whichever comes
// first in the text.
std::string LookUpReason(std::string_view text, const Tokens& t, const Group* unknown)
{
    const std::size_t unknownAt = unknown != nullptr ? unknown->symbolAt : 0;
    if (t.illegalAt != 0 && (unknownAt == 0 || t.illegalAt < unknownAt))
        return ShownByte(text[t.illegalAt - 1]) + " at position " + std::to_string(t.illegalAt) +
               " is not allowed in a formula";
    if (unknown->symbol.empty()) return "no element symbol in the formula";
    return "unknown element symbol '" + unknown->symbol + "' at position " + std::to_string(unknownAt);
}

// Adds each group's count to its element; false, with the reason, when a
// count or a total exceeds INT_MAX.
bool AddCounts(const Tokens& t, const Symbols& symbols, MolComposition& comp, std::string& reason)
{
    for (const Group& g : t.groups) {
        long long count = g.digits.empty() ? 1 : 0;
        for (char d : g.digits) {
            count = count * 10 + (d - '0');
            if (count > INT_MAX) {
                reason =
                    "count " + g.digits + " at position " + std::to_string(g.digitsAt) + " is beyond the 32-bit range";
                return false;
            }
        }
        int& total = comp.nat[IndexOf(symbols, g.symbol)];
        if (total + count > INT_MAX) {
            reason = "total count of " + g.symbol + " is beyond the 32-bit range";
            return false;
        }
        total = static_cast<int>(total + count);
    }
    return true;
}

int Fail(std::string* reason, const std::string& why)
{
    if (reason != nullptr) *reason = why;
    return 2;
}

}  // namespace

int ParseFormula(std::string_view formula, const std::deque<AtomIsoAbun>& table, MolComposition& comp,
                 std::string* reason)
{
    if (formula.empty()) return Fail(reason, "empty formula");
    const Tokens t = Tokenize(formula);
    const Symbols symbols = CollectSymbols(t);
    comp.Settotalnat(static_cast<int>(symbols.size()));
    const bool resolved = LookUpElements(symbols, table, comp);
    if (!resolved || t.illegalAt != 0)
        return Fail(reason, LookUpReason(formula, t, resolved ? nullptr : FirstUnknown(t, symbols, comp)));
    for (int j = 0; j < comp.totalnat; ++j) comp.nat[j] = 0;
    std::string why;
    if (!AddCounts(t, symbols, comp, why)) return Fail(reason, why);
    return 0;
}

}  // namespace morvane
