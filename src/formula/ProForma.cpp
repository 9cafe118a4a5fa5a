#include "formula/ProForma.h"
#include "formula/FormulaChars.h"
#include "formula/Unimod.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdio>

namespace morvane {

namespace {


std::string At(std::size_t i) { return "at position " + std::to_string(i + 1); }

// The elements of the residues, in this order.
const char* const RESIDUE_ELEMENTS[] = {"C", "H", "N", "O", "S", "Se"};
const int N_RESIDUE_ELEMENTS = 6;
using ResidueAtoms = std::array<int, N_RESIDUE_ELEMENTS>;

// Residue formulas (the amino acid less one water), C H N O S Se.
bool ResidueOf(char letter, ResidueAtoms& atoms)
{
    switch (letter) {
    case 'G': atoms = {2, 3, 1, 1, 0, 0}; return true;
    case 'A': atoms = {3, 5, 1, 1, 0, 0}; return true;
    case 'S': atoms = {3, 5, 1, 2, 0, 0}; return true;
    case 'P': atoms = {5, 7, 1, 1, 0, 0}; return true;
    case 'V': atoms = {5, 9, 1, 1, 0, 0}; return true;
    case 'T': atoms = {4, 7, 1, 2, 0, 0}; return true;
    case 'C': atoms = {3, 5, 1, 1, 1, 0}; return true;
    case 'L': atoms = {6, 11, 1, 1, 0, 0}; return true;
    case 'I': atoms = {6, 11, 1, 1, 0, 0}; return true;
    case 'N': atoms = {4, 6, 2, 2, 0, 0}; return true;
    case 'D': atoms = {4, 5, 1, 3, 0, 0}; return true;
    case 'Q': atoms = {5, 8, 2, 2, 0, 0}; return true;
    case 'K': atoms = {6, 12, 2, 1, 0, 0}; return true;
    case 'E': atoms = {5, 7, 1, 3, 0, 0}; return true;
    case 'M': atoms = {5, 9, 1, 1, 1, 0}; return true;
    case 'H': atoms = {6, 7, 3, 1, 0, 0}; return true;
    case 'F': atoms = {9, 9, 1, 1, 0, 0}; return true;
    case 'R': atoms = {6, 12, 4, 1, 0, 0}; return true;
    case 'Y': atoms = {9, 9, 1, 2, 0, 0}; return true;
    case 'W': atoms = {11, 10, 2, 1, 0, 0}; return true;
    case 'U': atoms = {3, 5, 1, 1, 0, 1}; return true;
    case 'O': atoms = {12, 19, 3, 2, 0, 0}; return true;
    default: return false;
    }
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameIgnoringCase(s.substr(0, prefix.size()), prefix);
}

// Reads a signed count at `i` (1 without digits); false beyond int's range.
bool SignedCount(std::string_view t, std::size_t& i, long long& n)
{
    const bool negative = i < t.size() && t[i] == '-';
    if (negative) ++i;
    if (i >= t.size() || !IsDigit(t[i])) {
        n = negative ? -1 : 1;
        return !negative;
    }
    n = 0;
    while (i < t.size() && IsDigit(t[i])) {
        n = n * 10 + (t[i++] - '0');
        if (n > INT_MAX) return false;
    }
    if (negative) n = -n;
    return true;
}

// The delta of a Formula: text, such as HPO3, H-2O-1 or C-6[13C6]; symbols
// are checked against `table` when it is given. `at` is the position of
// the text in the sequence, for messages.
bool ReadDelta(std::string_view t, const std::deque<AtomIsoAbun>* table, std::size_t at, AtomCounts& delta,
               std::string& reason)
{
    std::size_t i = 0;
    while (i < t.size()) {
        const std::size_t start = i;
        if (t[i] == ' ') {
            ++i;
            continue;
        }
        const bool isotope = t[i] == '[';
        if (isotope) ++i;
        int massNumber = 0;
        while (isotope && i < t.size() && IsDigit(t[i]) && massNumber < 1000) massNumber = massNumber * 10 + (t[i++] - '0');
        std::string symbol;
        if (i < t.size() && IsUpper(t[i])) symbol.assign(1, t[i++]);
        while (!symbol.empty() && i < t.size() && IsLower(t[i])) symbol += t[i++];
        long long n = 1;
        const bool counted = SignedCount(t, i, n);
        const bool closed = !isotope || (i < t.size() && t[i++] == ']');
        if (symbol.empty() || !counted || !closed || (isotope && (massNumber == 0 || massNumber >= 1000))) {
            reason = "malformed formula of a modification " + At(at + start) +
                     ": write symbols with counts, as Formula:HPO3, H-2O-1 or [13C6]C-6";
            return false;
        }
        if (table != nullptr && FindElement(*table, symbol) == nullptr) {
            reason = "unknown element symbol '" + symbol + "' " + At(at + start);
            return false;
        }
        const std::string key = isotope ? LabelKey(symbol, massNumber) : symbol;
        if (isotope && table != nullptr) {
            double mass = 0;
            if (!LabelMass(*FindElement(*table, symbol), massNumber, mass)) {
                reason = "the table has no isotope " + std::to_string(massNumber) + symbol + " " + At(at + start);
                return false;
            }
        }
        if (!AddAtoms(delta, key, n)) {
            reason = "too many atoms of " + LabelText(key) + " " + At(at + start);
            return false;
        }
    }
    return true;
}

// The Unimod modification named by `name` (its name, U:name, or
// UNIMOD:accession), or null.
const UnimodMod* FindNamedMod(std::string_view name)
{
    if (StartsWithIgnoringCase(name, "UNIMOD:")) return FindUnimodAccession(name.substr(7));
    if (StartsWithIgnoringCase(name, "U:")) name = name.substr(2);
    return FindUnimodName(name);
}

// Why `text` names no modification, with the nearest Unimod names.
std::string UnknownModReason(std::string_view text, std::size_t at)
{
    std::string reason = "unknown modification '" + std::string(text) + "' " + At(at);
    if (StartsWithIgnoringCase(text, "UNIMOD:")) return reason + ": no Unimod accession " + std::string(text.substr(7));
    if (StartsWithIgnoringCase(text, "U:")) text = text.substr(2);
    reason += ": no Unimod name";
    const std::vector<std::string> closest = ClosestUnimodNames(text, 3);
    for (std::size_t i = 0; i < closest.size(); ++i) reason += (i == 0 ? " (closest: " : ", ") + closest[i];
    return reason + (closest.empty() ? "" : ")") + "; or give its Formula:";
}

bool IsMassShift(std::string_view s)
{
    std::size_t i = 0;
    if (StartsWithIgnoringCase(s, "Obs:")) return true;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    return i < s.size() && (IsDigit(s[i]) || s[i] == '.');
}

// The delta of one alternative of a modification's text.
bool AlternativeDelta(std::string_view text, const std::deque<AtomIsoAbun>& table, std::size_t at, AtomCounts& delta,
                      std::string& reason)
{
    if (StartsWithIgnoringCase(text, "Formula:") && text.find_first_not_of(' ', 8) == std::string_view::npos) {
        reason = "empty formula of a modification " + At(at + 8) +
                 ": write symbols with counts, as Formula:HPO3, H-2O-1 or [13C6]C-6";
        return false;
    }
    if (StartsWithIgnoringCase(text, "Formula:")) return ReadDelta(text.substr(8), &table, at + 8, delta, reason);
    if (StartsWithIgnoringCase(text, "INFO:")) return true;
    // Names first: some begin with digits (2HPG), as mass shifts do.
    const UnimodMod* m = FindNamedMod(text);
    if (m == nullptr && IsMassShift(text)) {
        reason = "the mass shift " + std::string(text) + " " + At(at) +
                 " gives no composition, so no isotope pattern: name the modification or give its Formula:";
        return false;
    }
    if (m == nullptr) {
        reason = UnknownModReason(text, at);
        return false;
    }
    return ReadDelta(m->delta, nullptr, 0, delta, reason);
}

// The delta of a modification's text (between its brackets, starting at
// `at`): the first of its '|' alternatives that gives a composition.
bool ModDelta(std::string_view text, const std::deque<AtomIsoAbun>& table, std::size_t at, AtomCounts& delta,
              std::string& reason)
{
    std::string first;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        const std::size_t end = bar == std::string_view::npos ? text.size() : bar;
        AtomCounts d;
        std::string why;
        if (AlternativeDelta(text.substr(start, end - start), table, at + start, d, why)) {
            delta = std::move(d);
            return true;
        }
        if (first.empty()) first = why;
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    reason = first;
    return false;
}

// Reads a sequence; the state of one parse.
class SequenceReader {
public:
    SequenceReader(std::string_view text, const std::deque<AtomIsoAbun>& table, const std::vector<FixedMod>& fixed)
        : t(text), table(table), fixed(fixed)
    {}

