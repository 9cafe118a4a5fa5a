#ifndef MORVANE_TESTS_RUNMORVANE_H
#define MORVANE_TESTS_RUNMORVANE_H

#include <string>
#include <vector>

// What one run of the built executable produced.
struct RunResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or 128 + signal number
};

// Runs the program `exe` with `args` (without the program name) in
// directory `cwd`; standard input is /dev/null. A non-zero
// `addressSpaceLimit` caps the child's address space (bytes).
RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const std::string& cwd,
                     unsigned long long addressSpaceLimit = 0);

// What a run reads, beyond its arguments.
struct RunInput {
    std::string text;    // its standard input
    std::string tmpdir;  // its TMPDIR
};

// Runs the program `exe` with `args` in the repository root, with the
// input's text as standard input and its TMPDIR.
RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const RunInput& input);

// Runs morvane, by default in the repository root.
RunResult RunMorvane(const std::vector<std::string>& args, const std::string& cwd = MORVANE_SOURCE_DIR,
                     unsigned long long addressSpaceLimit = 0);

// Runs a front-end (morvane-batch, morvane-plot) in the repository root.
// Unless the arguments choose a threshold or a coverage target, morvane's
// default threshold comes first: the front-ends' own default is a coverage
// target, and these runs are compared with what morvane prints.
RunResult RunFrontEndAsMorvane(const std::string& exe, std::vector<std::string> args,
                               unsigned long long addressSpaceLimit = 0);

// The whole content of a file, empty when it cannot be read.
std::string ReadFile(const std::string& path);

// Whether anything is at `path` (a test data file another package ships).
bool Exists(const std::string& path);

// Path of the shipped default table.
std::string ShippedTable();

// A file in a fresh temporary directory, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::string& content, const std::string& name = "table.txt");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string path_;
};

#endif
