#include "morvane-batch/BatchInput.h"

namespace morvane {

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trimmed(const std::string& s, std::size_t begin, std::size_t end)
{
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

}  // namespace

bool FormulaReader::ReadLine(std::string& text, bool& tooLong)
{
    text.clear();
    tooLong = false;
    std::streambuf* buffer = in_.rdbuf();
    bool any = false;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) break;
        any = true;
        ++bytes_;
        if (c == '\n') break;
        if (text.size() < MAX_LINE)
            text += static_cast<char>(c);
        else
            tooLong = true;
    }
    return any;
}

bool FormulaReader::Next(InputLine& line)
{
    std::string text;
    bool tooLong = false;
    while (ReadLine(text, tooLong)) {
        if (++lineNumber_ == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        if ((!text.empty() && text[0] == '#') || Trimmed(text, 0, text.size()).empty()) continue;
        const std::size_t tab = text.find('\t');
        const std::size_t start = tab == std::string::npos ? 0 : tab + 1;
        const std::size_t second = tab == std::string::npos ? tab : text.find('\t', start);
        const std::size_t end = second == std::string::npos ? text.size() : second;
        line.number = lineNumber_;
        line.id = tab == std::string::npos ? std::string() : Trimmed(text, 0, tab);
        line.formula = Trimmed(text, start, end);
        line.adduct = second == std::string::npos ? std::string() : Trimmed(text, second + 1, text.size());
        line.tooLong = tooLong;
        line.nulAt = text.find('\0') + 1;  // npos + 1 is 0
        return true;
    }
    return false;
}

}  // namespace morvane
