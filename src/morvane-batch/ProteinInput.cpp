#include "morvane-batch/ProteinInput.h"

#include <algorithm>
#include <cstring>

#include "core/Status.h"
#include "frontend/Options.h"
#include "morvane-batch/BatchMessages.h"

namespace morvane {

namespace {

int Fail(std::ostream& err, const std::string& message)
{
    err << "Error: " << message << "\n";
    return OPTION_ERROR_STATUS;
}

// "7-40" into its bounds.
bool ReadLength(const char* text, DigestSettings& d)
{
    const char* dash = std::strchr(text, '-');
    if (dash == nullptr) return false;
    const std::string low(text, dash);
    int lo = 0, hi = 0;
    if (!ConvertInt(low.c_str(), lo) || !ConvertInt(dash + 1, hi) || lo < 1 || hi < lo) return false;
    d.minLength = static_cast<std::size_t>(lo);
    d.maxLength = static_cast<std::size_t>(hi);
    return true;
}

// Residues that stand for one of several amino acids: no formula.
bool HasAmbiguousResidue(const std::string& peptide)
{
    return std::any_of(peptide.begin(), peptide.end(), [](char c) { return c == 'B' || c == 'J' || c == 'X' || c == 'Z'; });
}

// Soft-masked (lower-case) residues are residues all the same.
char Capital(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The header's first word; a NUL byte ends it too, so that none reaches the table.
std::string HeaderId(const std::string& header)
{
    std::size_t begin = 1;
    while (begin < header.size() && (header[begin] == ' ' || header[begin] == '\t')) ++begin;
    std::size_t end = begin;
    // strchr finds the terminating NUL of " \t\r" too: a NUL byte ends the word.
    while (end < header.size() && std::strchr(" \t\r", header[end]) == nullptr) ++end;
    return header.substr(begin, end - begin);
}

}  // namespace

int TakeProteinOptions(std::vector<char*>& words, ProteinOptions& p, std::ostream& err)
{
    std::vector<char*> rest;
    bool cleavagesGiven = false, lengthGiven = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string w = words[i];
        if (w == "--fasta") {
            p.fasta = true;
            continue;
        }
        if (w != "--digest" && w != "--missed-cleavages" && w != "--length") {
            rest.push_back(words[i]);
            continue;
        }
        if (i + 1 == words.size()) return Fail(err, w.substr(2) + " not specified");
        const char* value = words[++i];
        int n = 0;
        if (w == "--digest") {
            p.digestSettings.enzyme = FindEnzyme(value);
            if (p.digestSettings.enzyme == nullptr)
                return Fail(err, "unknown enzyme " + Echo(value) + "; the enzymes are " + EnzymeNames());
            p.digest = true;
        } else if (w == "--missed-cleavages") {
            if (!ConvertInt(value, n) || n < 0 || n > 100)
                return Fail(err, "missed cleavages must be an integer from 0 to 100");
            p.digestSettings.missedCleavages = n;
            cleavagesGiven = true;
        } else {
            if (!ReadLength(value, p.digestSettings))
                return Fail(err, "length must be MIN-MAX, whole numbers with 1 <= MIN <= MAX, as 7-40");
            lengthGiven = true;
        }
    }
    if (p.digest && !p.fasta) return Fail(err, "--digest needs --fasta input");
    if ((cleavagesGiven || lengthGiven) && !p.digest)
        return Fail(err, "--missed-cleavages and --length need --digest");
    words.swap(rest);
    return 0;
}

bool ProteinReader::ReadRecord()
{
    std::string header = pendingHeader_, text;
    sequence_.clear();
    long long number = pendingNumber_;
    pendingHeader_.clear();
    std::streambuf* buffer = in_.rdbuf();
    for (;;) {
        text.clear();
        int c;
        bool read = false;
        while ((c = buffer->sbumpc()) != std::char_traits<char>::eof()) {
            read = true;
            ++bytes_;
            if (c == '\n') break;
            text += static_cast<char>(c);
        }
        if (!read) break;
        if (++lineNumber_ == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        if (!text.empty() && text[0] == '>') {
            if (!header.empty()) {
                pendingHeader_ = text;
                pendingNumber_ = lineNumber_;
                break;
            }
            header = text;
            number = lineNumber_;
            continue;
        }
        if (header.empty() || (!text.empty() && text[0] == ';')) continue;
        for (char ch : text)
            if (ch != ' ' && !(ch >= '\t' && ch <= '\r')) sequence_ += Capital(ch);
    }
    if (header.empty()) return false;
    ++records_;
    id_ = HeaderId(header);
    number_ = number;
    cutter_.Start(sequence_, options_.digest ? &options_.digestSettings : nullptr);
    return true;
}

bool ProteinReader::Next(InputLine& line)
{
    Peptide p;
    for (;;) {
        while (cutter_.Next(p)) {
            if (HasAmbiguousResidue(p.sequence)) {
                ++skipped_;
                continue;
            }
            line = InputLine();
            line.number = number_;
            line.id = id_;
            line.formula = std::move(p.sequence);
            line.start = static_cast<long long>(p.start);
            line.end = static_cast<long long>(p.end);
            return true;
        }
        if (!ReadRecord()) return false;
    }
}

}  // namespace morvane
