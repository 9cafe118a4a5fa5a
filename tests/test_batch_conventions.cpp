// morvane-batch against the conventions of a command-line tool, as a user
// meets them: help and version, inputs that cannot be read, outputs that
// must not be lost, messages that show what is wrong.
#include <gtest/gtest.h>

#include <unistd.h>

#include <dirent.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

const std::string BATCH = MORVANE_BATCH_EXE;

RunResult RunBatch(const std::vector<std::string>& args, unsigned long long addressSpaceLimit = 0)
{
    return RunFrontEndAsMorvane(BATCH, args, addressSpaceLimit);
}

RunResult RunShell(const std::string& script) { return RunProgram("/bin/sh", {"-c", script}, MORVANE_SOURCE_DIR); }

// The names in a folder other than . and ..
std::vector<std::string> FolderNames(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    for (dirent* e; d != nullptr && (e = readdir(d)) != nullptr;)
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    if (d != nullptr) closedir(d);
    return names;
}

const char* const GLUCOSE_ROWS =
    "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n"
    "\tC6H12O6\t\t0\t1\t180.06339\t0.92263298\n"
    "\tC6H12O6\t\t0\t2\t181.06683\t0.063255793\n"
    "\tC6H12O6\t\t0\t3\t182.06794\t0.012994973\n";

