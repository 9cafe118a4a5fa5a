#include "formula/FormulaLanguage.h"
#include "formula/FormulaChars.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "formula/FormulaParser.h"

namespace morvane {

namespace {


const char MIDDLE_DOT[] = "\xc2\xb7";

// Bytes that only the extended language gives a meaning.
bool HasExtendedByte(std::string_view text)
{
    for (char c : text)
        if (c == '(' || c == ')' || c == '[' || c == ']' || c == '.' || c == '\xc2') return true;
    return false;
}

bool HasHydrogenIsotopeLetter(std::string_view text)
{
    return text.find('D') != std::string_view::npos || text.find('T') != std::string_view::npos;
}

std::string At(std::size_t i) { return "at position " + std::to_string(i + 1); }

// The atoms of a group while it is being read, and where it opened.
struct Frame {
    AtomCounts counts;
    std::size_t openAt = 0;
};

// Reads the language of FormulaLanguage.h with a stack of open groups (no
// recursion, so any depth of parentheses is safe).
class Reader {
public:
    Reader(std::string_view text, const std::deque<AtomIsoAbun>& table) : t(text), table(table) {}

    bool Read(AtomCounts& total, std::string& reason);

private:
    std::string_view t;
    const std::deque<AtomIsoAbun>& table;
    std::size_t pos = 0;
    std::string why;
    // The last count read: where its digits began (npos when it was not
    // written out) and its value.
    std::size_t countAt = std::string_view::npos;
    long long countValue = 0;

    void SkipBlanks()
    {
        while (pos < t.size() && IsWhitespace(t[pos])) ++pos;
    }
    char Peek()
    {
        SkipBlanks();
        return pos < t.size() ? t[pos] : '\0';
    }
    bool AtEnd()
    {
        SkipBlanks();
        return pos == t.size();
    }
    bool AtDot()
    {
        SkipBlanks();
        return t.compare(pos, 1, ".") == 0 || t.compare(pos, 2, MIDDLE_DOT) == 0;
    }
    bool Fail(const std::string& reason)
    {
        why = reason;
        return false;
    }

