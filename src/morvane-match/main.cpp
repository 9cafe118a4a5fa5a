// morvane-match: how well calculated isotope patterns explain a measured
// spectrum.
#include "frontend/MemoryCap.h"
#include "frontend/OutputCheck.h"
#include "morvane-match/MatchRun.h"

using namespace morvane;

int main(int argc, char** argv)
{
    CheckStandardOutput();
    CapAddressSpace();
    return FinishStandardOutput(MatchMain(argc, argv), "morvane-match");
}
