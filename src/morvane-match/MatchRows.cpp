#include "morvane-match/MatchRows.h"

#include <cstdio>

namespace morvane {

MatchRows::MatchRows(std::ostream& out, bool csv, bool peaks, bool mixture, bool scans)
    : out_(out), csv_(csv), peaks_(peaks), mixture_(mixture), scans_(scans)
{
}

void MatchRows::Field(const std::string& text, bool last)
{
    const bool quote = csv_ && text.find_first_of(",\"\n") != std::string::npos;
    if (quote) {
        out_ << '"';
        for (char c : text) out_ << (c == '"' ? "\"\"" : std::string(1, c));
        out_ << '"';
    } else {
        out_ << text;
    }
    out_ << (last ? '\n' : csv_ ? ',' : '\t');
}

void MatchRows::Number(double v, bool last)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.8g", v);
    Field(text, last);
}

void MatchRows::ScanFields(const MzScan* scan)
{
    if (!scans_) return;
    Number(scan->index);
    Field(scan->nativeId);
    Number(scan->minutes);
}

void MatchRows::Header()
{
    if (scans_)
        for (const char* h : {"scan", "native_id", "rt"}) Field(h);
    for (const char* h : {"candidate", "ion", "charge"}) Field(h);
    if (peaks_) {
        for (const char* h : {"theoretical_mz", "observed_mz", "ppm", "theoretical", "observed"}) Field(h, false);
        Field("found", true);
        return;
    }
    for (const char* h : {"score", "cosine", "wasserstein", "explained", "mono_ppm", "rms_ppm", "found", "expected",
                          "runner_up_charge"})
        Field(h);
    if (mixture_) {
        Field("runner_up_score");
        Field("proportion");
        Field("uncertainty", true);
    } else {
        Field("runner_up_score", true);
    }
}

void MatchRows::Write(const Candidate& c, const CandidateMatch& m, const double* share, const MzScan* scan)
{
    const ChargeFit& best = m.fits.front();
    if (peaks_) {
        for (const PeakPair& p : best.fit.peaks) {
            ScanFields(scan);
            Field(c.text);
            Field(best.ion.adduct);
            Number(best.ion.charge);
            Number(p.theoreticalMz);
            p.found ? Number(p.observedMz) : Field("");
            p.found ? Number(p.ppm) : Field("");
            Number(p.theoretical);
            Number(p.observed);
            Field(p.found ? "yes" : "no", true);
        }
        return;
    }
    const EnvelopeFit& f = best.fit;
    ScanFields(scan);
    Field(c.text);
    Field(best.ion.adduct);
    Number(best.ion.charge);
    for (double v : {f.score, f.cosine, f.wasserstein, f.explained}) Number(v);
    f.monoisotopicFound ? Number(f.monoisotopicPpm) : Field("");
    Number(f.rmsPpm);
    Number(f.found);
    Number(static_cast<double>(f.peaks.size()));
    m.fits.size() > 1 ? Number(m.fits[1].ion.charge) : Field("");
    if (m.fits.size() > 1) Number(m.fits[1].fit.score, !mixture_);
    else Field("", !mixture_);
    if (!mixture_) return;
    share != nullptr ? Number(share[0]) : Field("");
    share != nullptr ? Number(share[1], true) : Field("", true);
}

void MatchRows::EnrichmentHeader()
{
    for (const char* h : {"candidate", "ion", "charge", "label", "enrichment", "uncertainty"}) Field(h);
    Field("residual", true);
}

void MatchRows::WriteEnrichment(const Candidate& c, const Ion& ion, const std::string& label,
                                const EnrichmentResult* fit)
{
    Field(c.text);
    Field(ion.adduct);
    Number(ion.charge);
    Field(label);
    fit != nullptr ? Number(fit->enrichment) : Field("");
    fit != nullptr ? Number(fit->uncertainty) : Field("");
    fit != nullptr ? Number(fit->residual, true) : Field("", true);
}

}  // namespace morvane
