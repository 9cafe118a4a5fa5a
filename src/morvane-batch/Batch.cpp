#include "morvane-batch/Batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <thread>

#include "calc/Pattern.h"
#include "core/Status.h"
#include "elements/DefaultTable.h"
#include "formula/Adduct.h"
#include "frontend/FdInput.h"
#include "frontend/FileReplacement.h"
#include "frontend/OutputCheck.h"
#include "frontend/Progress.h"
#include "frontend/ToolInfo.h"
#include "morvane-batch/BatchInput.h"
#include "morvane-batch/BatchMessages.h"
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
    if (proteins) return {"protein", "start", "end", "sequence", "adduct", "charge"};
    return {"id", "formula", "adduct", "charge"};
}

// `charge` is the ion's, with its sign.
std::vector<std::string> Labels(const InputLine& line, const std::string& adduct, int charge)
{
    const std::string z = std::to_string(charge);
    if (line.start > 0) return {line.id, std::to_string(line.start), std::to_string(line.end), line.formula, adduct, z};
    return {line.id, line.formula, adduct, z};
}

// The size of a regular file, 0 for anything else.
unsigned long long RegularFileSize(const char* path)
{
    struct stat st {};
    if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    return static_cast<unsigned long long>(st.st_size);
}

std::string Reason(int err) { return std::strerror(err != 0 ? err : EIO); }

// The input and output streams: the named files, or the standard streams.
// Input comes through an FdInputBuffer and output goes through an
// FdOutputBuffer, which know why a read or a write failed; a named output
// is written beside its place and moved there once complete.
struct Streams {
    int inFd = STDIN_FILENO;
    std::unique_ptr<FdInputBuffer> inBuffer;
    std::istream in{nullptr};
    FileReplacement outFile;
    std::unique_ptr<FdOutputBuffer> outBuffer;
    std::ostream outStream{nullptr};
    std::ostream* out = &std::cout;

    ~Streams()
    {
        if (inFd != STDIN_FILENO) close(inFd);
    }
};

std::string InputName(const BatchSettings& s)
{
    return s.input != nullptr ? std::string("input file ") + s.input : "standard input";
}

// Refuses an output that is the input or the table itself (however it is
// named: links and other paths included), before anything is written.
int CheckOutputIsNew(const BatchSettings& s, int inFd, const std::string& tablefile)
{
    struct stat out {}, other {};
    if (s.output == nullptr || stat(s.output, &out) != 0 || !S_ISREG(out.st_mode)) return 0;
    const auto same = [&](const struct stat& st) { return st.st_dev == out.st_dev && st.st_ino == out.st_ino; };
    const char* what = nullptr;
    if (fstat(inFd, &other) == 0 && same(other)) what = "the input";
    if (IsSameFile(s.output, tablefile)) what = "the isotope table";
    if (what == nullptr) return 0;
    std::cerr << "Error: output file " << Echo(s.output) << " is " << what << "; name another file\n";
    return OPTION_ERROR_STATUS;
}

