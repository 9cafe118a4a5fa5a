#include "formula/Adduct.h"
#include "formula/FormulaChars.h"

#include <climits>
#include <cstdio>

#include "formula/FormulaParser.h"

namespace morvane {

namespace {

bool IsFormulaByte(char c) { return IsUpper(c) || IsLower(c) || IsDigit(c) || c == '*'; }

// Walks the adduct text from its first byte and phrases what it finds there.
class Cursor {
public:
    explicit Cursor(const std::string& text) : t(text) {}

    bool AtEnd() const { return pos == t.size(); }
    bool AtBracketOrEnd() const { return AtEnd() || t[pos] == '[' || t[pos] == ']'; }
    char Peek() const { return AtEnd() ? '\0' : t[pos]; }
    std::size_t Pos() const { return pos; }
    bool Take(char c)
    {
        if (AtEnd() || t[pos] != c) return false;
        ++pos;
        return true;
    }

    // The decimal number at the cursor; `present` false when there are no
    // digits. False when it exceeds INT_MAX.
    bool Number(int& value, bool& present)
    {
        present = IsDigit(Peek());
        long long v = 0;
        for (; IsDigit(Peek()); ++pos) {
            v = v * 10 + (t[pos] - '0');
            if (v > INT_MAX) return false;
        }
        value = present ? static_cast<int>(v) : 1;
        return true;
    }

    // The formula bytes (letters, digits, asterisks) at the cursor.
    std::string Formula()
    {
        const std::size_t start = pos;
        while (!AtEnd() && IsFormulaByte(t[pos])) ++pos;
        return t.substr(start, pos - start);
    }

    // "at position N" for byte i (counted from 1 in messages).
    static std::string At(std::size_t i) { return "at position " + std::to_string(i + 1); }

    // Why the byte at the cursor is not what was expected there.
    std::string Unexpected() const
    {
        if (AtEnd()) return "malformed brackets: no closing ]";
        const char c = t[pos];
        if (c == '[' || c == ']') return std::string("malformed brackets: ") + c + " " + At(pos);
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x21 || b > 0x7e) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", b);
            return std::string("unexpected byte ") + hex + " " + At(pos);
        }
        return std::string("unexpected '") + c + "' " + At(pos);
    }

private:
    const std::string& t;
    std::size_t pos = 0;
};

// The molecule written as a formula, for messages.
std::string FormulaText(const MolComposition& c)
{
    std::string s;
    for (int i = 0; i < c.totalnat; ++i) {
        s += c.atom[i].symbol;
        if (c.nat[i] != 1) s += std::to_string(c.nat[i]);
    }
    return s;
}

// Adds n atoms of `symbol` to `counts`; false when the sum exceeds INT_MAX.
bool AddAtoms(std::map<std::string, int>& counts, const std::string& symbol, long long n)
{
    int& total = counts[symbol];
    if (total + n > INT_MAX) return false;
    total = static_cast<int>(total + n);
    return true;
}

// The parser's reason for a group's formula, its positions (counted in the
// formula) moved by `offset` to count in the adduct's text.
std::string CountedInAdduct(const std::string& why, std::size_t offset)
{
    const std::string mark = "position ";
    std::string out;
    std::size_t from = 0;
    for (std::size_t at; (at = why.find(mark, from)) != std::string::npos;) {
        std::size_t end = at + mark.size();
        std::size_t n = 0;
        for (; end < why.size() && IsDigit(why[end]); ++end) n = n * 10 + static_cast<std::size_t>(why[end] - '0');
        out += why.substr(from, at + mark.size() - from) + std::to_string(n + offset);
        from = end;
    }
    return out + why.substr(from);
}

// One group of the adduct: its sign, and its formula's atoms taken `count`
// times.
struct Group {
    std::size_t start = 0;  // position of the sign
    bool adds = true;
    int count = 1;
    MolComposition atoms;
};

// Reads the group whose sign is at the cursor.
bool ReadGroup(Cursor& cur, const std::string& source, const std::deque<AtomIsoAbun>& table, Group& g,
               std::string& reason)
{
    g.start = cur.Pos();
    g.adds = cur.Take('+');
    if (!g.adds) cur.Take('-');
    bool present = false;
    if (!cur.Number(g.count, present) || (present && g.count == 0)) {
        reason = "a group's count must be between 1 and " + std::to_string(INT_MAX) + ", " + Cursor::At(g.start + 1);
        return false;
    }
    const std::string formula = cur.Formula();
    const std::string text = source.substr(g.start, cur.Pos() - g.start);
    if (formula.empty()) {
        reason = cur.AtEnd() ? cur.Unexpected() : "the group " + text + " has no formula, " + Cursor::At(g.start);
        return false;
    }
    std::string why;
    if (ParseFormula(formula, table, g.atoms, &why) != 0) {
        reason = CountedInAdduct(why, cur.Pos() - formula.size()) + " in the group " + text;
        return false;
    }
    return true;
}