    // Reads the whole text; false with the reason.
    bool Scan(int& charge, std::string& reason);
    // The atoms read, water added; false with the reason when a count
    // leaves int's range or falls below 0 (residues alone can pass INT_MAX
    // in a long sequence).
    bool Counts(AtomCounts& counts, std::string& reason);
    // Whether the atoms are the residues' elements alone (no modification).
    bool Plain() const { return extra.empty(); }
    // The residues' elements, water and protons added, in RESIDUE_ELEMENTS' order.
    const std::array<long long, N_RESIDUE_ELEMENTS>& Atoms() const { return atoms; }

private:
    std::string_view t;
    const std::deque<AtomIsoAbun>& table;
    std::vector<FixedMod> fixed;
    std::size_t pos = 0;
    std::array<long long, N_RESIDUE_ELEMENTS> atoms{};
    std::array<int, 26> residues{};  // count of each residue letter
    std::vector<int> alreadyWritten;  // per fixed modification, residues that carry it written out
    AtomCounts extra;                // of modifications and charge
    std::string why;

    bool Fail(const std::string& reason)
    {
        why = reason;
        return false;
    }
    char Peek() const { return pos < t.size() ? t[pos] : '\0'; }
    bool Mod(AtomCounts& delta);
    bool AddDelta(const AtomCounts& delta, long long times);
    bool GlobalMods();
    bool Charge(int& charge);
    bool Unexpected();
};

bool SequenceReader::Unexpected()
{
    if (pos == t.size()) return Fail("the sequence ends early, " + At(pos));
    const char c = t[pos];
    if (c == 'B' || c == 'J' || c == 'X' || c == 'Z')
        return Fail(std::string("the ambiguous residue ") + c + " " + At(pos) + " has no formula");
    if (IsLower(c)) return Fail(std::string("unknown residue '") + c + "' " + At(pos) + ": residues are capitals");
    if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7e) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned char>(c));
        return Fail(std::string("unexpected byte ") + hex + " " + At(pos));
    }
    return Fail(std::string("unexpected '") + c + "' " + At(pos));
}

