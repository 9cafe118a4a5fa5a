// morvane: isotope distributions of molecular formulas by Yergey's method.
#include "frontend/Driver.h"
#include "frontend/MemoryCap.h"
#include "frontend/OutputCheck.h"

using namespace morvane;

int main(int argc, char** argv)
{
    CheckStandardOutput();
    CapAddressSpace();
    return FinishStandardOutput(MorvaneMain(argc, argv), "morvane");
}
