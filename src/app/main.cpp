// morvane: isotope distributions of molecular formulas by Yergey's method.
#include "app/Driver.h"
#include "app/MemoryCap.h"

int main(int argc, char** argv)
{
    CapAddressSpace();
    return MorvaneMain(argc, argv);
}
