#include <filesystem>
#include <fstream>
#include <system_error>

#include "calc/IsoCalc.h"
#include "elements/TableReader.h"

// Only a regular file is read: a named pipe would block the run waiting for
// a writer, and a device or directory is no table. The program reads nothing
// from standard input, so /dev/stdin is refused when it is a pipe too.
int IsoCalc::ReadAtomTable(const char* filename)
{
    tableloaded = false;
    atomtable.clear();
    if (filename == nullptr) return 1;
    std::error_code error;
    if (!std::filesystem::is_regular_file(filename, error)) return 1;
    std::ifstream in(filename, std::ios::binary);
    if (!in.is_open()) return 1;
    if (ReadIsotopeTable(in, atomtable) != 0) return 1;
    tableloaded = true;
    return 0;
}
