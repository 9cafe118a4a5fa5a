// morvane-batch: the isotope patterns of many formulas in one run.
#include "app/Batch.h"
#include "app/MemoryCap.h"
#include "app/OutputCheck.h"

// BatchMain checks and reports its own output, to standard output or a file.
int main(int argc, char** argv)
{
    CheckStandardOutput();
    CapAddressSpace();
    return BatchMain(argc, argv);
}
