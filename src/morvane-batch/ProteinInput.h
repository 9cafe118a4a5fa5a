#ifndef MORVANE_BATCH_PROTEININPUT_H
#define MORVANE_BATCH_PROTEININPUT_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "formula/Digest.h"
#include "morvane-batch/BatchInput.h"

namespace morvane {

// morvane-batch's protein options: --fasta (the input is protein records),
// --digest ENZYME, --missed-cleavages N, --length MIN-MAX.
struct ProteinOptions {
    bool fasta = false;
    bool digest = false;
    DigestSettings digestSettings;
};

// Takes these options, with their values, out of `words`, leaving the
// others in order. Returns 0, or 5 after writing the message to `err`.
int TakeProteinOptions(std::vector<char*>& words, ProteinOptions& p, std::ostream& err);

// Reads FASTA records (a header line ">id description", then sequence lines)
// and gives their peptides as input lines: id the protein's (the header's
// first word), formula the peptide's residues, start and end set, number the
// header's line. Without digestion each chain of the protein is one
// peptide. Whitespace in sequence lines is dropped and lower-case
// (soft-masked) residues are read as capitals; a stop ('*') ends a chain
// (PeptideCutter). Peptides holding an ambiguous residue (B, J, X, Z) have no
// formula: they are skipped and counted. A UTF-8 byte-order mark at the
// start is skipped; lines before the first header, blank ones and those
// starting with ';' are skipped. Holds one protein at a time and cuts its
// peptides as they are asked for, so memory is bounded by the longest
// record, not by the number of its peptides.
class ProteinReader {
public:
    ProteinReader(std::istream& in, const ProteinOptions& options) : in_(in), options_(options) {}

    bool Next(InputLine& line);
    unsigned long long BytesRead() const { return bytes_; }
    // Records (header lines) read so far.
    unsigned long long Records() const { return records_; }
    // Peptides skipped for an ambiguous residue so far.
    unsigned long long Skipped() const { return skipped_; }
    // The residues of the record that the last peptide given was cut from.
    const std::string& Sequence() const { return sequence_; }

private:
    std::istream& in_;
    ProteinOptions options_;
    unsigned long long bytes_ = 0, records_ = 0, skipped_ = 0;
    long long lineNumber_ = 0;
    std::string pendingHeader_;  // the header read ahead, ending the previous record
    long long pendingNumber_ = 0;
    // The record being cut: its id, header line, residues.
    std::string id_;
    long long number_ = 0;
    std::string sequence_;
    PeptideCutter cutter_;

    bool ReadRecord();
};

}  // namespace morvane

#endif