// Reads the charge after the closing bracket, up to the end of the text.
bool ReadCharge(Cursor& cur, int& charge, std::string& reason)
{
    const std::size_t at = cur.Pos();
    int z = 1;
    bool present = false;
    if (!cur.Number(z, present) || z > Adduct::MAX_CHARGE) {
        reason = "a charge beyond " + std::to_string(Adduct::MAX_CHARGE) + " in magnitude, " + Cursor::At(at);
        return false;
    }
    if (present && z == 0) {
        reason = "a charge of 0 makes no ion, " + Cursor::At(at);
        return false;
    }
    if (cur.Take('+')) {
        charge = z;
    } else if (cur.Take('-')) {
        charge = -z;
    } else {
        reason = "expected the charge (+, -, 2+, 3-...) " + Cursor::At(cur.Pos());
        return false;
    }
    if (!cur.AtEnd()) {
        reason = cur.Unexpected() + " after the charge";
        return false;
    }
    return true;
}

}  // namespace

int Adduct::Parse(const std::string& source, const std::deque<AtomIsoAbun>& table, std::string& reason)
{
    Adduct a;
    a.text = source;
    Cursor cur(source);
    bool present = false;
    if (!cur.Take('[')) {
        reason = "malformed brackets: an adduct begins with [, as in [M+H]+";
        return 2;
    }
    if (!cur.Number(a.multiple, present) || (present && a.multiple == 0)) {
        reason = "a multiple of M must be between 1 and " + std::to_string(INT_MAX) + ", " + Cursor::At(1);
        return 2;
    }
    if (!cur.Take('M')) {
        reason = cur.AtBracketOrEnd() ? cur.Unexpected() : "expected M, the molecule, " + Cursor::At(cur.Pos());
        return 2;
    }
    while (cur.Peek() == '+' || cur.Peek() == '-') {
        Group g;
        if (!ReadGroup(cur, source, table, g, reason)) return 2;
        for (int j = 0; j < g.atoms.totalnat; ++j) {
            const std::string symbol = g.atoms.atom[j].symbol;
            if (!AddAtoms(g.adds ? a.added : a.removed, symbol, static_cast<long long>(g.count) * g.atoms.nat[j])) {
                reason = "more than " + std::to_string(INT_MAX) + " atoms of " + symbol + " " +
                         (g.adds ? "added" : "removed") + ", " + Cursor::At(g.start);
                return 2;
            }
            a.records.emplace(symbol, g.atoms.atom[j]);
        }
    }
    if (!cur.Take(']')) {
        reason = cur.Unexpected();
        return 2;
    }
    if (!ReadCharge(cur, a.charge, reason)) return 2;
    *this = a;
    return 0;
}

int Adduct::MakeIon(const MolComposition& molecule, MolComposition& ion, std::string& reason) const
{
    struct Count {
        const AtomIsoAbun* atom = nullptr;
        long long present = 0;  // n times the molecule's atoms plus the added ones
        long long removed = 0;
        // Written out, the ion's formula names the element: it is in the
        // molecule or added, and not removed down to 0 atoms.
        bool Kept() const { return atom != nullptr && (present > removed || removed == 0); }
    };
    std::map<std::string, Count> counts;
    for (int i = 0; i < molecule.totalnat; ++i) {
        Count& c = counts[molecule.atom[i].symbol];
        c.atom = &molecule.atom[i];
        c.present += static_cast<long long>(multiple) * molecule.nat[i];
    }
    for (const auto& [symbol, n] : added) {
        Count& c = counts[symbol];
        if (c.atom == nullptr) c.atom = &records.at(symbol);
        c.present += n;
    }
    for (const auto& [symbol, n] : removed) counts[symbol].removed = n;

    auto fail = [&](const std::string& why) {
        reason = text + " of " + FormulaText(molecule) + ": " + why;
        return 2;
    };
    int kept = 0;
    for (const auto& [symbol, c] : counts) {
        if (c.present > INT_MAX) return fail("more than " + std::to_string(INT_MAX) + " atoms of " + symbol);
        if (c.removed > c.present) {
            const std::string what = (c.removed == 1 ? "" : std::to_string(c.removed) + " ") + symbol;
            return fail("removes " + what +
                        (c.present == 0 ? ", which " + FormulaText(molecule) + " lacks"
                                        : ", but there are only " + std::to_string(c.present)));
        }
        if (c.Kept()) ++kept;
    }
    if (kept == 0) return fail("leaves no atoms");

    ion.Settotalnat(kept);
    ion.charge = charge;
    int j = 0;
    for (const auto& [symbol, c] : counts) {
        if (!c.Kept()) continue;
        ion.atom[j] = *c.atom;
        ion.nat[j] = static_cast<int>(c.present - c.removed);
        ++j;
    }
    return 0;
}

}  // namespace morvane