// Opens the named files; returns 0, or the status after the message.
int Open(const BatchSettings& s, const std::string& tablefile, Streams& io)
{
    if (s.input != nullptr) {
        io.inFd = open(s.input, O_RDONLY | O_CLOEXEC);
        if (io.inFd < 0) {
            io.inFd = STDIN_FILENO;
            std::cerr << "Error: cannot read " << InputName(s) << ": " << Reason(errno) << "\n";
            return INPUT_NOT_READ_STATUS;
        }
    }
    // A directory, or a standard input left closed (held open for writing
    // only), cannot be read: say so before any output.
    struct stat st {};
    const int access = fcntl(io.inFd, F_GETFL) & O_ACCMODE;
    const int err = fstat(io.inFd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : access == O_WRONLY ? EBADF : 0;
    if (err != 0) {
        std::cerr << "Error: cannot read " << InputName(s) << ": " << Reason(err) << "\n";
        return INPUT_NOT_READ_STATUS;
    }
    io.inBuffer.reset(new FdInputBuffer(io.inFd));
    io.in.rdbuf(io.inBuffer.get());
    if (const int status = CheckOutputIsNew(s, io.inFd, tablefile)) return status;
    if (s.output != nullptr) {
        std::string reason;
        const int fd = io.outFile.Open(s.output, reason);
        if (fd < 0) return ReportOutputFailure("morvane-batch", s.output + (": " + reason));
        io.outBuffer.reset(new FdOutputBuffer(fd));
        io.outStream.rdbuf(io.outBuffer.get());
        io.out = &io.outStream;
    }
    return 0;
}

// Threads beyond a few per processor only wait for one another, and each
// holds a stack of its own: -j is held to this many per processor.
const unsigned MAX_THREADS_PER_CORE = 4;

// Lines handed to a thread at a time: a few hundred microseconds of work.
const std::size_t CHUNK_LINES = 32;
using Chunk = std::vector<InputLine>;

// Counts of the run and the status it ends with.
struct Tally {
    unsigned long long succeeded = 0;
    unsigned long long failed = 0;
    int status = 0;  // of the first failing line: its pattern's status passed through
    unsigned long long skipped = 0;  // peptides of ambiguous residues
    bool noRecord = false;           // FASTA input without a record
};

// Records a failure of one pattern of a line.
void Fail(Outcome& o, int status, const std::string& reason)
{
    if (o.status == 0) o.status = status;
    o.reasons.push_back(reason);
}

// The reason of a formula that failed. A line without a tab whose words
// make an unknown symbol most likely holds an identifier and a formula
// separated by spaces (the parser drops them, reading "my id C6" as the
// symbol myid): say how the two are separated.
std::string WithTabHint(const InputLine& line, const std::string& reason)
{
    const bool spaced = line.formula.find_first_of(" \v\f\r") != std::string::npos;
    if (!line.id.empty() || !spaced || reason.rfind("unknown element symbol", 0) != 0) return reason;
    return reason + " (an identifier is separated from its formula by a tab)";
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
            return Fail(o, CALC_FORMULA_NOT_PARSED, "adduct " + Echo(line.adduct) + ": " + reason);
    }
    const std::vector<Adduct>& ions = line.adduct.empty() ? adducts : own;
    if (ions.empty()) {
        PatternResult r = CalculatePattern(elements, line.formula, settings);
        if (r.status != 0) return Fail(o, r.status, WithTabHint(line, r.reason));
        return table.AppendPattern(Labels(line, "", r.charge), r, o.rows);
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
            return Fail(o, CALC_FORMULA_NOT_PARSED, WithTabHint(line, r.reason));
        if (r.status != 0) Fail(o, r.status, unparsed ? r.reason : a.Text() + ": " + r.reason);
        else table.AppendPattern(Labels(line, a.Text(), r.charge), r, o.rows);
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
    if (line.nulAt != 0) {
        Fail(o, 2, "NUL byte at position " + std::to_string(line.nulAt) + " of the line");
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
// Whether a progress line may go to standard error: a terminal there, and
// not the very terminal the table goes to.
bool ShowsProgress(const BatchSettings& s)
{
    if (isatty(STDERR_FILENO) != 1) return false;
    struct stat out {}, err {};
    if (s.output != nullptr || fstat(STDOUT_FILENO, &out) != 0 || fstat(STDERR_FILENO, &err) != 0) return true;
    return !(out.st_dev == err.st_dev && out.st_ino == err.st_ino);
}

bool Process(const BatchSettings& s, const std::deque<AtomIsoAbun>& elements, const std::vector<Adduct>& adducts,
             Streams& io, Tally& tally, std::string& reason)
{
    PatternSettings settings = PatternSettingsOf(s.run, s.instrument);
    settings.threads = 1;  // the formulas share the threads, one formula each
    if (s.report.coverage > 0) settings.coverage = s.report.coverage;
    settings.nominal = s.report.nominal;
    settings.composition = s.report.composition;
    settings.centroidIntensity = s.report.centroidIntensity;
    ApplyMoleculeOptions(s.molecules, settings);
    const bool profile = s.instrument.profile;
    BatchTable table(s.run.comma, std::min(s.run.precision, MAX_USEFUL_PRECISION), LabelNames(s.proteins.fasta),
                     s.run.masstocharge || !adducts.empty() ? "mz" : "mass", profile ? "point" : "peak",
                     profile ? "intensity" : "abundance");
    if (s.report.composition) table.ShowComposition();
    if (s.report.summary) table.ShowSummary();
    std::ostream& out = *io.out;
    out << table.Header();
    FormulaReader reader(io.in);
    ProteinReader proteins(io.in, s.proteins);
    auto nextLine = [&](InputLine& line) { return s.proteins.fasta ? proteins.Next(line) : reader.Next(line); };
    auto bytesRead = [&] { return s.proteins.fasta ? proteins.BytesRead() : reader.BytesRead(); };
    Progress progress(std::cerr, ShowsProgress(s), RegularFileSize(s.input));
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned threads = s.threads > 0 ? std::min(s.threads, MAX_THREADS_PER_CORE * cores) : cores;

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
                    std::cerr << Where(chunk[i]) << ": " << Echo(chunk[i].formula) << ": " << reason << "\n";
            }
        }
        progress.Update(tally.succeeded + tally.failed, bytesRead());
        return static_cast<bool>(out);
    };
    OrderedRunner<Chunk, std::vector<Outcome>> runner(threads, 8 * static_cast<std::size_t>(threads));
    runner.Run(next, work, deliver);
    progress.Clear();
    tally.skipped = proteins.Skipped();
    tally.noRecord = s.proteins.fasta && proteins.Records() == 0;
    return FlushOutput(out, reason);
}

}  // namespace

