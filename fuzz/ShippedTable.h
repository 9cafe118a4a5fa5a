#ifndef MORVANE_FUZZ_SHIPPEDTABLE_H
#define MORVANE_FUZZ_SHIPPEDTABLE_H

#include <cstdlib>
#include <deque>
#include <fstream>

#include "elements/AtomIsoAbun.h"
#include "elements/TableReader.h"

// The shipped isotope table, read once; a target cannot run without it.
inline const std::deque<morvane::AtomIsoAbun>& ShippedTable()
{
    static const std::deque<morvane::AtomIsoAbun> table = [] {
        std::deque<morvane::AtomIsoAbun> t;
        std::ifstream in(MORVANE_SOURCE_DIR "/morvanetable.txt");
        if (morvane::ReadIsotopeTable(in, t) != 0) std::abort();
        return t;
    }();
    return table;
}

#endif