// The modification in brackets at the cursor.
bool SequenceReader::Mod(AtomCounts& delta)
{
    const std::size_t open = pos;
    int depth = 0;
    for (; pos < t.size(); ++pos) {
        if (t[pos] == '[') ++depth;
        if (t[pos] == ']' && --depth == 0) break;
    }
    if (pos == t.size()) return Fail("unmatched [ " + At(open));
    ++pos;
    return ModDelta(t.substr(open + 1, pos - open - 2), table, open + 1, delta, why);
}

bool SequenceReader::AddDelta(const AtomCounts& delta, long long times)
{
    if (times == 0) return true;  // a fixed modification of a residue the peptide lacks
    for (const auto& [key, n] : delta)
        if (!AddAtoms(extra, key, n * times)) return Fail("too many atoms of " + LabelText(key));
    return true;
}

// <[Carbamidomethyl]@C,M> in front of the sequence.
bool SequenceReader::GlobalMods()
{
    while (Peek() == '<') {
        const std::size_t open = pos++;
        FixedMod mod;
        if (Peek() != '[') return Unexpected();
        if (!Mod(mod.delta)) return false;
        if (Peek() != '@') return Fail("a global modification needs its residues, as <[Carbamidomethyl]@C>, " + At(open));
        do {
            ++pos;
            ResidueAtoms unused;
            if (!ResidueOf(Peek(), unused)) return Unexpected();
            mod.residue = t[pos++];
            fixed.push_back(mod);
        } while (Peek() == ',');
        if (Peek() != '>') return Unexpected();
        ++pos;
    }
    return true;
}

