#include "formula/FormulaParser.h"

#include <climits>
#include <cstring>
#include <map>
#include <string>

namespace {

bool IsWhitespace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsContinuation(char c) { return (c >= 'a' && c <= 'z') || c == '*'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Symbols of the formula in byte order, each mapped to its composition index.
using SymbolIndex = std::map<std::string, int>;

SymbolIndex CollectSymbols(const std::string& text)
{
    SymbolIndex symbols;
    std::string current;
    for (char c : text) {
        if (IsUpper(c)) {
            if (!current.empty()) symbols.emplace(current, 0);
            current.assign(1, c);
        } else if (IsContinuation(c)) {
            current += c;
        }
    }
    symbols.emplace(current, 0);
    int j = 0;
    for (auto& s : symbols) s.second = j++;
    return symbols;
}

// Copies into comp, for each symbol, the first table record that bears it.
bool LookUpElements(const SymbolIndex& symbols, const std::deque<AtomIsoAbun>& table, MolComposition& comp)
{
    std::size_t found = 0;
    std::string key;
    for (const AtomIsoAbun& rec : table) {
        key.assign(rec.symbol);
        auto it = symbols.find(key);
        if (it == symbols.end() || comp.atom[it->second].symbol[0] != '\0') continue;
        comp.atom[it->second] = rec;
        ++found;
    }
    return found == symbols.size();
}

// Value of a count text (digits only, maybe empty meaning 1); false when it
// exceeds INT_MAX.
bool CountValue(const std::string& digits, long long& value)
{
    if (digits.empty()) {
        value = 1;
        return true;
    }
    value = 0;
    for (char d : digits) {
        value = value * 10 + (d - '0');
        if (value > INT_MAX) return false;
    }
    return true;
}

bool CloseGroup(const SymbolIndex& symbols, const std::string& symbol, const std::string& digits, MolComposition& comp)
{
    long long count = 0;
    if (!CountValue(digits, count)) return false;
    int& total = comp.nat[symbols.at(symbol)];
    if (total + count > INT_MAX) return false;
    total = static_cast<int>(total + count);
    return true;
}

bool AddCounts(const std::string& text, const SymbolIndex& symbols, MolComposition& comp)
{
    std::string symbol, digits;
    for (char c : text) {
        if (IsUpper(c)) {
            if (!symbol.empty() && !CloseGroup(symbols, symbol, digits, comp)) return false;
            symbol.assign(1, c);
            digits.clear();
        } else if (IsContinuation(c)) {
            symbol += c;
        } else if (IsDigit(c)) {
            digits += c;
        } else {
            return false;
        }
    }
    return CloseGroup(symbols, symbol, digits, comp);
}

}  // namespace

int ParseFormula(const char* formula, const std::deque<AtomIsoAbun>& table, MolComposition& comp)
{
    if (formula[0] == '\0') return 2;
    std::string text;
    for (const char* p = formula; *p != '\0'; ++p)
        if (!IsWhitespace(*p)) text += *p;

    const SymbolIndex symbols = CollectSymbols(text);
    comp.Settotalnat(static_cast<int>(symbols.size()));
    if (!LookUpElements(symbols, table, comp)) return 2;
    for (int j = 0; j < comp.totalnat; ++j) comp.nat[j] = 0;
    return AddCounts(text, symbols, comp) ? 0 : 2;
}