    bool Count(long long& n);
    std::string DigitsAt(std::size_t at);
    bool NotWhole(std::size_t at);
    bool CheckBeforeDot();
    bool Element(std::string& key);
    bool Label(std::string& key);
    bool Part(AtomCounts& counts);
    bool Unexpected();
};

bool Reader::Unexpected()
{
    const unsigned char c = static_cast<unsigned char>(t[pos]);
    if (c == ')') return Fail("unmatched ) " + At(pos));
    if (c == ']') return Fail("unmatched ] " + At(pos));
    if (IsDigit(static_cast<char>(c)))
        return Fail("a count must follow an element, a label or a group (a leading count belongs after a dot, "
                    "as in CuSO4.5H2O), " + At(pos));
    if (c < 0x20 || c >= 0x7f) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", c);
        return Fail(std::string("byte ") + hex + " " + At(pos) + " is not allowed in a formula");
    }
    return Fail(std::string("character '") + static_cast<char>(c) + "' " + At(pos) + " is not allowed in a formula");
}

// The digits at the cursor (blanks between them ignored, as morvane does);
// n is 1 when there are none.
bool Reader::Count(long long& n)
{
    const std::size_t at = pos;
    bool any = false;
    n = 0;
    while (IsDigit(Peek())) {
        if (!any) countAt = pos;
        any = true;
        n = n * 10 + (t[pos++] - '0');
        if (n > INT_MAX) return Fail("count " + At(at) + " is beyond the 32-bit range");
    }
    if (!any) {
        n = 1;
        countAt = std::string_view::npos;
    }
    countValue = n;
    return true;
}

// The digits from `at` on, blanks between them left out.
std::string Reader::DigitsAt(std::size_t at)
{
    std::string digits;
    for (; at < t.size() && (IsDigit(t[at]) || IsWhitespace(t[at])); ++at)
        if (IsDigit(t[at])) digits += t[at];
    return digits;
}

// Refuses the decimal number whose integer digits begin at `at` and whose
// dot is at the cursor.
bool Reader::NotWhole(std::size_t at)
{
    const std::size_t dot = pos;
    const std::size_t fraction = dot + (t[dot] == '.' ? 1 : 2);
    return Fail("count " + DigitsAt(at) + "." + DigitsAt(fraction) + " " + At(at) + " is not a whole number");
}

// At a dot that ends a part. A count of 0 before it is refused: it is the
// integer part of a decimal (Fe0.95O), never the end of a hydrate's first
// part. So is a count of 1 with digits after the dot (C1.5H3): 1 is not
// written out before a hydrate's dot, so the dot is a decimal point.
bool Reader::CheckBeforeDot()
{
    if (countAt == std::string_view::npos) return true;
    const std::size_t fraction = pos + (t[pos] == '.' ? 1 : 2);
    const bool digitAfter = !DigitsAt(fraction).empty();
    if (countValue == 0 && !digitAfter) return Fail("count 0 " + At(countAt) + " before a dot");
    if (countValue == 0 || (countValue == 1 && digitAfter)) return NotWhole(countAt);
    return true;
}

// A symbol at an uppercase letter: the table's, else D or T as a label.
bool Reader::Element(std::string& key)
{
    const std::size_t at = pos;
    key.assign(1, t[pos++]);
    while (IsContinuation(Peek())) key += t[pos++];
    if (FindElement(table, key) != nullptr) return true;
    if ((key == "D" || key == "T") && FindElement(table, "H") != nullptr) {
        key = LabelKey("H", key == "D" ? 2 : 3);
        double mass = 0;
        if (LabelMass(*FindElement(table, "H"), key == LabelKey("H", 2) ? 2 : 3, mass)) return true;
    }
    return Fail("unknown element symbol '" + key + "' " + At(at));
}

// [13C]: a mass number and an element symbol in brackets.
bool Reader::Label(std::string& key)
{
    const std::size_t open = pos++;
    int massNumber = 0;
    while (IsDigit(Peek()) && massNumber < 1000) massNumber = massNumber * 10 + (t[pos++] - '0');
    std::string symbol;
    if (IsUpper(Peek())) {
        symbol.assign(1, t[pos++]);
        while (Peek() >= 'a' && Peek() <= 'z') symbol += t[pos++];
    }
    if (massNumber == 0 || massNumber >= 1000 || symbol.empty() || Peek() != ']')
        return Fail("malformed isotope label " + At(open) + ": write a mass number and a symbol, as [13C]");
    ++pos;
    const AtomIsoAbun* element = FindElement(table, symbol);
    if (element == nullptr) return Fail("unknown element symbol '" + symbol + "' in the label " + At(open));
    double mass = 0;
    if (!LabelMass(*element, massNumber, mass))
        return Fail("the table has no isotope " + std::to_string(massNumber) + symbol + " for the label " + At(open));
    key = LabelKey(symbol, massNumber);
    if (key.size() >= sizeof(AtomIsoAbun::symbol)) return Fail("label " + At(open) + " names too long a symbol");
    return true;
}

// Merges n times `from` into `into`; false when a total leaves int's range.
bool Merge(AtomCounts& into, const AtomCounts& from, long long n, std::string& key)
{
    for (const auto& [k, c] : from) {
        if (!AddAtoms(into, k, c * n)) {
            key = k;
            return false;
        }
    }
    return true;
}

// One part: elements, labels and groups, each with its count, up to a dot
// or the end.
bool Reader::Part(AtomCounts& counts)
{
    std::vector<Frame> stack(1);
    stack[0].openAt = pos;
    std::string overflow;
    while (!AtEnd() && !AtDot()) {
        const char c = t[pos];
        const std::size_t at = pos;
        std::string key;
        if (c == '(') {
            ++pos;
            stack.push_back(Frame{{}, at});
            continue;
        }
        long long n = 1;
        if (c == ')') {
            if (stack.size() == 1) return Unexpected();
            if (stack.back().counts.empty()) return Fail("empty parentheses " + At(stack.back().openAt));
            ++pos;
            Frame group = std::move(stack.back());
            stack.pop_back();
            if (!Count(n)) return false;
            if (!Merge(stack.back().counts, group.counts, n, overflow))
                return Fail("more than " + std::to_string(INT_MAX) + " atoms of " + LabelText(overflow) +
                            " in the group " + At(group.openAt));
            continue;
        }
        if (IsUpper(c)) {
            if (!Element(key)) return false;
        } else if (c == '[') {
            if (!Label(key)) return false;
        } else {
            return Unexpected();
        }
        if (!Count(n)) return false;
        if (!AddAtoms(stack.back().counts, key, n))
            return Fail("more than " + std::to_string(INT_MAX) + " atoms of " + LabelText(key) + " " + At(at));
    }
    if (stack.size() > 1) return Fail("unmatched ( " + At(stack.back().openAt));
    if (stack[0].counts.empty()) return Fail(AtEnd() ? "nothing after the dot " + At(pos - 1) : "nothing before the dot " + At(pos));
    counts = std::move(stack[0].counts);
    return true;
}

bool Reader::Read(AtomCounts& total, std::string& reason)
{
    total.clear();
    bool first = true;
    std::size_t previous = std::string_view::npos;  // where the count before the dot began, if written
    std::size_t dot = 0;
    for (;;) {
        long long n = 1;
        if (!first) {
            if (t[pos] == '.')
                ++pos;
            else
                pos += 2;
            if (!Count(n)) break;
            // A leading count followed by another dot is a decimal
            // multiplier (CaSO4.0.5H2O); one with nothing after it is the
            // fraction of a decimal count (C2.5).
            if (countAt != std::string_view::npos && AtDot()) {
                NotWhole(countAt);
                break;
            }
            if (countAt != std::string_view::npos && AtEnd()) {
                if (previous != std::string_view::npos) {
                    pos = dot;
                    NotWhole(previous);
                } else {
                    why = "nothing after the count " + At(countAt);
                }
                break;
            }
        } else if (AtEnd()) {
            why = "empty formula";
            break;
        }
        AtomCounts part;
        std::string overflow;
        if (!Part(part)) break;
        if (!Merge(total, part, n, overflow)) {
            why = "more than " + std::to_string(INT_MAX) + " atoms of " + LabelText(overflow);
            break;
        }
        if (AtEnd()) return true;
        if (!CheckBeforeDot()) break;
        previous = countAt;
        dot = pos;
        first = false;
    }
    reason = why;
    return false;
}

// The counts of a composition that morvane's parser made.
AtomCounts CountsOf(const MolComposition& comp)
{
    AtomCounts counts;
    for (int i = 0; i < comp.totalnat; ++i) counts[comp.atom[i].symbol] = comp.nat[i];
    return counts;
}

}  // namespace

