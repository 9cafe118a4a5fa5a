#ifndef MORVANE_BATCH_BATCHINPUT_H
#define MORVANE_BATCH_BATCHINPUT_H

#include <cstddef>
#include <istream>
#include <string>

namespace morvane {

// One formula of morvane-batch's input.
struct InputLine {
    long long number = 0;  // line number, from 1
    std::string id;        // empty when the line holds no tab
    std::string formula;
    std::string adduct;    // the line's own adduct (its third column), or empty
    long long start = 0;   // of a protein's peptide: where it stands in the
    long long end = 0;     // protein (from 1, both included); else 0
    bool tooLong = false;  // the line was longer than FormulaReader::MAX_LINE; id and formula are cut
    std::size_t nulAt = 0;  // position (from 1) of the line's first NUL byte, 0 for none
};

// Reads morvane-batch's input: one formula per line, or an identifier, a tab
// and a formula, and maybe a tab and an adduct. Blank lines and lines whose
// first byte is '#' are skipped. Identifier, formula and adduct lose the
// whitespace around them (a carriage return before the line feed included).
// A UTF-8 byte-order mark at the start of the input is skipped.
// Holds one line at a time, at most MAX_LINE bytes of it.
class FormulaReader {
public:
    static const std::size_t MAX_LINE = 1 << 20;

    explicit FormulaReader(std::istream& in) : in_(in) {}

    // The next formula; false at the end of the input.
    bool Next(InputLine& line);
    // Bytes consumed so far.
    unsigned long long BytesRead() const { return bytes_; }

private:
    std::istream& in_;
    long long lineNumber_ = 0;
    unsigned long long bytes_ = 0;

    // The next raw line without its line feed; false at the end.
    bool ReadLine(std::string& text, bool& tooLong);
};

}  // namespace morvane

#endif
