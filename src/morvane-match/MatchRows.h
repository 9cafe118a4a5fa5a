#ifndef MORVANE_MATCH_MATCHROWS_H
#define MORVANE_MATCH_MATCHROWS_H

#include <ostream>
#include <string>
#include <vector>

#include "match/EnrichmentFit.h"
#include "match/Match.h"
#include "match/Mixture.h"

namespace morvane {

// morvane-match's table: tab-separated, or comma-separated (quoted as CSV
// requires) with `csv`.
class MatchRows {
public:
    MatchRows(std::ostream& out, bool csv, bool peaks, bool mixture);

    void Header();
    // The candidate's row (its best ion, the runner-up's charge and score),
    // or its rows of theoretical peaks; `share` is its mixture proportion
    // and uncertainty when the run fits one.
    void Write(const Candidate& c, const CandidateMatch& m, const double* share);
    // The table of --fit-enrichment: the candidate, its best ion, the
    // label, and the fit (empty fields when it failed).
    void EnrichmentHeader();
    void WriteEnrichment(const Candidate& c, const Ion& ion, const std::string& label, const EnrichmentResult* fit);

private:
    void Field(const std::string& text, bool last = false);
    void Number(double v, bool last = false);

    std::ostream& out_;
    bool csv_;
    bool peaks_;
    bool mixture_;
};

}  // namespace morvane

#endif
