#include "elements/TableReader.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace morvane {

namespace {

// No valid word comes near this length; longer ones (a file of NUL bytes,
// say) are refused without being held in memory whole.
const std::size_t MAX_WORD = 4096;

// The whitespace-delimited words of a stream, with the line each is on.
class WordReader {
public:
    explicit WordReader(std::istream& in) : in_(in), ctype_(std::use_facet<std::ctype<char>>(in.getloc())) {}

    // Reads the next word; false at the end of the input, on a read error or
    // for a word longer than MAX_WORD (EndedCleanly tells which).
    bool Next(std::string& word)
    {
        word.clear();
        int c;
        while ((c = in_.get()) != EOF && IsSpace(c))
            if (c == '\n') ++line_;
        if (c == EOF) {
            endedCleanly_ = !in_.bad();
            return false;
        }
        word += static_cast<char>(c);
        while ((c = in_.peek()) != EOF && !IsSpace(c)) {
            if (word.size() == MAX_WORD) return false;
            word += static_cast<char>(in_.get());
        }
        return !in_.bad();
    }

    // The line of the word last read, or where the input ended.
    int Line() const { return line_; }
    // Whether the last failed Next met the end of the input and nothing else.
    bool EndedCleanly() const { return endedCleanly_; }

private:
    std::istream& in_;
    const std::ctype<char>& ctype_;
    int line_ = 1;
    bool endedCleanly_ = false;

    bool IsSpace(int c) const { return ctype_.is(std::ctype_base::space, static_cast<char>(c)); }
};

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

// Abundances are fractions of one element's atoms: their sum, added in file
// order, may exceed 1 only by this much (rounded hand-made tables).
const double ABUNDANCE_SUM_TOLERANCE = 1e-3;

// An element as the file gives it, before its values become isotope entries.
struct PendingElement {
    std::string symbol;
    int symbolLine = 0;
    int elnum = 0;
    std::vector<double> values;
    std::string lastValue;  // the last value word, for the message on an odd count
    int lastLine = 0;       // and its line
};

// Reads the table element by element, recording the first fault.
class TableParser {
public:
    TableParser(WordReader& words, TableError& error) : words_(words), error_(error) {}

    // The whole table into `result`; false at the first fault.
    bool Read(std::deque<AtomIsoAbun>& result)
    {
        std::string word;
        while (words_.Next(word)) {
            const bool ok = IsAsciiLetter(word[0]) ? StartElement(word, result) : AddValue(word);
            if (!ok) return false;
        }
        if (!words_.EndedCleanly()) return Fail(word, ReadFailure(word));
        if (!havePending_) return Fail("", "no element in the file");
        return CloseElement(result);
    }

private:
    WordReader& words_;
    TableError& error_;
    std::set<std::string> seen_;
    PendingElement pending_;
    bool havePending_ = false;

    bool Fail(const std::string& word, const std::string& what)
    {
        error_ = TableError{words_.Line(), word, what};
        return false;
    }

    static std::string ReadFailure(const std::string& word)
    {
        return word.empty() ? "read error" : "word longer than " + std::to_string(MAX_WORD) + " characters";
    }

    bool StartElement(const std::string& symbol, std::deque<AtomIsoAbun>& result)
    {
        if (havePending_ && !CloseElement(result)) return false;
        if (symbol.size() > 3) return Fail(symbol, "element symbol longer than 3 characters");
        if (symbol.find('\0') != std::string::npos) return Fail(symbol, "NUL byte in an element symbol");
        if (!seen_.insert(symbol).second) return Fail(symbol, "element symbol given twice");
        pending_ = PendingElement();
        pending_.symbol = symbol;
        pending_.symbolLine = words_.Line();
        havePending_ = true;
        std::string number;
        if (!words_.Next(number)) {
            if (!words_.EndedCleanly()) return Fail(number, ReadFailure(number));
            return Fail("", "element number of " + symbol + " missing at the end of the file");
        }
        if (!ParseElementNumber(number, pending_.elnum))
            return Fail(number, "not an element number (a whole number from 0 to 2147483647)");
        return true;
    }

    // A mass when it is the first of its pair, else an abundance.
    bool AddValue(const std::string& word)
    {
        double v = 0;
        if (!havePending_) return Fail(word, "a value before the first element symbol");
        if (!ParseDecimalWord(word, v)) return Fail(word, "not a number");
        const bool isMass = pending_.values.size() % 2 == 0;
        if (isMass && v < 0) return Fail(word, "negative mass");
        if (!isMass && (v > 1.0 || v < 0))
            return Fail(word, "abundance outside 0 to 1 (abundances are fractions, not percentages)");
        pending_.values.push_back(v);
        pending_.lastValue = word;
        pending_.lastLine = words_.Line();
        return true;
    }

    // Turns the pending element into a record at the end of `result`.
    bool CloseElement(std::deque<AtomIsoAbun>& result)
    {
        const PendingElement& p = pending_;
        if (p.values.size() % 2 != 0) {
            Fail(p.lastValue, "mass of " + p.symbol + " without its abundance");
            error_.line = p.lastLine;
            return false;
        }
        if (p.values.size() / 2 > static_cast<size_t>(INT_MAX))
            return Fail("", "more isotope entries for " + p.symbol + " than an int counts");
        const int n = static_cast<int>(p.values.size() / 2);
        double sum = 0.0;
        for (int i = 0; i < n; ++i) sum += p.values[2 * static_cast<size_t>(i) + 1];
        if (sum > 1.0 + ABUNDANCE_SUM_TOLERANCE) {
            std::ostringstream what;
            what << "abundances of " << p.symbol << " sum to " << sum << ", more than 1 + " << ABUNDANCE_SUM_TOLERANCE;
            error_ = TableError{p.symbolLine, p.symbol, what.str()};
            return false;
        }
        AtomIsoAbun rec(p.elnum, n);
        rec.SetSymbol(p.symbol.c_str());
        for (int i = 0; i < n; ++i)
            rec.iso[i] = isotope(p.values[2 * static_cast<size_t>(i)], p.values[2 * static_cast<size_t>(i) + 1]);
        rec.Sort_abundance();
        result.push_back(rec);
        return true;
    }
};

// The word as a message can show it: bytes outside printable ASCII as \xNN,
// and a long word cut after 40 bytes.
std::string ShownWord(const std::string& word)
{
    const std::size_t shown = 40;
    std::string text;
    for (std::size_t i = 0; i < word.size() && i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            const char* const hex = "0123456789abcdef";
            text += std::string("\\x") + hex[c >> 4] + hex[c & 15];
        }
    }
    return word.size() > shown ? text + "..." : text;
}

}  // namespace

std::string DescribeTableError(const TableError& e)
{
    std::string text = "line " + std::to_string(e.line);
    if (!e.word.empty()) text += ", word '" + ShownWord(e.word) + "'";
    return text + ": " + e.what;
}

int ReadIsotopeTable(std::istream& in, std::deque<AtomIsoAbun>& table, TableError* error)
{
    TableError ignored;
    WordReader words(in);
    TableParser parser(words, error != nullptr ? *error : ignored);
    std::deque<AtomIsoAbun> result;
    if (!parser.Read(result)) return 1;
    table.swap(result);
    return 0;
}

}  // namespace morvane