bool SequenceReader::Charge(int& charge)
{
    const std::size_t at = pos++;
    long long z = 0;
    if (!IsDigit(Peek()) && Peek() != '-') return Fail("a charge must follow / " + At(at));
    if (!SignedCount(t, pos, z) || z > 1000 || z < -1000) return Fail("the charge " + At(at) + " is out of range");
    if (Peek() == '[') return Fail("charge carriers other than protons are not supported, " + At(pos));
    if (pos != t.size()) return Unexpected();
    if (z == 0) return Fail("a charge of 0 makes no ion, " + At(at));
    charge = static_cast<int>(z);
    atoms[1] += z;
    return true;
}

bool SequenceReader::Scan(int& charge, std::string& reason)
{
    charge = 0;
    AtomCounts delta;
    std::vector<AtomCounts> written;  // the modifications on the current residue
    bool ok = GlobalMods();
    // A fixed modification given twice (in the sequence and as an option)
    // counts once.
    for (std::size_t i = fixed.size(); i-- > 0;) {
        const auto same = [&](const FixedMod& m) { return m.residue == fixed[i].residue && m.delta == fixed[i].delta; };
        if (std::any_of(fixed.begin(), fixed.begin() + static_cast<std::ptrdiff_t>(i), same))
            fixed.erase(fixed.begin() + static_cast<std::ptrdiff_t>(i));
    }
    alreadyWritten.assign(fixed.size(), 0);
    // N-terminal modifications, each in brackets, then '-' (only after them).
    const bool nTerminal = Peek() == '[';
    while (ok && Peek() == '[') {
        delta.clear();
        ok = Mod(delta) && AddDelta(delta, 1);
        if (ok && Peek() != '[' && Peek() != '-')
            ok = Fail("a modification before the first residue must be N-terminal, followed by '-', " + At(pos));
    }
    if (ok && nTerminal && Peek() == '-') ++pos;
    bool any = false;
    while (ok && IsUpper(Peek())) {
        ResidueAtoms r;
        if (!ResidueOf(Peek(), r)) {
            ok = Unexpected();
            break;
        }
        for (int e = 0; e < N_RESIDUE_ELEMENTS; ++e) atoms[e] += r[e];
        const char letter = t[pos++];
        ++residues[letter - 'A'];
        any = true;
        written.clear();
        while (ok && Peek() == '[') {
            delta.clear();
            ok = Mod(delta) && AddDelta(delta, 1);
            written.push_back(delta);
        }
        for (std::size_t i = 0; ok && i < fixed.size(); ++i)
            if (fixed[i].residue == letter && std::find(written.begin(), written.end(), fixed[i].delta) != written.end())
                ++alreadyWritten[i];
    }
    if (ok && !any) ok = Unexpected();
    if (ok && Peek() == '-') {
        ++pos;
        if (Peek() != '[') ok = Unexpected();
        while (ok && Peek() == '[') {
            delta.clear();
            ok = Mod(delta) && AddDelta(delta, 1);
        }
    }
    if (ok && Peek() == '/') ok = Charge(charge);
    if (ok && pos != t.size()) ok = Unexpected();
    for (std::size_t i = 0; ok && i < fixed.size(); ++i)
        ok = AddDelta(fixed[i].delta, residues[fixed[i].residue - 'A'] - alreadyWritten[i]);
    if (!ok) {
        reason = why;
        return false;
    }
    // Water for the termini.
    atoms[1] += 2;
    atoms[3] += 1;
    return true;
}

