// Which isotope table a run reads when none is named: the current folder's,
// else the one installed beside the executable, else (in a build folder)
// the source tree's.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "elements/DefaultTable.h"
#include "support/RunMorvane.h"

using namespace morvane;

namespace fs = std::filesystem;

namespace {

// A one-element table whose single peak tells which table was read.
std::string Table(double mass) { return "Xq 1\n" + std::to_string(mass) + " 1.0\n"; }

// An installed tree made by hand: prefix/bin/morvane, and optionally
// prefix/share/morvane/morvanetable.txt; removed with the object.
class InstalledTree {
public:
    explicit InstalledTree(bool withTable) : root_(placeholder_.dir() + "/prefix")
    {
        fs::create_directories(root_ + "/bin");
        fs::copy_file(MORVANE_EXE, exe());
        if (withTable) {
            fs::create_directories(root_ + "/share/morvane");
            std::ofstream(root_ + "/share/morvane/morvanetable.txt") << Table(7.0);
        }
    }
    ~InstalledTree() { fs::remove_all(root_); }
    std::string exe() const { return root_ + "/bin/morvane"; }
    const std::string& root() const { return root_; }

private:
    TempFile placeholder_{""};
    std::string root_;
};

TEST(DefaultTable, InstalledTableIsFoundFromAnyFolderAndAfterAMove)
{
    InstalledTree tree(true);
    TempFile elsewhere("");
    RunResult r = RunProgram(tree.exe(), {"Xq"}, elsewhere.dir());
    EXPECT_EQ(r.out, "7\t1\n");
    EXPECT_EQ(r.status, 0);

    const std::string moved = tree.root() + "-moved";
    fs::rename(tree.root(), moved);
    r = RunProgram(moved + "/bin/morvane", {"Xq"}, elsewhere.dir());
    fs::rename(moved, tree.root());
    EXPECT_EQ(r.out, "7\t1\n");
}

TEST(DefaultTable, CurrentFolderWinsAndANamedTableIsReadAsNamed)
{
    InstalledTree tree(true);
    TempFile here(Table(9.0), "morvanetable.txt");
    EXPECT_EQ(RunProgram(tree.exe(), {"Xq"}, here.dir()).out, "9\t1\n");
    TempFile other(Table(5.0));
    EXPECT_EQ(RunProgram(tree.exe(), {"Xq", other.path()}, here.dir()).out, "5\t1\n");
}

TEST(DefaultTable, NoTableAnywhere)
{
    InstalledTree tree(false);  // outside the build folder, nothing installed
    TempFile elsewhere("");
    const RunResult r = RunProgram(tree.exe(), {"C6H6"}, elsewhere.dir());
    EXPECT_EQ(r.out, "Error: cannot read isotope table\n");
    EXPECT_EQ(r.status, 1);
}

TEST(DefaultTable, LookupForALibraryUser)
{
    TempFile elsewhere("");
    const std::string previous = fs::current_path();
    fs::current_path(elsewhere.dir());
    // A folder of the build tree: the source tree's table.
    EXPECT_EQ(DefaultTablePath(fs::path(MORVANE_EXE).parent_path().string()), ShippedTable());
    EXPECT_EQ(DefaultTablePath(""), "morvanetable.txt");
    InstalledTree tree(true);
    EXPECT_EQ(ReadFile(DefaultTablePath(tree.root() + "/bin")), Table(7.0));
    fs::current_path(previous);
}

}  // namespace
