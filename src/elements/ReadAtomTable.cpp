#include <fstream>

#include "calc/IsoCalc.h"
#include "elements/TableReader.h"

int IsoCalc::ReadAtomTable(const char* filename)
{
    tableloaded = false;
    atomtable.clear();
    std::ifstream in(filename, std::ios::binary);
    if (!in.is_open()) return 1;
    if (ReadIsotopeTable(in, atomtable) != 0) return 1;
    tableloaded = true;
    return 0;
}
