#include "app/BatchTable.h"

#include <sstream>
#include <utility>

BatchTable::BatchTable(bool comma, int precision, std::vector<std::string> labelNames, std::string positionName)
    : separator_(comma ? ',' : '\t'), precision_(precision), labelNames_(std::move(labelNames)),
      positionName_(std::move(positionName))
{
}

std::string BatchTable::Header() const
{
    std::string out;
    for (const std::string& name : labelNames_) out += name + separator_;
    return out + "peak" + separator_ + positionName_ + separator_ + "abundance\n";
}

void BatchTable::AppendField(const std::string& field, std::string& out) const
{
    if (separator_ == '\t') {
        for (char c : field) out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
    } else if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
    } else {
        out += '"';
        for (char c : field) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        out += '"';
    }
    out += separator_;
}

void BatchTable::AppendRows(const std::vector<std::string>& labels, const std::vector<isotope>& peaks,
                            std::string& out) const
{
    if (peaks.empty()) return;
    std::string prefix;
    for (const std::string& label : labels) AppendField(label, prefix);
    std::ostringstream numbers;
    numbers.precision(precision_);
    for (std::size_t i = 0; i < peaks.size(); ++i)
        numbers << prefix << i + 1 << separator_ << peaks[i].mass << separator_ << peaks[i].abundance << '\n';
    out += numbers.str();
}
