// morvane: isotope distributions of molecular formulas by Yergey's method.
#include "app/Driver.h"
#include "app/MemoryCap.h"
#include "app/OutputCheck.h"

int main(int argc, char** argv)
{
    CheckStandardOutput();
    CapAddressSpace();
    return FinishStandardOutput(MorvaneMain(argc, argv), "morvane");
}
