// morvane-batch: the isotope patterns of many formulas in one run.
#include "app/Batch.h"
#include "app/MemoryCap.h"

int main(int argc, char** argv)
{
    CapAddressSpace();
    return BatchMain(argc, argv);
}
