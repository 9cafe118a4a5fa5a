#include "elements/TableReader.h"

#include <cmath>
#include <climits>
#include <cstdlib>
#include <iomanip>
#include <set>
#include <string>
#include <vector>

namespace {

// No valid word comes near this length; longer ones (a file of NUL bytes,
// say) are refused without being held in memory whole.
const std::size_t MAX_WORD = 4096;

// Reads the next whitespace-delimited word; false at the end of the input
// or for a word longer than MAX_WORD.
bool ReadWord(std::istream& in, std::string& word)
{
    in >> std::setw(MAX_WORD + 1) >> word;
    return in && word.size() <= MAX_WORD;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The element number: decimal digits only, within the range of int.
bool ParseElementNumber(const std::string& word, int& elnum)
{
    if (word.empty()) return false;
    long long v = 0;
    for (char c : word) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
        if (v > INT_MAX) return false;
    }
    elnum = static_cast<int>(v);
    return true;
}

// An element as the file gives it, before its values become isotope entries.
struct PendingElement {
    std::string symbol;
    int elnum = 0;
    std::vector<double> values;
};

// Abundances are fractions of one element's atoms: their sum, added in file
// order, may exceed 1 only by this much (rounded hand-made tables).
const double ABUNDANCE_SUM_TOLERANCE = 1e-3;

// Turns the pending element into a record; fails on an odd number of values,
// a negative mass, an abundance outside [0, 1] or abundances that sum to more
// than 1 + ABUNDANCE_SUM_TOLERANCE.
bool MakeRecord(const PendingElement& p, AtomIsoAbun& r)
{
    if (p.values.size() % 2 != 0 || p.values.size() / 2 > static_cast<size_t>(INT_MAX)) return false;
    const int n = static_cast<int>(p.values.size() / 2);
    AtomIsoAbun rec(p.elnum, n);
    rec.SetSymbol(p.symbol.c_str());
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double mass = p.values[2 * static_cast<size_t>(i)];
        const double abundance = p.values[2 * static_cast<size_t>(i) + 1];
        if (mass < 0 || abundance > 1.0 || abundance < 0) return false;
        sum += abundance;
        rec.iso[i] = isotope(mass, abundance);
    }
    if (sum > 1.0 + ABUNDANCE_SUM_TOLERANCE) return false;
    rec.Sort_abundance();
    r = rec;
    return true;
}

// True when `word` is one whole, finite decimal number (optional sign, digits
// with an optional point, optional exponent); its value goes to `value`.
bool ParseDecimalWord(const std::string& word, double& value)
{
    size_t i = 0;
    const size_t n = word.size();
    if (i < n && (word[i] == '+' || word[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && IsDigit(word[i])) ++i, ++digits;
    if (i < n && word[i] == '.') {
        ++i;
        while (i < n && IsDigit(word[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (word[i] == 'e' || word[i] == 'E')) {
        ++i;
        if (i < n && (word[i] == '+' || word[i] == '-')) ++i;
        size_t expdigits = 0;
        while (i < n && IsDigit(word[i])) ++i, ++expdigits;
        if (expdigits == 0) return false;
    }
    if (i != n) return false;
    const double v = std::strtod(word.c_str(), nullptr);
    // Underflow yields 0 or a subnormal and is accepted; overflow is not.
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace

int ReadIsotopeTable(std::istream& in, std::deque<AtomIsoAbun>& table)
{
    std::deque<AtomIsoAbun> result;
    std::set<std::string> seen;
    PendingElement pending;
    bool havePending = false;
    std::string word;

    auto closePending = [&]() {
        AtomIsoAbun rec;
        if (!MakeRecord(pending, rec) || !seen.insert(pending.symbol).second) return false;
        result.push_back(rec);
        return true;
    };

    while (ReadWord(in, word)) {
        if (IsAsciiLetter(word[0])) {
            if (havePending && !closePending()) return 1;
            if (word.size() > 3 || word.find('\0') != std::string::npos) return 1;
            pending = PendingElement();
            pending.symbol = word;
            havePending = true;
            std::string number;
            if (!ReadWord(in, number) || !ParseElementNumber(number, pending.elnum)) return 1;
        } else {
            double v = 0;
            if (!havePending || !ParseDecimalWord(word, v)) return 1;
            pending.values.push_back(v);
        }
    }
    if (!in.eof() || in.bad() || !havePending || !closePending()) return 1;
    table.swap(result);
    return 0;
}
