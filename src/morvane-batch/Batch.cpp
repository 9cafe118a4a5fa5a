#include "morvane-batch/Batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <thread>

#include "calc/Pattern.h"
#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "formula/Adduct.h"
#include "frontend/OutputCheck.h"
#include "frontend/Progress.h"
#include "morvane-batch/BatchInput.h"
#include "morvane-batch/BatchOptions.h"
#include "morvane-batch/BatchTable.h"
#include "morvane-batch/OrderedRunner.h"

namespace morvane {

namespace {

// What a worker makes of one input line: its status (of its first failure),
// the reasons of its failures and the table rows of its successes.
struct Outcome {
    int status = 0;
    std::vector<std::string> reasons;
    std::string rows;
};

PatternSettings PatternSettingsOf(const RunSettings& r, const ResolutionOptions& instrument, const ReportOptions& report)
{
    PatternSettings p;
    p.charge = r.charge;
    p.masstocharge = r.masstocharge;
    p.threshold = r.threshold;
    p.merge = r.merge;
    p.normalize = r.normalize;
    p.filter = r.filter;
    p.threads = 1;  // the formulas share the threads, one formula each
    p.resolution = instrument.resolution;
    p.mergeGiven = r.mergeGiven;
    p.profile = instrument.profile;
    p.coverage = report.coverage;
    p.nominal = report.nominal;
    p.composition = report.composition;
    return p;
}

// Where a failing line stands: its line, or its protein and place there.
std::string Where(const InputLine& line)
{
    if (line.start > 0)
        return "protein " + line.id + " " + std::to_string(line.start) + "-" + std::to_string(line.end);
    return "line " + std::to_string(line.number);
}

// The label columns of a row: those of a formula line, or of a protein's
// peptide.
std::vector<std::string> LabelNames(bool proteins)
{
    if (proteins) return {"protein", "start", "end", "sequence", "adduct"};
    return {"id", "formula", "adduct"};
}

std::vector<std::string> Labels(const InputLine& line, const std::string& adduct)
{
    if (line.start > 0) return {line.id, std::to_string(line.start), std::to_string(line.end), line.formula, adduct};
    return {line.id, line.formula, adduct};
}

// The size of a regular file, 0 for anything else.
unsigned long long RegularFileSize(const char* path)
{
    struct stat st {};
    if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<unsigned long long>(st.st_size);
}

std::string Reason(int err) { return std::strerror(err != 0 ? err : EIO); }

bool IsDirectory(const char* path)
{
    struct stat st {};
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// The input and output streams: the named files, or the standard streams.
// Output goes through an FdOutputBuffer, which knows why a write failed.
struct Streams {
    std::ifstream inFile;
    int outFd = -1;
    std::unique_ptr<FdOutputBuffer> outBuffer;
    std::ostream outFile{nullptr};
    std::istream* in = &std::cin;
    std::ostream* out = &std::cout;

    ~Streams()
    {
        if (outFd >= 0) close(outFd);
    }
};

// Opens the named files; returns 0, or the status after the message.
int Open(const BatchSettings& s, Streams& io)
{
    if (s.input != nullptr) {
        errno = IsDirectory(s.input) ? EISDIR : 0;
        if (errno == 0) io.inFile.open(s.input, std::ios::binary);
        if (!io.inFile.is_open()) {
            std::cerr << "Error: cannot read input file " << s.input << ": " << Reason(errno) << "\n";
            return INPUT_NOT_READ_STATUS;
        }
        io.in = &io.inFile;
    }
    if (s.output != nullptr) {
        io.outFd = open(s.output, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (io.outFd < 0) return ReportOutputFailure("morvane-batch", s.output + (": " + Reason(errno)));
        io.outBuffer.reset(new FdOutputBuffer(io.outFd));
        io.outFile.rdbuf(io.outBuffer.get());
        io.out = &io.outFile;
    }
    return 0;
}

// Lines handed to a thread at a time: a few hundred microseconds of work.
const std::size_t CHUNK_LINES = 32;
using Chunk = std::vector<InputLine>;

// Counts of the run and the status it ends with.
struct Tally {
    unsigned long long succeeded = 0;
    unsigned long long failed = 0;
    int status = 0;  // of the first failing line: its pattern's status passed through
};

// Records a failure of one pattern of a line.
void Fail(Outcome& o, int status, const std::string& reason)
{
    if (o.status == 0) o.status = status;
    o.reasons.push_back(reason);
}

// Appends to `o` the rows of one input line: of the molecule, or of each of
// its ions in turn (the line's own adduct, else those of -a).
void AddLineRows(const InputLine& line, const std::deque<AtomIsoAbun>& elements, const std::vector<Adduct>& adducts,
                 PatternSettings settings, const BatchTable& table, Outcome& o)
{
    std::vector<Adduct> own;
    std::string reason;
    if (!line.adduct.empty()) {
        own.resize(1);
        if (own[0].Parse(line.adduct, elements, reason) != 0)
            return Fail(o, CALC_FORMULA_NOT_PARSED, "adduct " + line.adduct + ": " + reason);
    }
    const std::vector<Adduct>& ions = line.adduct.empty() ? adducts : own;
    if (ions.empty()) {
        PatternResult r = CalculatePattern(elements, line.formula, settings);
        if (r.status != 0) return Fail(o, r.status, r.reason);
        return table.AppendPattern(Labels(line, ""), r, o.rows);
    }
    for (const Adduct& a : ions) {
        settings.adduct = &a;
        PatternResult r = CalculatePattern(elements, line.formula, settings);
        // A formula that does not parse fails once, not once per ion. When
        // it parses, a failure of status 2 is the adduct's, and names it.
        MolComposition molecule;
        int charge = 0;
        std::string why;
        const bool unparsed = r.status == CALC_FORMULA_NOT_PARSED;
        if (unparsed && &a == &ions.front() && ReadMolecule(elements, line.formula, settings, molecule, charge, why) != 0)
            return Fail(o, CALC_FORMULA_NOT_PARSED, r.reason);
        if (r.status != 0) Fail(o, r.status, unparsed ? r.reason : a.Text() + ": " + r.reason);
        else table.AppendPattern(Labels(line, a.Text()), r, o.rows);
    }
}

// The rows of one input line, or why there are none (or not all).
Outcome CalculateLine(const InputLine& line, const std::deque<AtomIsoAbun>& elements,
                      const std::vector<Adduct>& adducts, const PatternSettings& settings, const BatchTable& table)
{
    Outcome o;
    if (line.tooLong) {
        Fail(o, 2, "line longer than " + std::to_string(FormulaReader::MAX_LINE) + " bytes");
        return o;
    }
    try {
        AddLineRows(line, elements, adducts, settings, table, o);
    } catch (const std::bad_alloc&) {
        Fail(o, 6, "too many variants for the available memory");
    }
    return o;
}

// Calculates every formula of the input and writes the rows in input order.
// Returns false, with the reason, when the output could not be written.
bool Process(const BatchSettings& s, const std::deque<AtomIsoAbun>& elements, const std::vector<Adduct>& adducts,
             Streams& io, Tally& tally, std::string& reason)
{
    PatternSettings settings = PatternSettingsOf(s.run, s.instrument, s.report);
    ApplyMoleculeOptions(s.molecules, settings);
    const bool profile = s.instrument.profile;
    BatchTable table(s.run.comma, std::min(s.run.precision, MAX_USEFUL_PRECISION), LabelNames(s.proteins.fasta),
                     s.run.masstocharge || !adducts.empty() ? "mz" : "mass", profile ? "point" : "peak",
                     profile ? "intensity" : "abundance");
    if (s.report.composition) table.ShowComposition();
    if (s.report.summary) table.ShowSummary();
    std::ostream& out = *io.out;
    out << table.Header();
    FormulaReader reader(*io.in);
    ProteinReader proteins(*io.in, s.proteins);
    auto nextLine = [&](InputLine& line) { return s.proteins.fasta ? proteins.Next(line) : reader.Next(line); };
    auto bytesRead = [&] { return s.proteins.fasta ? proteins.BytesRead() : reader.BytesRead(); };
    Progress progress(std::cerr, isatty(STDERR_FILENO) == 1, RegularFileSize(s.input));
    const unsigned threads = s.threads > 0 ? s.threads : std::max(1u, std::thread::hardware_concurrency());

    // Chunks of lines, so that the threads meet rarely.
    auto next = [&](Chunk& chunk) {
        InputLine line;
        while (chunk.size() < CHUNK_LINES && nextLine(line)) chunk.push_back(std::move(line));
        return !chunk.empty();
    };
    auto work = [&](const Chunk& chunk) {
        std::vector<Outcome> outcomes;
        for (const InputLine& line : chunk) outcomes.push_back(CalculateLine(line, elements, adducts, settings, table));
        return outcomes;
    };
    auto deliver = [&](const Chunk& chunk, const std::vector<Outcome>& outcomes) {
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            const Outcome& o = outcomes[i];
            out << o.rows;
            if (o.status == 0) {
                ++tally.succeeded;
            } else {
                if (tally.failed++ == 0) tally.status = o.status;
                progress.Clear();
                for (const std::string& reason : o.reasons)
                    std::cerr << Where(chunk[i]) << ": " << chunk[i].formula << ": " << reason << "\n";
            }
        }
        progress.Update(tally.succeeded + tally.failed, bytesRead());
        return static_cast<bool>(out);
    };
    OrderedRunner<Chunk, std::vector<Outcome>> runner(threads, 8 * static_cast<std::size_t>(threads));
    runner.Run(next, work, deliver);
    progress.Clear();
    return FlushOutput(out, reason);
}

}  // namespace

int BatchMain(int argc, char** argv)
{
    BatchSettings s;
    if (ScanBatchOptions(argc, argv, s, std::cerr) != 0) return OPTION_ERROR_STATUS;
    std::deque<AtomIsoAbun> elements;
    std::string reason;
    const std::string tablefile = s.run.tablefile != nullptr ? s.run.tablefile : DefaultTablePath();
    if (LoadIsotopeTable(tablefile, elements, reason) != 0) {
        std::cerr << "Error: cannot read isotope table: " << reason << "\n";
        return CALC_TABLE_NOT_READ;
    }
    if (ResolveMoleculeOptions(s.molecules, elements, std::cerr) != 0) return OPTION_ERROR_STATUS;
    std::vector<Adduct> adducts(s.adducts.size());
    for (std::size_t i = 0; i < adducts.size(); ++i) {
        if (adducts[i].Parse(s.adducts[i], elements, reason) != 0) {
            std::cerr << "Error: adduct " << s.adducts[i] << ": " << reason << "\n";
            return OPTION_ERROR_STATUS;
        }
    }
    if (!adducts.empty() && (s.run.charge != 0 || s.run.masstocharge)) {
        std::cerr << "Error: an adduct sets the charge; leave out -z and -mtz\n";
        return OPTION_ERROR_STATUS;
    }
    Streams io;
    if (const int status = Open(s, io)) return status;
    Tally tally;
    if (!Process(s, elements, adducts, io, tally, reason)) return ReportOutputFailure("morvane-batch", reason);
    std::cerr << tally.succeeded << " formulas succeeded, " << tally.failed << " failed\n";
    return tally.status;
}

}  // namespace morvane
