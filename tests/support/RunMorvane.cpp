#include "support/RunMorvane.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string MakeTempDir()
{
    char tmpl[] = "/tmp/morvane-test-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

}  // namespace

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string ShippedTable() { return std::string(MORVANE_SOURCE_DIR) + "/morvanetable.txt"; }

RunResult RunMorvane(const std::vector<std::string>& args, const std::string& cwd, unsigned long long addressSpaceLimit)
{
    return RunProgram(MORVANE_EXE, args, cwd, addressSpaceLimit);
}

RunResult RunFrontEndAsMorvane(const std::string& exe, std::vector<std::string> args,
                               unsigned long long addressSpaceLimit)
{
    const bool chosen = std::any_of(args.begin(), args.end(), [](const std::string& w) {
        return w == "-t" || w == "--coverage" || w.rfind("--coverage=", 0) == 0;
    });
    if (!chosen) args.insert(args.begin(), {"-t", "0.001"});
    return RunProgram(exe, args, MORVANE_SOURCE_DIR, addressSpaceLimit);
}

namespace {

// The run itself: standard input from the file `inputPath`, TMPDIR set
// when `tmpdir` is not empty.
RunResult Launch(const std::string& exePath, const std::vector<std::string>& args, const std::string& cwd,
                 unsigned long long addressSpaceLimit, const std::string& inputPath, const std::string& tmpdir)
{
    const std::string dir = MakeTempDir();
    const std::string outPath = dir + "/out", errPath = dir + "/err";
    std::vector<char*> argv;
    std::string exe = exePath;
    argv.push_back(&exe[0]);
    std::vector<std::string> copies(args);
    for (std::string& a : copies) argv.push_back(&a[0]);
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(inputPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(127);
        if (!tmpdir.empty() && setenv("TMPDIR", tmpdir.c_str(), 1) != 0) _exit(127);
        if (addressSpaceLimit != 0) {
            const rlimit limit{addressSpaceLimit, addressSpaceLimit};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
        }
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    RunResult r;
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    rmdir(dir.c_str());
    return r;
}

}  // namespace

RunResult RunProgram(const std::string& exePath, const std::vector<std::string>& args, const std::string& cwd,
                     unsigned long long addressSpaceLimit)
{
    return Launch(exePath, args, cwd, addressSpaceLimit, "/dev/null", "");
}

RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args, const RunInput& input)
{
    const std::string dir = MakeTempDir(), path = dir + "/in";
    std::ofstream(path, std::ios::binary) << input.text;
    const RunResult r = Launch(exe, args, MORVANE_SOURCE_DIR, 0, path, input.tmpdir);
    std::remove(path.c_str());
    rmdir(dir.c_str());
    return r;
}

TempFile::TempFile(const std::string& content, const std::string& name) : dir_(MakeTempDir()), path_(dir_ + "/" + name)
{
    std::ofstream f(path_, std::ios::binary);
    f << content;
}

TempFile::~TempFile()
{
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
}
