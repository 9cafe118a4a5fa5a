// FASTA records through the protein reader and the digestion, the settings
// taken from the first four bytes: the enzyme (or none), the missed
// cleavages (0 to 100) and the length range; the rest is the FASTA text.
// Every peptide given stands in its protein where its start and end say,
// holds no stop and no ambiguous residue, and all the input is read.
// Digested, its length lies in the range, each of its ends is a chain end or
// a site of the enzyme, and it spans no more sites than may be missed;
// whole, it is a chain from end to end.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>

#include "formula/Digest.h"
#include "morvane-batch/ProteinInput.h"

using namespace morvane;

namespace {

// A site of `enzyme` between protein[i] and protein[i + 1], or a chain end;
// null for no enzyme, where only chain ends bound a peptide.
bool Bound(const Enzyme* enzyme, const std::string& protein, std::size_t i)
{
    if (protein[i] == '*' || i + 1 == protein.size() || protein[i + 1] == '*') return true;
    return enzyme != nullptr && CleavageSite(*enzyme, protein, i);
}

void CheckPeptide(const std::string& protein, const InputLine& line, const ProteinOptions& options)
{
    if (line.start < 1 || line.end < line.start || static_cast<std::size_t>(line.end) > protein.size()) std::abort();
    const std::size_t first = static_cast<std::size_t>(line.start) - 1, last = static_cast<std::size_t>(line.end) - 1;
    if (line.formula != protein.substr(first, last - first + 1)) std::abort();
    if (line.formula.find_first_of("*BJXZ") != std::string::npos || line.number < 1) std::abort();
    const Enzyme* enzyme = options.digest ? options.digestSettings.enzyme : nullptr;
    if ((first > 0 && !Bound(enzyme, protein, first - 1)) || !Bound(enzyme, protein, last)) std::abort();
    if (!options.digest) return;
    const DigestSettings& d = options.digestSettings;
    if (line.formula.size() < d.minLength || line.formula.size() > d.maxLength) std::abort();
    int sites = 0;
    for (std::size_t i = first; i < last; ++i) sites += CleavageSite(*enzyme, protein, i) ? 1 : 0;
    if (sites > d.missedCleavages) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4) return 0;
    ProteinOptions options;
    options.fasta = true;
    const std::size_t enzymes = std::size(ENZYMES);
    options.digest = data[0] % (enzymes + 1) != enzymes;
    options.digestSettings.enzyme = &ENZYMES[data[0] % (enzymes + 1) % enzymes];
    options.digestSettings.missedCleavages = data[1] % 101;
    options.digestSettings.minLength = 1 + data[2] % 40;
    options.digestSettings.maxLength = options.digestSettings.minLength + data[3];
    const std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);
    std::istringstream in(text);
    ProteinReader reader(in, options);
    InputLine line;
    while (reader.Next(line)) CheckPeptide(reader.Sequence(), line, options);
    if (reader.BytesRead() != text.size()) std::abort();
    return 0;
}