bool SequenceReader::Counts(AtomCounts& counts, std::string& reason)
{
    counts.clear();
    for (int e = 0; e < N_RESIDUE_ELEMENTS; ++e)
        if (atoms[e] != 0) counts[RESIDUE_ELEMENTS[e]] = atoms[e];
    for (const auto& [key, n] : extra) {
        if (!AddAtoms(counts, key, n)) {
            reason = "too many atoms of " + LabelText(key);
            return false;
        }
    }
    for (auto it = counts.begin(); it != counts.end();) {
        if (it->second > INT_MAX) {
            reason = "more than " + std::to_string(INT_MAX) + " atoms of " + LabelText(it->first);
            return false;
        }
        if (it->second < 0) {
            reason = "the modifications remove " + std::to_string(-it->second) + " more " + LabelText(it->first) +
                     " than the peptide has";
            return false;
        }
        it = it->second == 0 ? counts.erase(it) : std::next(it);
    }
    return true;
}

}  // namespace

bool ParseFixedMod(const std::string& word, const std::deque<AtomIsoAbun>& table, FixedMod& mod, std::string& reason)
{
    const std::size_t at = word.rfind('@');
    ResidueAtoms unused;
    if (at == std::string::npos || at + 2 != word.size() || !ResidueOf(word[at + 1], unused)) {
        reason = "fixed modification " + word + ": write the modification, @ and one residue, as Carbamidomethyl@C";
        return false;
    }
    mod.residue = word[at + 1];
    mod.delta.clear();
    std::string why;
    std::string text = word.substr(0, at);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') text = text.substr(1, text.size() - 2);
    if (!ModDelta(text, table, 0, mod.delta, why)) {
        reason = "fixed modification " + word + ": " + why;
        return false;
    }
    return true;
}

int ReadSequence(std::string_view text, const std::deque<AtomIsoAbun>& table, const std::vector<FixedMod>& fixed,
                 AtomCounts& counts, int& charge, std::string& reason)
{
    SequenceReader r(text, table, fixed);
    return r.Scan(charge, reason) && r.Counts(counts, reason) ? 0 : 2;
}

int SequenceComposition(std::string_view text, const std::deque<AtomIsoAbun>& table,
                        const std::vector<FixedMod>& fixed, const Enrichment* enrichment, MolComposition& comp,
                        int& charge, std::string& reason)
{
    SequenceReader r(text, table, fixed);
    if (!r.Scan(charge, reason)) return 2;
    const auto& atoms = r.Atoms();
    const bool negative = std::any_of(atoms.begin(), atoms.end(), [](long long n) { return n < 0; });
    if (!r.Plain() || negative) {
        AtomCounts counts;
        if (!r.Counts(counts, reason)) return 2;
        return MakeComposition(counts, table, enrichment, comp, reason);
    }
    // The residues' elements in their order, which is the composition's.
    const AtomIsoAbun* records[N_RESIDUE_ELEMENTS];
    int n = 0;
    for (int e = 0; e < N_RESIDUE_ELEMENTS; ++e) {
        if (atoms[e] == 0) continue;
        if (atoms[e] > INT_MAX) {
            reason = std::string("too many atoms of ") + RESIDUE_ELEMENTS[e];
            return 2;
        }
        records[e] = FindElement(table, RESIDUE_ELEMENTS[e]);
        if (records[e] == nullptr) {
            reason = std::string("unknown element symbol '") + RESIDUE_ELEMENTS[e] + "'";
            return 2;
        }
        ++n;
    }
    comp.Settotalnat(n);
    int j = 0;
    for (int e = 0; e < N_RESIDUE_ELEMENTS; ++e) {
        if (atoms[e] == 0) continue;
        comp.atom[j] = *records[e];
        comp.nat[j++] = static_cast<int>(atoms[e]);
    }
    return 0;
}

}  // namespace morvane
