// Lost output is never reported as success: morvane and morvane-plot end
// with status 8 and one line on standard error when their output cannot be
// written, and morvane-plot never leaves an empty or cut picture behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

// 2,500 peaks, some 240 kB: more than any pipe or output buffer holds.
const std::vector<std::string> LARGE = {"C254H377N65O75S6", "-t", "1e-8", "-r", "0"};

struct Outcome {
    std::string err;
    int status = -1;  // exit status, or 128 + signal number
};

// Runs `exe` in the source tree with standard input /dev/null and standard
// error captured; `arrange` runs in the child just before the program and
// sets up its standard output.
Outcome RunWith(const std::string& exe, const std::vector<std::string>& args, const std::function<void()>& arrange)
{
    TempFile err("", "err");
    std::vector<std::string> words{exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int e = open(err.path().c_str(), O_WRONLY | O_TRUNC);
        if (in < 0 || e < 0 || chdir(MORVANE_SOURCE_DIR) != 0) _exit(127);
        dup2(in, 0);
        dup2(e, 2);
        arrange();
        execv(argv[0], argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Outcome o;
    o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    o.err = ReadFile(err.path());
    return o;
}

void ToFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) _exit(127);
    dup2(fd, 1);
}

// A file system too small: writes beyond `bytes` fail with EFBIG.
void FileSizeLimit(rlim_t bytes)
{
    const rlimit limit{bytes, bytes};
    signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
}

// A pipe whose reading end is closed before anything is written.
void ToClosedPipe(bool ignoreSigpipe)
{
    int fds[2];
    if (pipe(fds) != 0) _exit(127);
    close(fds[0]);
    dup2(fds[1], 1);
    if (ignoreSigpipe) signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (const dirent* e = d ? readdir(d) : nullptr)
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    if (d) closedir(d);
    return names;
}

void ExpectLost(const Outcome& o, const std::string& program, const std::string& reason)
{
    EXPECT_EQ(o.status, 8);
    EXPECT_EQ(o.err, program + ": cannot write output: " + reason + "\n");
}

TEST(LostOutput, MorvaneReportsEveryWayOfLosingIt)
{
    const std::vector<std::string> glucose{"C6H12O6"};
    ExpectLost(RunWith(MORVANE_EXE, glucose, [] { ToFile("/dev/full"); }), "morvane", "No space left on device");
    ExpectLost(RunWith(MORVANE_EXE, glucose, [] { close(1); }), "morvane", "Bad file descriptor");
    ExpectLost(RunWith(MORVANE_EXE, LARGE, [] { ToClosedPipe(true); }), "morvane", "Broken pipe");
    // The usage and the error messages are output too.
    ExpectLost(RunWith(MORVANE_EXE, {}, [] { ToFile("/dev/full"); }), "morvane", "No space left on device");
    ExpectLost(RunWith(MORVANE_EXE, {"Xx"}, [] { close(1); }), "morvane", "Bad file descriptor");
}

TEST(LostOutput, BrokenPipeWithDefaultSigpipeEndsByTheSignal)
{
    const Outcome o = RunWith(MORVANE_EXE, LARGE, [] { ToClosedPipe(false); });
    EXPECT_EQ(o.status, 128 + SIGPIPE);
    EXPECT_EQ(o.err, "");
}

TEST(LostOutput, FileSystemTooSmallForTheTable)
{
    TempFile out("", "table.txt");
    const Outcome o = RunWith(MORVANE_EXE, LARGE, [&] {
        ToFile(out.path());
        FileSizeLimit(100000);
    });
    ExpectLost(o, "morvane", "File too large");
    const std::string written = ReadFile(out.path());
    EXPECT_EQ(written.size(), 100000u);
    EXPECT_EQ(written, RunMorvane(LARGE).out.substr(0, 100000));
}

TEST(LostOutput, PlotKeepsTheOldPictureWhenTheNewOneCannotBeWritten)
{
    TempFile picture("the previous picture", "pattern.svg");
    const std::vector<std::string> args{"C254H377N65O75S6", "-o", picture.path()};
    const Outcome o = RunWith(MORVANE_PLOT_EXE, args, [] { FileSizeLimit(2000); });
    EXPECT_EQ(o.status, 8);
    EXPECT_EQ(ReadFile(picture.path()), "the previous picture");
    EXPECT_EQ(FilesIn(picture.dir()), std::vector<std::string>{"pattern.svg"});

    const RunResult r = RunProgram(MORVANE_PLOT_EXE, {"C6H6", "-o", "/dev/full"}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.out, "Error: cannot write plot file\n");
    EXPECT_EQ(r.status, 8);
}

TEST(LostOutput, PlotReplacesThePictureOnlyWhenComplete)
{
    TempFile picture("the previous picture", "pattern.svg");
    ASSERT_EQ(chmod(picture.path().c_str(), 0640), 0);
    const std::string link = picture.dir() + "/link.svg";
    ASSERT_EQ(symlink(picture.path().c_str(), link.c_str()), 0);
    const RunResult r = RunProgram(MORVANE_PLOT_EXE, {"C6H6", "-o", link}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 0);
    const std::string svg = ReadFile(picture.path());
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
    EXPECT_EQ(ReadFile(link), svg);  // the link still names the picture
    struct stat st;
    ASSERT_EQ(stat(picture.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // and the picture keeps its permissions
    std::remove(link.c_str());
}

TEST(LostOutput, PlotReportsLostMessages)
{
    ExpectLost(RunWith(MORVANE_PLOT_EXE, {"C6H6"}, [] { ToFile("/dev/full"); }), "morvane-plot",
               "No space left on device");
}

}  // namespace
