#ifndef MORVANE_BATCH_BATCHTABLE_H
#define MORVANE_BATCH_BATCHTABLE_H

#include <string>
#include <vector>

#include "calc/Pattern.h"
#include "elements/isotope.h"

namespace morvane {

// The long table of morvane-batch. A header row, then one row per peak: the
// labels of its formula (such as id and formula), the peak's number (1, 2,
// ... in the order morvane prints the peaks), its position and abundance
// written as morvane writes them at the given precision. Columns are
// separated by tabs, or by commas with fields quoted as CSV requires (a
// field holding a comma, a quote or a line break is put in quotes, its
// quotes doubled). In the tab-separated form a label's tabs, carriage
// returns and line feeds become spaces, so a row stays one row.
class BatchTable {
public:
    // `labelNames` heads the label columns; `positionName` is "mass" or "mz";
    // the rows of a profile are numbered "point" and hold "intensity".
    BatchTable(bool comma, int precision, std::vector<std::string> labelNames, std::string positionName,
               std::string numberName = "peak", std::string heightName = "abundance");

    std::string Header() const;
    // Appends the rows of one pattern to `out`; labels.size() must equal the
    // number of label names. Const, so threads may share one table.
    void AppendRows(const std::vector<std::string>& labels, const std::vector<isotope>& peaks, std::string& out) const;

    // Rows of peaks gain the columns "composition" and "share": each peak's
    // make-up and its share of the peak (the pattern's `composition`).
    void ShowComposition() { composition_ = true; }
    // One row per pattern instead of its peaks: the labels, "monoisotopic",
    // "average", "most_abundant" and its height (both of the largest peak),
    // "peaks" (their number) and "coverage".
    void ShowSummary() { summary_ = true; }
    // Appends the rows of a calculated pattern as the table shows them.
    void AppendPattern(const std::vector<std::string>& labels, const PatternResult& r, std::string& out) const;

private:
    char separator_;
    int precision_;
    std::vector<std::string> labelNames_;
    std::string positionName_;
    std::string numberName_;
    std::string heightName_;
    bool composition_ = false;
    bool summary_ = false;

    void AppendField(const std::string& field, std::string& out) const;
};

}  // namespace morvane

#endif
