// Whole outputs of calculations whose products leave the double range: a
// start far below it (carried with its exponent), long runs of unstored
// combinations at tiny thresholds, powers formed beyond the range. Their
// digits come from operations whose results IEEE arithmetic fixes on every
// platform (no extended type), so these checksums hold wherever the program
// is built. A change here is a change of printed digits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RunMorvane.h"

namespace {

// The md5 of morvane's whole output for `args`, by the system's md5sum.
std::string OutputMd5(const std::string& args)
{
    const RunResult r = RunProgram("/bin/sh", {"-c", "\"$0\" " + args + " | md5sum", MORVANE_EXE}, MORVANE_SOURCE_DIR);
    EXPECT_EQ(r.status, 0) << args;
    return r.out.substr(0, 32);
}

TEST(OutOfRange, SameDigitsOnEveryMachine)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"S300 -t 0 -p 17", "82a4beeadd4a7a7a191d587d538411b7"},
        {"C500O200 -t 1e-320 -p 17", "4ecb23dd56f67a2c0f47142d1c08da36"},
        {"C100000 -p 17", "06e2d7663df8d697a0274461e2171a51"},
        {"Br1100 -p 17", "0cfd992e642e08b8ad28b047f72d72b2"},
        {"B5000 -p 17", "679d052c0928cfcf2045de0ff0f0602c"},
        {"C70000H140000 -p 17", "d64bb34dc6b91e13969b75c30e216453"},
    };
    for (const auto& c : cases) EXPECT_EQ(OutputMd5(c.first), c.second) << c.first;
}

}  // namespace
