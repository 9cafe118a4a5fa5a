#ifndef MORVANE_MATCH_MATCHROWS_H
#define MORVANE_MATCH_MATCHROWS_H

#include <ostream>
#include <string>
#include <vector>

#include "match/EnrichmentFit.h"
#include "match/Match.h"
#include "match/Mixture.h"
#include "match/MzScans.h"

namespace morvane {

// morvane-match's table: tab-separated, or comma-separated (quoted as CSV
// requires) with `csv`. With `scans` each row starts with its scan's index,
// native id and retention time.
class MatchRows {
public:
    MatchRows(std::ostream& out, bool csv, bool peaks, bool mixture, bool scans = false);

    void Header();
    // The candidate's row (its best ion, the runner-up's charge and score),
    // or its rows of theoretical peaks; `share` is its mixture proportion
    // and uncertainty when the run fits one; `scan` the scan it was fitted
    // to when the table has scan columns.
    void Write(const Candidate& c, const CandidateMatch& m, const double* share, const MzScan* scan = nullptr);
    // The table of --fit-enrichment: the candidate, its best ion, the
    // label, and the fit (empty fields when it failed).
    void EnrichmentHeader();
    void WriteEnrichment(const Candidate& c, const Ion& ion, const std::string& label, const EnrichmentResult* fit);

private:
    void Field(const std::string& text, bool last = false);
    void Number(double v, bool last = false);
    void ScanFields(const MzScan* scan);

    std::ostream& out_;
    bool csv_;
    bool peaks_;
    bool mixture_;
    bool scans_;
};

}  // namespace morvane

#endif