int BatchMain(int argc, char** argv)
{
    if (AnswerHelpOrVersion(argc, argv, "morvane-batch", BATCH_USAGE, std::cout)) return 0;
    BatchSettings s;
    if (ScanBatchOptions(argc, argv, s, std::cerr) != 0) return OPTION_ERROR_STATUS;
    if (const char* fault = SettingFault(PatternSettingsOf(s.run, s.instrument))) {
        std::cerr << "Error: " << fault << "\n";
        return OPTION_ERROR_STATUS;
    }
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
            std::cerr << "Error: adduct " << Echo(s.adducts[i]) << ": " << reason << "\n";
            return OPTION_ERROR_STATUS;
        }
    }
    if (!adducts.empty() && (s.run.charge != 0 || s.run.masstocharge)) {
        std::cerr << "Error: an adduct sets the charge; leave out -z and -mtz\n";
        return OPTION_ERROR_STATUS;
    }
    Streams io;
    if (const int status = Open(s, tablefile, io)) return status;
    Tally tally;
    bool written = false;
    try {
        written = Process(s, elements, adducts, io, tally, reason);
    } catch (const std::bad_alloc&) {
        std::cerr << "Error: the run needs more memory than there is\n";
        return EXCEPTION_STATUS;  // a named output keeps what it held
    }
    if (!written) return ReportOutputFailure("morvane-batch", reason);
    if (const int err = io.inBuffer->Error()) {
        std::cerr << "Error: cannot read " << InputName(s) << ": " << Reason(err) << "\n";
        return INPUT_NOT_READ_STATUS;  // a named output keeps what it held
    }
    if (tally.noRecord) {
        std::cerr << "Error: " << InputName(s) << " holds no FASTA record (a header line starting with >)\n";
        return INPUT_NOT_READ_STATUS;
    }
    if (s.output != nullptr && !io.outFile.Commit(reason)) return ReportOutputFailure("morvane-batch", reason);
    std::cerr << tally.succeeded << " formulas succeeded, " << tally.failed << " failed";
    if (tally.skipped > 0) std::cerr << ", " << tally.skipped << " peptides with ambiguous residues (B, J, X, Z) skipped";
    std::cerr << "\n";
    return tally.status;
}

}  // namespace morvane
