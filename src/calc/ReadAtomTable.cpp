#include <filesystem>
#include <fstream>
#include <system_error>

#include "calc/IsoCalc.h"
#include "core/Status.h"
#include "elements/TableReader.h"

namespace morvane {

// Only a regular file is read: a named pipe would block the run waiting for
// a writer, and a device or directory is no table. The program reads nothing
// from standard input, so /dev/stdin is refused when it is a pipe too.
int IsoCalc::ReadAtomTable(const char* filename)
{
    tableloaded = false;
    atomtable.clear();
    if (filename == nullptr) return CALC_TABLE_NOT_READ;
    std::error_code error;
    if (!std::filesystem::is_regular_file(filename, error)) return CALC_TABLE_NOT_READ;
    std::ifstream in(filename, std::ios::binary);
    if (!in.is_open()) return CALC_TABLE_NOT_READ;
    if (ReadIsotopeTable(in, atomtable) != 0) return CALC_TABLE_NOT_READ;
    tableloaded = true;
    return 0;
}

}  // namespace morvane