int ReadFormula(std::string_view text, const std::deque<AtomIsoAbun>& table, AtomCounts& counts, std::string& reason)
{
    Reader r(text, table);
    return r.Read(counts, reason) ? 0 : 2;
}

int FormulaCounts(std::string_view text, const std::deque<AtomIsoAbun>& table, AtomCounts& counts,
                  std::string& reason)
{
    MolComposition comp;
    if (!HasExtendedByte(text) && ParseFormula(text, table, comp, &reason) == 0) {
        counts = CountsOf(comp);
        return 0;
    }
    if (!HasExtendedByte(text) && !HasHydrogenIsotopeLetter(text)) return 2;
    return ReadFormula(text, table, counts, reason);
}

int ParseFrontEndFormula(std::string_view text, const std::deque<AtomIsoAbun>& table, const Enrichment* enrichment,
                         MolComposition& comp, std::string& reason)
{
    if (!HasExtendedByte(text)) {
        if (ParseFormula(text, table, comp, &reason) == 0) return 0;
        if (!HasHydrogenIsotopeLetter(text)) return 2;
    }
    AtomCounts counts;
    if (ReadFormula(text, table, counts, reason) != 0) return 2;
    return MakeComposition(counts, table, enrichment, comp, reason);
}

}  // namespace morvane
