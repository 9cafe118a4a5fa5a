#include "morvane-batch/BatchTable.h"

#include <charconv>
#include <utility>

#include "morvane-batch/GeneralNumber.h"

namespace morvane {

namespace {

template <class Integer>
void AppendNumber(Integer n, std::string& out)
{
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, n).ptr);
}

}  // namespace

BatchTable::BatchTable(bool comma, int precision, std::vector<std::string> labelNames, std::string positionName,
                       std::string numberName, std::string heightName)
    : separator_(comma ? ',' : '\t'),
      precision_(precision),
      labelNames_(std::move(labelNames)),
      positionName_(std::move(positionName)),
      numberName_(std::move(numberName)),
      heightName_(std::move(heightName))
{}

std::string BatchTable::Header() const
{
    std::string out;
    for (const std::string& name : labelNames_) out += name + separator_;
    if (summary_) {
        for (const char* name : {"monoisotopic", "average", "most_abundant"}) out += name + std::string(1, separator_);
        return out + heightName_ + separator_ + "peaks" + separator_ + "coverage\n";
    }
    out += numberName_ + separator_ + positionName_ + separator_ + heightName_;
    return out + (composition_ ? std::string(1, separator_) + "composition" + separator_ + "share\n" : "\n");
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
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        out += prefix;
        AppendNumber(i + 1, out);
        out += separator_;
        AppendGeneral(peaks[i].mass, precision_, out);
        out += separator_;
        AppendGeneral(peaks[i].abundance, precision_, out);
        out += '\n';
    }
}

void BatchTable::AppendPattern(const std::vector<std::string>& labels, const PatternResult& r, std::string& out) const
{
    if (!summary_ && !composition_) return AppendRows(labels, r.peaks, out);
    std::string prefix;
    for (const std::string& label : labels) AppendField(label, prefix);
    if (summary_) {
        out += prefix;
        for (double v : {r.monoisotopic, r.average, r.mostAbundant.mass, r.mostAbundant.abundance}) {
            AppendGeneral(v, precision_, out);
            out += separator_;
        }
        AppendNumber(r.peaks.size(), out);
        out += separator_;
        AppendGeneral(r.coverage, precision_, out);
        out += '\n';
        return;
    }
    for (std::size_t i = 0; i < r.peaks.size(); ++i) {
        out += prefix;
        AppendNumber(i + 1, out);
        out += separator_;
        AppendGeneral(r.peaks[i].mass, precision_, out);
        out += separator_;
        AppendGeneral(r.peaks[i].abundance, precision_, out);
        out += separator_;
        AppendField(r.composition[i].isotopes, out);
        AppendGeneral(r.composition[i].share, precision_, out);
        out += '\n';
    }
}

}  // namespace morvane
