// morvane-batch: the isotope patterns of many formulas in one run.
#include "frontend/MemoryCap.h"
#include "frontend/OutputCheck.h"
#include "morvane-batch/Batch.h"

using namespace morvane;

// BatchMain checks and reports its own output, to standard output or a file.
int main(int argc, char** argv)
{
    CheckStandardOutput();
    CapAddressSpace();
    return BatchMain(argc, argv);
}