TEST(BatchConventions, HelpAndVersionOnStandardOutput)
{
    const RunResult help = RunBatch({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("morvane-batch: the isotope patterns of many formulas in one run\n", 0), 0u);
    EXPECT_NE(help.out.find("-a adduct"), std::string::npos);
    EXPECT_EQ(help.err, "");
    const RunResult version = RunBatch({"-i", "nothing.txt", "--version"});
    EXPECT_EQ(version.out, std::string("morvane-batch ") + MORVANE_VERSION + "\n");
    EXPECT_EQ(version.status, 0);
}

TEST(BatchConventions, NegativeIonsAtPositiveMzWithTheirSignedCharge)
{
    // Deprotonated glucose: mass over |z|, ascending, as instruments report.
    TempFile input("glc\tC6H12O6\t[M-H]-\n", "in.txt");
    const RunResult r = RunBatch({"-i", input.path()});
    EXPECT_EQ(r.out,
              "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n"
              "glc\tC6H12O6\t[M-H]-\t-1\t1\t179.05611\t0.92273909\n"
              "glc\tC6H12O6\t[M-H]-\t-1\t2\t180.05955\t0.063156941\n"
              "glc\tC6H12O6\t[M-H]-\t-1\t3\t181.06066\t0.012996468\n");
    const RunResult mtz = RunBatch({"-i", input.path(), "-mtz", "-2", "-f", "5"});
    EXPECT_EQ(mtz.out,
              "id\tformula\tadduct\tcharge\tpeak\tmz\tabundance\n"
              "glc\tC6H12O6\t[M-H]-\t-1\t1\t179.05611\t100\n"
              "glc\tC6H12O6\t[M-H]-\t-1\t2\t180.05955\t6.8445069\n");
}

TEST(BatchConventions, MzAtChargeZeroIsAnOptionError)
{
    const RunResult r = RunBatch({"-mtz", "0"});
    EXPECT_EQ(r.err, "Error: m/z needs a charge other than 0\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 5);
}

TEST(BatchConventions, InputThatCannotBeReadIsStatusOneWithTheReason)
{
    const RunResult closed = RunShell("exec " + BATCH + " <&-");
    EXPECT_EQ(closed.err, "Error: cannot read standard input: Bad file descriptor\n");
    EXPECT_EQ(closed.out, "");
    EXPECT_EQ(closed.status, 1);
    const RunResult folder = RunShell("exec " + BATCH + " </");
    EXPECT_EQ(folder.err, "Error: cannot read standard input: Is a directory\n");
    EXPECT_EQ(folder.status, 1);
    const RunResult named = RunBatch({"-i", "/"});
    EXPECT_EQ(named.err, "Error: cannot read input file /: Is a directory\n");
    EXPECT_EQ(named.out, "");
    EXPECT_EQ(named.status, 1);
}

TEST(BatchConventions, OutputThatIsTheInputOrTheTableIsRefusedUntouched)
{
    TempFile input("C6H12O6\n", "in.txt");
    const std::string link = input.dir() + "/link.txt";
    ASSERT_EQ(::link(input.path().c_str(), link.c_str()), 0);
    for (const std::string& out : {input.path(), link}) {
        const RunResult r = RunBatch({"-i", input.path(), "-o", out});
        EXPECT_EQ(r.err, "Error: output file " + out + " is the input; name another file\n");
        EXPECT_EQ(r.status, 5);
        EXPECT_EQ(ReadFile(input.path()), "C6H12O6\n");
    }
    const RunResult fromStdin = RunShell("exec " + BATCH + " -o " + input.path() + " <" + input.path());
    EXPECT_EQ(fromStdin.status, 5);
    EXPECT_EQ(ReadFile(input.path()), "C6H12O6\n");
    unlink(link.c_str());

    TempFile table(ReadFile(ShippedTable()));
    const RunResult r = RunBatch({table.path(), "-i", input.path(), "-o", table.path()});
    EXPECT_EQ(r.err, "Error: output file " + table.path() + " is the isotope table; name another file\n");
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(ReadFile(table.path()), ReadFile(ShippedTable()));
}

TEST(BatchConventions, OutputFileIsReplacedOnlyWhenTheRunSucceeds)
{
    TempFile old("the previous table\n", "out.tsv");
    // Standard input a folder: the run fails, the old table stays.
    EXPECT_EQ(RunShell("exec " + BATCH + " -o " + old.path() + " </").status, 1);
    EXPECT_EQ(ReadFile(old.path()), "the previous table\n");
    // Ended by SIGTERM while it waits for more input: nothing cut, nothing left.
    const RunResult killed = RunShell("(echo C6H12O6; sleep 2) | " + BATCH + " -o " + old.path() +
                                      " & pid=$!; sleep 0.5; kill -TERM $pid; wait $pid; echo $?");
    EXPECT_EQ(killed.out, "143\n");
    EXPECT_EQ(ReadFile(old.path()), "the previous table\n");
    EXPECT_EQ(FolderNames(old.dir()), std::vector<std::string>{"out.tsv"});
    // A success replaces it whole.
    TempFile input("C6H12O6\n", "in.txt");
    EXPECT_EQ(RunBatch({"-i", input.path(), "-o", old.path()}).status, 0);
    EXPECT_EQ(ReadFile(old.path()), GLUCOSE_ROWS);
    EXPECT_EQ(FolderNames(old.dir()), std::vector<std::string>{"out.tsv"});
}

// Every signal that ends a run leaves no temporary file and the old table
// as it was; the process still ends by that signal.
TEST(BatchConventions, NoSignalLeavesATemporaryFile)
{
    TempFile old("the previous table\n", "out.tsv");
    for (const auto& [name, status] : std::vector<std::pair<std::string, std::string>>{
             {"QUIT", "131"}, {"USR1", "138"}, {"ALRM", "142"}}) {
        // In the foreground: a shell starts its background jobs with SIGQUIT ignored.
        const std::string pidFile = old.dir() + "/pid";
        const RunResult killed =
            RunShell("ulimit -c 0; (sleep 0.5; kill -" + name + " $(cat " + pidFile + ")) & (echo C6H12O6; sleep 2) | sh -c 'echo $$ >" +
                     pidFile + "; exec " + BATCH + " -o " + old.path() + "'; echo $?; rm " + pidFile);
        EXPECT_EQ(killed.out, status + "\n") << name;
        EXPECT_EQ(ReadFile(old.path()), "the previous table\n") << name;
        EXPECT_EQ(FolderNames(old.dir()), std::vector<std::string>{"out.tsv"}) << name;
    }
    // A standard error whose reader has gone: SIGPIPE at the first failing line.
    const std::string statusFile = old.dir() + "/status";
    RunShell("(sleep 0.5; echo Xx) | (" + BATCH + " -o " + old.path() + " 2>&1 >/dev/null; echo $? >" + statusFile +
             ") | true");
    EXPECT_EQ(ReadFile(statusFile), "141\n");
    unlink(statusFile.c_str());
    EXPECT_EQ(ReadFile(old.path()), "the previous table\n");
    EXPECT_EQ(FolderNames(old.dir()), std::vector<std::string>{"out.tsv"});
}

// Past the file size limit the write fails like any other: status 8 with
// the reason, the old table kept, no temporary file left.
TEST(BatchConventions, TheFileSizeLimitIsAWriteFailure)
{
    TempFile old("the previous table\n", "out.tsv");
    std::string formulas;
    for (int i = 0; i < 200; ++i) formulas += "C6H12O6\n";
    TempFile input(formulas, "in.txt");
    const RunResult r = RunShell("ulimit -f 1; exec " + BATCH + " -i " + input.path() + " -o " + old.path());
    EXPECT_EQ(r.status, 8);
    EXPECT_EQ(r.err, "morvane-batch: cannot write output: File too large\n");
    EXPECT_EQ(ReadFile(old.path()), "the previous table\n");
    EXPECT_EQ(FolderNames(old.dir()), std::vector<std::string>{"out.tsv"});
}

#ifndef MORVANE_SANITIZE
TEST(BatchConventions, ThreadsThatCannotStartLeaveFewerThreads)
{
    // 200 thread stacks do not fit in 1 GB of address space: the threads
    // that start do the work.
    TempFile input("C6H12O6\n", "in.txt");
    TempFile old("the previous table\n", "out.tsv");
    const RunResult r = RunBatch({"-i", input.path(), "-o", old.path(), "-j", "200"}, 1ull << 30);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "1 formulas succeeded, 0 failed\n");
    EXPECT_EQ(ReadFile(old.path()), GLUCOSE_ROWS);
}
#endif

TEST(BatchConventions, ProgressOnlyOnATerminalOfItsOwn)
{
    if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "script (util-linux) missing";
    // 300,000 halogenated alkanes: long enough for the progress line to be
    // due (about a second on two cores).
    std::string formulas;
    for (int i = 0; i < 300000; ++i)
        formulas += "C" + std::to_string(1 + i % 60) + "H" + std::to_string(4 + i % 120) + "Cl" + std::to_string(i % 7) +
                    "Br" + std::to_string(i % 5) + "\n";
    TempFile input(formulas, "in.txt");
    const std::string run = BATCH + " -i " + input.path() + " -j 2 -t 1e-7 -f 60";
    // The table and standard error on one terminal: no progress among the rows.
    const RunResult shared = RunShell("script -qec '" + run + "' /dev/null");
    EXPECT_EQ(shared.out.find("per second"), std::string::npos);
    EXPECT_NE(shared.out.find("300000 formulas succeeded, 0 failed"), std::string::npos);
    // The table in a file: the terminal shows progress, erased before the summary.
    const RunResult own = RunShell("script -qec '" + run + " -o " + input.dir() + "/out.tsv' /dev/null");
    const std::size_t progress = own.out.rfind(" per second");
    ASSERT_NE(progress, std::string::npos);
    EXPECT_EQ(own.out.find("\r\x1b[K300000 formulas succeeded, 0 failed", progress), own.out.find("\r\x1b[K", progress));
}

TEST(BatchConventions, MessagesShowWhatIsWrong)
{
    std::string longFormula = "Xx";
    for (int i = 0; i < 15; ++i) longFormula += "C6H12O6";
    const std::string nul("nul\tC6\0H12\n", 11);
    TempFile input("\xEF\xBB\xBF" "C6H12O6\nglc\tc6h12o6\n" + nul + longFormula + "\nmy id C6H12O6\n", "in.txt");
    const RunResult r = RunBatch({"-i", input.path(), "-f", "50"});
    EXPECT_EQ(r.out,
              "id\tformula\tadduct\tcharge\tpeak\tmass\tabundance\n"
              "\tC6H12O6\t\t0\t1\t180.06339\t100\n");
    EXPECT_EQ(r.err,
              "line 2: c6h12o6: unknown element symbol 'cho' at position 1 (element symbols begin with a capital "
              "letter, as in C6H12O6)\n"
              "line 3: C6\\x00H12: NUL byte at position 7 of the line\n"
              "line 4: " + longFormula.substr(0, 80) + "... (107 bytes): unknown element symbol 'Xx' at position 1\n"
              "line 5: my id C6H12O6: unknown element symbol 'myid' at position 1 (an identifier is separated "
              "from its formula by a tab)\n"
              "1 formulas succeeded, 4 failed\n");
    EXPECT_EQ(r.status, 2);
}

}  // namespace
